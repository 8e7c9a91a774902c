// Buttons of the test page against the simulator: the bytes each one sends, the line
// break between answers, and confirmations that, when declined, send nothing.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "apsim.h"
#include "testsupport.h"
#include "ui/frmMonitor.h"

using apsim::ApSim;

namespace {

const QHostAddress simAddress(QStringLiteral("127.0.0.50"));

// Logs the window in on the simulator and puts it on the test page, polling off.
bool loginToTestPage(frmMonitor &w)
{
    w.txtIP->setText(simAddress.toString());
    w.txtUser->setText(QStringLiteral("admin"));
    w.txtPassw->setText(QStringLiteral("admin"));
    w.CmdLogin_Click();
    if (!waitUntil([&] { return w.verbunden && !w.loginPhase; }, 10000))
        return false;
    w.timPoll_Power->setEnabled(false);
    w.manuellMode = true;
    return true;
}

} // namespace

class TestCommands : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void buttonBytes_data();
    void buttonBytes();
    void lineBreakRule();
    void declinedConfirmations();
    void clearStartsAtTop();
    void rebootAndQuitFromTestPage();
    void cleanupTestCase();

private:
    QByteArray sentSince(qsizetype mark) const { return sim->receivedBytes(conn).mid(mark); }
    qsizetype mark() const { return sim->receivedBytes(conn).size(); }

    ApSim *sim = nullptr;
    frmMonitor *w = nullptr;
    int conn = 0;
};

void TestCommands::initTestCase()
{
    sim = new ApSim;
    QVERIFY2(sim->listen(simAddress), qPrintable(sim->errorString()));
    w = new frmMonitor;
    QVERIFY(loginToTestPage(*w));
    conn = sim->connectionsAccepted();
    QCOMPARE(sim->lines(conn), (QList<QByteArray>{"admin", "admin", "version"}));
}

void TestCommands::cleanupTestCase()
{
    delete w;
    delete sim;
}

void TestCommands::buttonBytes_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("field"); // Text3/4/5 to set, or empty
    QTest::addColumn<QString>("fieldText");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QString>("answerPart");
    QTest::newRow("Datenrate") << "Command1"
                               << ""
                               << "" << QByteArray("get rate\r\n") << "Data Rate";
    QTest::newRow("Kanal") << "Command11"
                           << ""
                           << "" << QByteArray("get channel\r\n") << "Channel: ";
    QTest::newRow("SSID") << "Command12"
                          << ""
                          << "" << QByteArray("get ssid\r\n") << "SSID: ";
    QTest::newRow("Hardware") << "Command13"
                              << ""
                              << "" << QByteArray("get hardware\r\n") << "Hardware";
    QTest::newRow("Sendeleistung") << "command6"
                                   << ""
                                   << "" << QByteArray("get power\r\n") << "Transmit Power";
    QTest::newRow("externe Antenne") << "Command3"
                                     << ""
                                     << "" << QByteArray("set antenna 1\r\n") << "Antenna set to 1";
    QTest::newRow("beste Antenne") << "Command4"
                                   << ""
                                   << "" << QByteArray("set antenna best\r\n") << "Antenna set to best";
    QTest::newRow("set with Text3") << "Command7"
                                    << "Text3"
                                    << "antenna 2" << QByteArray("set antenna 2\r\n") << "Antenna set to 2";
    QTest::newRow("get with blanks kept") << "Command8"
                                          << "Text4"
                                          << " channel " << QByteArray("get  channel \r\n") << "Channel: ";
    QTest::newRow("raw text") << "Command9"
                              << "Text5"
                              << "get eth2sta" << QByteArray("get eth2sta\r\n") << "Eth2sta: ";
    QTest::newRow("raw empty line") << "Command9"
                                    << "Text5"
                                    << "" << QByteArray("\r\n") << "DWL-2100AP>";
    QTest::newRow("raw Latin-1") << "Command9"
                                 << "Text5" << QString::fromUtf8("set ssid Büro")
                                 << QByteArray("set ssid B\xfcro\r\n") << "Unknown command";
}

void TestCommands::buttonBytes()
{
    QFETCH(QString, button);
    QFETCH(QString, field);
    QFETCH(QString, fieldText);
    QFETCH(QByteArray, sent);
    QFETCH(QString, answerPart);
    if (!field.isEmpty())
        w->findChild<QLineEdit *>(field)->setText(fieldText);
    w->Command10_Click();
    QVERIFY(w->txtmanAntw->text().isEmpty());
    const qsizetype m = mark();
    auto *b = w->findChild<QPushButton *>(button);
    QVERIFY(b);
    b->click();
    QVERIFY(waitUntil([&] { return sentSince(m).size() >= sent.size(); }, 3000));
    QCOMPARE(sentSince(m), sent);
    // The answer lands in the box with its line ends turned into commas.
    QVERIFY(waitUntil([&] { return w->txtmanAntw->text().endsWith(ApSim::prompt()); }, 3000));
    const QString box = w->txtmanAntw->text();
    QVERIFY2(box.contains(answerPart), qPrintable(box));
    QVERIFY(!box.contains(QLatin1Char('\n')) && !box.contains(QLatin1Char('\r')));
    QVERIFY(box.contains(QStringLiteral(",")) || sent == "\r\n");
}

void TestCommands::lineBreakRule()
{
    // The reply comes later; right after the click the box shows only the rule's effect.
    for (const QString &before : {QStringLiteral("12345"), QStringLiteral("123456")}) {
        w->txtmanAntw->setText(before);
        const qsizetype m = mark();
        w->Command11->click();
        const QString expected = before.size() > 5 ? before + QStringLiteral("\r\n") : before;
        QCOMPARE(w->txtmanAntw->text(), expected);
        QVERIFY(waitUntil([&] { return w->txtmanAntw->text().endsWith(ApSim::prompt()); }, 3000));
        QVERIFY(w->txtmanAntw->text().startsWith(expected + QStringLiteral("Channel: ")));
        QCOMPARE(sentSince(m), QByteArray("get channel\r\n"));
    }
}

void TestCommands::declinedConfirmations()
{
    ScriptedDialogs dialogs;
    dialogs.answer(Dialogs::Answer::No);
    dialogs.answer(Dialogs::Answer::Cancel);
    w->txtmanAntw->setText(QStringLiteral("abcdefgh"));
    const qsizetype m = mark();
    w->Command5->click();
    w->cmd_reboot->click();
    QTest::qWait(400);
    QCOMPARE(sentSince(m), QByteArray());
    QCOMPARE(w->txtmanAntw->text(), QStringLiteral("abcdefgh"));
    QVERIFY(w->verbunden);

    QCOMPARE(dialogs.asked().size(), 2);
    const Dialogs::Request antenna = dialogs.asked().at(0);
    QCOMPARE(antenna.buttons, Dialogs::Buttons::YesNo);
    QCOMPARE(antenna.title, QStringLiteral("interne Antenne wählen?"));
    QCOMPARE(antenna.text,
             QStringLiteral("Nur sinnvoll, wenn AP lokal betrieben wird. (nicht bei entferntem AP "
                            "verwenden).        Trotzdem Antenne 2 wählen ?"));
    const Dialogs::Request reboot = dialogs.asked().at(1);
    QCOMPARE(reboot.buttons, Dialogs::Buttons::OkCancel);
    QCOMPARE(reboot.title, QStringLiteral("DWL-2100AP rebooting"));
    QCOMPARE(reboot.text, QStringLiteral("AP wird zurückgesetzt! Bitte Senvaro neu starten."));

    // Confirmed, the internal antenna goes out with the usual line break.
    dialogs.answer(Dialogs::Answer::Yes);
    w->Command5->click();
    QCOMPARE(w->txtmanAntw->text(), QStringLiteral("abcdefgh\r\n"));
    QVERIFY(waitUntil([&] { return sentSince(m) == "set antenna 2\r\n"; }, 3000));
    QCOMPARE(dialogs.unanswered(), 0);
}

void TestCommands::clearStartsAtTop()
{
    w->txtmanAntw->setText(QStringLiteral("an old answer,DWL-2100AP> "));
    w->Command10->click();
    QCOMPARE(w->txtmanAntw->text(), QString());
    w->Command12->click();
    QVERIFY(waitUntil([&] { return w->txtmanAntw->text().endsWith(ApSim::prompt()); }, 3000));
    QVERIFY(w->txtmanAntw->text().startsWith(QStringLiteral("SSID: ")));
}

// "reboot" from the test page: the answer lands in the box and the tool carries on;
// "quit" (the initial raw text) makes the access point close, and the window shows it.
void TestCommands::rebootAndQuitFromTestPage()
{
    ProcessEndRecorder ends;
    {
        ScriptedDialogs dialogs;
        dialogs.answer(Dialogs::Answer::Ok);
        w->txtmanAntw->setText(QString());
        const qsizetype m = mark();
        w->cmd_reboot->click();
        QVERIFY(waitUntil([&] { return !w->verbunden; }, 3000));
        QCOMPARE(sentSince(m), QByteArray("reboot\r\n"));
        QVERIFY(w->txtmanAntw->text().startsWith(QStringLiteral("Rebooting ...")));
        QCOMPARE(w->lblStatus->text(), QStringLiteral("keine Verbindung zum AP"));
    }
    QCOMPARE(ends.calls(), 0);
    QVERIFY(!w->isUnloaded());

    QVERIFY(loginToTestPage(*w));
    conn = sim->connectionsAccepted();
    w->findChild<QLineEdit *>(QStringLiteral("Text5"))->setText(QStringLiteral("quit"));
    const qsizetype m = mark();
    w->Command9->click();
    QVERIFY(waitUntil([&] { return !w->verbunden; }, 3000));
    QCOMPARE(sentSince(m), QByteArray("quit\r\n"));
    QCOMPARE(w->lblStatus->text(), QStringLiteral("keine Verbindung zum AP"));
    QCOMPARE(ends.calls(), 0);
}

QTEST_MAIN(TestCommands)
#include "tst_commands.moc"
