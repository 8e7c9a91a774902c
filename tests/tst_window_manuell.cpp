// The window as the session's listener, against the simulator on a stepped clock: login,
// logout, wrong password, failed connections, the test page's buttons with their bytes, and
// the desktop alerts.
#include <QtTest>
#include <QtWidgets>

#include "app/startstop.h"
#include "apsim.h"
#include "config/inifile.h"
#include "monitor/history.h"
#include "testsupport.h"
#include "ui/alertsdialog.h"
#include "ui/alertview.h"
#include "ui/chart.h"
#include "ui/frmMonitor.h"
#include "ui/loginpage.h"
#include "ui/notifier.h"

namespace {

const QString ANNA = "00:11:22:33:44:55", BERT = "02:00:00:00:00:0B", GAST = "00:0A:0B:0C:0D:0E";
const QString IP = "127.0.9.1"; // an address no other test listens on

} // namespace

class TestWindowManuell : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { m_ini = m_dir.filePath(QStringLiteral("SENVARO.INI")); }

    // The test page, logged in here for confirmations() too. Each button after "löschen": its
    // bytes, then its answer at the top of the box, line ends turned into commas. A box of 6 or
    // more characters gets CR LF before the next answer.
    void buttons()
    {
        m_sim = std::make_unique<apsim::ApSim>();
        QVERIFY(m_sim->listen(QHostAddress(QStringLiteral("127.0.0.50"))));
        m_page = std::make_unique<frmMonitor>(nullptr, m_clock);
        frmMonitor &w = *m_page;
        StartStop::attach(w, m_ini);
        TextBox *answers = ctl<TextBox>(w, "txtmanAntw");
        startLogin(w, QStringLiteral("127.0.0.50"));
        QVERIFY(stepUntil(*m_clock, [&] { return w.session().verbunden() && !w.session().loginPhase(); }));
        ctl<QTabWidget>(w, "SSTab1")
            ->setCurrentIndex(frmMonitor::PageManuell); // polling stops, answers go to the box
        // button, text for Text3/4/5, bytes sent, start of the answer, the box's text when clicked
        using Case = std::tuple<const char *, QString, QByteArray, const char *, const char *>;
        const Case cases[] = {
            {"Command1", "", "get rate\r\n", "Data Rate: Auto,", ""},
            {"Command11", "", "get channel\r\n", "Channel: 6,", "12345"},
            {"command6", "", "get power\r\n", "Transmit Power: full,", "123456"},
            {"Command3", "", "set antenna 1\r\n", "Antenna set to 1,", ""},
            {"Command7", "antenna 2", "set antenna 2\r\n", "Antenna set to 2,", ""},
            {"Command8", " channel ", "get  channel \r\n", "Channel: 6,", ""},
            {"Command9", "", "\r\n", "DWL-2100AP>", ""},
            {"Command9", "set ssid Büro ", "set ssid B\xfcro \r\n", "Unknown command,", ""},
        };
        for (const auto &[button, text, sent, answer, before] : cases) {
            for (const char *field : {"Text3", "Text4", "Text5"})
                ctl<QLineEdit>(w, field)->setText(text);
            w.session().setManualAnswer(QStringLiteral("an old answer,DWL-2100AP> "));
            ctl<QPushButton>(w, "Command10")->click();
            QTest::keyClicks(answers, before); // typed by the user
            const qsizetype m = mark();
            w.findChild<QPushButton *>(button)->click();
            // Right after the click the box shows only the line-break rule; the reply comes later.
            const QString start = strlen(before) > 5 ? before + QStringLiteral("\r\n") : before;
            QCOMPARE(answers->text(), start);
            QVERIFY(stepUntil(*m_clock, [&] { return answers->text().endsWith(apsim::ApSim::prompt()); }));
            QCOMPARE(sentSince(m), sent);
            const QString box = answers->text().mid(start.size());
            QVERIFY2(box.startsWith(answer) && !box.contains(QLatin1Char('\n')), qPrintable(box));
        }
        QVERIFY(!w.session().dataArrived() &&
                !w.session().timAuswertung()->enabled()); // answers here are not evaluated
    }

    // Declined, nothing is sent and the box stays; confirmed, the command goes out with the line
    // break. After "reboot" from this page the tool carries on; only a one-shot run ends on it.
    void confirmations()
    {
        frmMonitor &w = *m_page;
        TextBox *answers = ctl<TextBox>(w, "txtmanAntw");
        ProcessEndRecorder ends;
        ScriptedDialogs dialogs;
        for (auto a :
             {Dialogs::Answer::No, Dialogs::Answer::Cancel, Dialogs::Answer::Yes, Dialogs::Answer::Ok})
            dialogs.answer(a);
        w.session().setManualAnswer(QStringLiteral("abcdefgh"));
        const qsizetype m = mark();
        ctl<QPushButton>(w, "Command5")->click();
        ctl<QPushButton>(w, "cmd_reboot")->click();
        QCOMPARE(dialogs.asked().size(), 2);
        QVERIFY(dialogs.asked()[0].buttons == Dialogs::Buttons::YesNo &&
                dialogs.asked()[1].buttons == Dialogs::Buttons::OkCancel);
        QCOMPARE(dialogs.asked()[1].text,
                 QStringLiteral("AP wird zurückgesetzt! Bitte Senvaro neu starten."));

        ctl<QPushButton>(w, "Command5")->click();
        QCOMPARE(answers->text(), QStringLiteral("abcdefgh\r\n"));
        QVERIFY(stepUntil(*m_clock, [&] { return answers->text().endsWith(apsim::ApSim::prompt()); }));
        ctl<QPushButton>(w, "cmd_reboot")->click();
        QVERIFY(stepUntil(*m_clock, [&] { return !w.session().verbunden(); })); // the access point closes
        QCOMPARE(sentSince(m), QByteArray("set antenna 2\r\nreboot\r\n"));
        QCOMPARE(answers->text(),
                 QStringLiteral("abcdefgh\r\nAntenna set to 2,DWL-2100AP> \r\nRebooting ...,"));
        QVERIFY(ends.calls() == 0 && !w.isUnloaded());
    }

private:
    QByteArray sentSince(qsizetype mark) const { return m_sim->receivedBytes(1).mid(mark); }
    qsizetype mark() const { return m_sim->receivedBytes(1).size(); }

    std::shared_ptr<SteppedClock> m_clock = std::make_shared<SteppedClock>();
    std::unique_ptr<apsim::ApSim> m_sim; // and m_page: the test page's access point and window
    std::unique_ptr<frmMonitor> m_page;
    QTemporaryDir m_dir;
    QString m_ini;             // the settings file beside the history log
    ScriptedDialogs m_dialogs; // no test may hang on a real message box
};

QTEST_MAIN(TestWindowManuell)
#include "tst_window_manuell.moc"
