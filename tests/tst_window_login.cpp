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

void checkIdle(frmMonitor &w)
{
    QVERIFY(ctl<QToolButton>(w, "CmdLogin")->isEnabled() && !ctl<QToolButton>(w, "Cmd_logout")->isEnabled() &&
            !w.session().verbunden());
    QCOMPARE(statusOf(w), QStringLiteral("keine Verbindung zum AP#ffffc0"));
    QCOMPARE(w.session().TCPClient()->state(), QAbstractSocket::UnconnectedState);
}

} // namespace

class TestWindowLogin : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { m_ini = m_dir.filePath(QStringLiteral("SENVARO.INI")); }

    // A logout right after the user name resets exactly the listed fields, one second later;
    // the next login sends the trimmed user name, the password as at the click and
    // "version", and the status line walks the robot's steps.
    void session()
    {
        apsim::ApSim sim;
        sim.options().password = "geheim";
        QVERIFY(sim.listen(QHostAddress("127.0.0.12")));
        auto clock = std::make_shared<SteppedClock>();
        frmMonitor w(nullptr, clock);
        StartStop::attach(w, m_ini);
        startLogin(w, "127.0.0.12", "  admin ", " geheim  ");
        QVERIFY(waitUntil([&] { return w.session().verbunden(); }, 3000));
        // A text of a reply's length during the login: evaluated, so the next poll may go out.
        sim.sendRaw("welcome to the access point\r\n");
        QVERIFY(waitUntil([&] { return w.session().IamReady(); }, 3000));
        clock->advance(800);
        QTRY_COMPARE(sim.lines().size(), 1);
        const QStringList cleared{"txtSoftVers", "txtMac",      "txtAuth",
                                  "txtEncrypt",  "txtWLANMode", "txtRXDataRate"};
        for (const QString &name : cleared + QStringList{"txtRXSign", "txtAckSign"})
            ctl<QLineEdit>(w, name)->setText("x1");
        w.session().setManualAnswer("answer");
        w.session().setReplyText("raw");
        ctl<StationChart>(w, "MSChart1")->setRowCount(3);
        ctl<QToolButton>(w, "Cmd_logout")->click();
        QVERIFY(!ctl<QToolButton>(w, "Cmd_logout")->isEnabled() && !ctl<QLabel>(w, "LED2_aus")->isHidden());
        QCOMPARE(ctl<QLabel>(w, "lblStatus")->text(), QStringLiteral("Verbindung wird getrennt"));
        clock->advance(999);
        QVERIFY(w.session().verbunden() && !ctl<QToolButton>(w, "CmdLogin")->isEnabled() &&
                ctl<QLineEdit>(w, "txtMac")->text() == "x1");
        clock->advance(1);
        checkIdle(w);
        QVERIFY(!w.session().timPoll_Power()->enabled() && !w.session().timPWRobot()->enabled());
        QCOMPARE(ctl<StationChart>(w, "MSChart1")->rowCount(), 1);
        for (const QString &name : cleared)
            QCOMPARE(ctl<QLineEdit>(w, name)->text(), QString());
        QVERIFY(ctl<TextBox>(w, "txtmanAntw")->text().isEmpty() &&
                ctl<TextBox>(w, "Monitor")->text().isEmpty() &&
                ctl<QLineEdit>(w, "txtAckSign")->text() == "x1");
        QVERIFY(ctl<QLineEdit>(w, "txtPassw")->text() == " geheim  " && w.session().loginPhase() &&
                w.session().IamReady());

        QStringList captions;
        connect(&w.session(), &ApSession::statusChanged, &w, [&] { captions << statusOf(w); });
        ctl<QToolButton>(w, "CmdLogin")->click();
        ctl<QLineEdit>(w, "txtPassw")->setText("changed");
        QTRY_VERIFY(w.session().verbunden());
        QVERIFY(ctl<QLabel>(w, "LED2_aus")->isHidden() && w.session().timPWRobot()->enabled());
        QTRY_COMPARE(ctl<TextBox>(w, "Monitor")->text(),
                     QStringLiteral("login: ")); // not to be merged with what follows
        sim.sendRaw("one\r\ntwo\r\n");           // login phase: just the last chunk, line ends intact
        QTRY_COMPARE(ctl<TextBox>(w, "Monitor")->text(), QStringLiteral("one\r\ntwo\r\n"));
        QVERIFY(!ctl<QLabel>(w, "LED1_aus")->isHidden() && !w.session().timAuswertung()->enabled());
        QVERIFY(stepUntil(*clock, [&] { return !w.session().loginPhase(); }));
        QCOMPARE(captions, (QStringList{"AP lokalisiert#00c000", "AP lokalisiert\r\nsende Username#00c000",
                                        "AP lokalisiert\r\nsende Passwort#00c000",
                                        "AP lokalisiert\r\nhole Firmware#00c000",
                                        "AP lokalisiert\r\nAntwort erhalten#00c000",
                                        "Verbindung zu AP12 aufgebaut#00c000"}));
        QTRY_COMPARE(sim.receivedBytes(2), QByteArray("admin\r\ngeheim\r\nversion\r\n"));
        QVERIFY(w.session().timPoll_Power()->enabled() && w.session().robotTick() == 19);

        // Polling: the box gets each chunk added without line ends (the rules: tst_session).
        w.session().timPoll_Power()->setEnabled(false);
        QVERIFY(stepUntil(*clock, [&] { return !w.session().timAuswertung()->enabled(); }));
        w.session().setReplyText("old");
        sim.sendRaw("a*b\r\nc\r\n");
        QTRY_COMPARE(ctl<TextBox>(w, "Monitor")->text(), QStringLiteral("olda*bc"));
    }

    // "Incorrect login": Cancel ends without logout (OK goes on to the logout: tst_window_clients).
    void wrongPassword()
    {
        apsim::ApSim sim;
        QVERIFY(sim.listen(QHostAddress("127.0.0.17")));
        ProcessEndRecorder ends;
        ScriptedDialogs dialogs;
        dialogs.answer(Dialogs::Answer::Cancel);
        auto clock = std::make_shared<SteppedClock>();
        frmMonitor w(nullptr, clock);
        StartStop::attach(w, m_ini);
        startLogin(w, "127.0.0.17", "admin", "falsch");
        QVERIFY(stepUntil(*clock, [&] { return dialogs.asked().size() == 1; }));
        QCOMPARE(dialogs.asked()[0].text,
                 QStringLiteral("Das eingegebene Passwort ist falsch! Nochmal versuchen?"));
        QCOMPARE(ends.calls(), 1);
        QVERIFY(w.isUnloaded() && ctl<QToolButton>(w, "Cmd_logout")->isEnabled());
        QCOMPARE(statusOf(w), QStringLiteral("Passwort ungültig#ff8080"));
    }

    // Nothing listening, or no address: the window stays connecting and says why; logout goes back
    // to idle. A one-shot run without a connection gives up after 30 s: status 2, the window unloaded.
    void failedConnections()
    {
        ProcessEndRecorder ends;
        for (const QString ip : {"127.0.0.29", "", "/127.0.0.59/ETH1"}) {
            const bool oneShot = ip.startsWith(QLatin1Char('/'));
            auto clock = std::make_shared<SteppedClock>();
            frmMonitor w(nullptr, clock);
            StartStop::attach(w, m_ini);
            if (oneShot) {
                w.Form_Load();
                w.ParameterAuswertung(ip);
                w.startOneShotWatchdog();
            }
            startLogin(w, oneShot ? w.paramRequestIP() : ip);
            QTRY_COMPARE(ctl<QLabel>(w, "lblStatus")->text(),
                         "Verbindung fehlgeschlagen: " +
                             QString(ip.isEmpty() ? "keine Adresse eingegeben" : "Verbindung abgelehnt"));
            clock->advance(oneShot ? 29999 : 4000);
            QVERIFY(!ctl<QToolButton>(w, "CmdLogin")->isEnabled() &&
                    ctl<QToolButton>(w, "Cmd_logout")->isEnabled() && w.session().loginPhase() &&
                    !w.session().verbunden() && ends.calls() == 0);
            if (oneShot) {
                clock->advance(1);
                QVERIFY(ends.lastStatus() == 2 && w.isUnloaded());
                continue;
            }
            ctl<QToolButton>(w, "Cmd_logout")->click();
            clock->advance(1000);
            checkIdle(w);
        }
    }

private:
    QTemporaryDir m_dir;
    QString m_ini;             // the settings file beside the history log
    ScriptedDialogs m_dialogs; // no test may hang on a real message box
};

QTEST_MAIN(TestWindowLogin)
#include "tst_window_login.moc"
