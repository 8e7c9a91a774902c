// Buttons of the test page against the simulator: the bytes each one sends, the line
// break between answers, and confirmations that, when declined, send nothing.
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "apsim.h"
#include "testsupport.h"
#include "ui/frmMonitor.h"

using apsim::ApSim;

class TestCommands : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void buttons();
    void confirmations();

private:
    QByteArray sentSince(qsizetype mark) const { return sim->receivedBytes(1).mid(mark); }
    qsizetype mark() const { return sim->receivedBytes(1).size(); }

    std::unique_ptr<ApSim> sim;
    std::unique_ptr<frmMonitor> w;
};

void TestCommands::initTestCase()
{
    sim = std::make_unique<ApSim>();
    QVERIFY2(sim->listen(QHostAddress(QStringLiteral("127.0.0.50"))), qPrintable(sim->errorString()));
    w = std::make_unique<frmMonitor>();
    startLogin(*w, QStringLiteral("127.0.0.50"));
    QVERIFY(waitUntil([&] { return w->verbunden && !w->loginPhase; }, 10000));
    w->timPoll_Power->setEnabled(false);
    w->manuellMode = true;
}

// Each button after "löschen": its bytes, then its answer at the top of the box, line ends
// turned into commas. A box of 6 or more characters gets CR LF before the next answer.
void TestCommands::buttons()
{
    // button, text for Text3/4/5, bytes sent, start of the answer, the box's text when clicked
    using Case = std::tuple<const char *, QString, QByteArray, const char *, const char *>;
    const Case cases[] = {
        {"Command1", "", "get rate\r\n", "Data Rate: Auto,", ""},
        {"Command11", "", "get channel\r\n", "Channel: 6,", ""},
        {"command6", "", "get power\r\n", "Transmit Power: full,", ""},
        {"Command3", "", "set antenna 1\r\n", "Antenna set to 1,", ""},
        {"Command7", "antenna 2", "set antenna 2\r\n", "Antenna set to 2,", ""},
        {"Command8", " channel ", "get  channel \r\n", "Channel: 6,", ""},
        {"Command9", "", "\r\n", "DWL-2100AP>", ""},
        {"Command9", QString::fromUtf8("set ssid Büro "), "set ssid B\xfcro \r\n", "Unknown command,", ""},
        {"Command11", "", "get channel\r\n", "Channel: 6,", "12345"},
        {"Command11", "", "get channel\r\n", "Channel: 6,", "123456"},
    };
    for (const auto &[button, text, sent, answer, before] : cases) {
        for (QLineEdit *field : {w->Text3, w->Text4, w->Text5})
            field->setText(text);
        w->txtmanAntw->setText(QStringLiteral("an old answer,DWL-2100AP> "));
        w->Command10->click();
        w->txtmanAntw->appendText(before);
        const qsizetype m = mark();
        w->findChild<QPushButton *>(button)->click();
        // Right after the click the box shows only the line-break rule; the reply comes later.
        const QString start = strlen(before) > 5 ? before + QStringLiteral("\r\n") : before;
        QCOMPARE(w->txtmanAntw->text(), start);
        QVERIFY(waitUntil([&] { return w->txtmanAntw->text().endsWith(ApSim::prompt()); }, 3000));
        QCOMPARE(sentSince(m), sent);
        const QString box = w->txtmanAntw->text().mid(start.size());
        QVERIFY2(box.startsWith(answer) && !box.contains(QLatin1Char('\n')), qPrintable(box));
    }
}

// Declined, nothing is sent and the box stays; confirmed, the command goes out with the line
// break. After "reboot" from this page the tool carries on; only a one-shot run ends on it.
void TestCommands::confirmations()
{
    ProcessEndRecorder ends;
    ScriptedDialogs dialogs;
    for (auto a : {Dialogs::Answer::No, Dialogs::Answer::Cancel, Dialogs::Answer::Yes, Dialogs::Answer::Ok})
        dialogs.answer(a);
    w->txtmanAntw->setText(QStringLiteral("abcdefgh"));
    const qsizetype m = mark();
    w->Command5->click();
    w->cmd_reboot->click();
    QTest::qWait(300);
    QVERIFY(sentSince(m).isEmpty() && w->txtmanAntw->text() == "abcdefgh");
    QCOMPARE(dialogs.asked().size(), 2);
    QVERIFY(dialogs.asked()[0].buttons == Dialogs::Buttons::YesNo &&
            dialogs.asked()[1].buttons == Dialogs::Buttons::OkCancel);
    QCOMPARE(dialogs.asked()[1].text, QStringLiteral("AP wird zurückgesetzt! Bitte Senvaro neu starten."));

    w->Command5->click();
    QCOMPARE(w->txtmanAntw->text(), QStringLiteral("abcdefgh\r\n"));
    QVERIFY(waitUntil([&] { return w->txtmanAntw->text().endsWith(ApSim::prompt()); }, 3000));
    w->cmd_reboot->click();
    QVERIFY(waitUntil([&] { return !w->verbunden; }, 3000)); // the access point closes
    QCOMPARE(sentSince(m), QByteArray("set antenna 2\r\nreboot\r\n"));
    QCOMPARE(w->txtmanAntw->text(),
             QStringLiteral("abcdefgh\r\nAntenna set to 2,DWL-2100AP> \r\nRebooting ...,"));
    QVERIFY(ends.calls() == 0 && !w->isUnloaded());
}

QTEST_MAIN(TestCommands)
#include "tst_commands.moc"
