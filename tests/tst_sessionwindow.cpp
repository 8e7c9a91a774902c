// The window as the session's listener, against the simulator on a stepped clock: login,
// logout, wrong password, failed connections and the test page's buttons with their bytes.
#include <QtTest>
#include <QtWidgets>

#include "app/globals.h"
#include "apsim.h"
#include "testsupport.h"
#include "ui/chart.h"
#include "ui/frmMonitor.h"

namespace {

void checkIdle(frmMonitor &w)
{
    QVERIFY(ctl<QToolButton>(w, "CmdLogin")->isEnabled() && !ctl<QToolButton>(w, "Cmd_logout")->isEnabled() &&
            !w.session().verbunden);
    QCOMPARE(statusOf(w), QStringLiteral("keine Verbindung zum AP#ffffc0"));
    QCOMPARE(w.session().TCPClient()->state(), QAbstractSocket::UnconnectedState);
}

} // namespace

class TestSessionWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { IniPfad = m_dir.filePath(QStringLiteral("SENVARO.INI")); }

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
        startLogin(w, "127.0.0.12", "  admin ", " geheim  ");
        QVERIFY(waitUntil([&] { return w.session().verbunden; }, 3000));
        clock->advance(800);
        QTRY_COMPARE(sim.lines().size(), 1);
        const QStringList cleared{"txtSoftVers", "txtMac",      "txtAuth",
                                  "txtEncrypt",  "txtWLANMode", "txtRXDataRate"};
        for (const QString &name : cleared + QStringList{"txtRXSign", "txtAckSign"})
            ctl<QLineEdit>(w, name)->setText("x1");
        w.session().setManualAnswer("answer");
        w.session().setReplyText("raw");
        ctl<StationChart>(w, "MSChart1")->setRowCount(3);
        w.session().IamReady = true;
        ctl<QToolButton>(w, "Cmd_logout")->click();
        QVERIFY(!ctl<QToolButton>(w, "Cmd_logout")->isEnabled() && !ctl<QLabel>(w, "LED2_aus")->isHidden());
        QCOMPARE(ctl<QLabel>(w, "lblStatus")->text(), QStringLiteral("Verbindung wird getrennt"));
        clock->advance(999);
        QVERIFY(w.session().verbunden && !ctl<QToolButton>(w, "CmdLogin")->isEnabled() &&
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
        QVERIFY(ctl<QLineEdit>(w, "txtPassw")->text() == " geheim  " && w.session().loginPhase &&
                w.session().IamReady);

        QStringList captions;
        connect(&w.session(), &ApSession::statusChanged, &w, [&] { captions << statusOf(w); });
        ctl<QToolButton>(w, "CmdLogin")->click();
        ctl<QLineEdit>(w, "txtPassw")->setText("changed");
        QTRY_VERIFY(w.session().verbunden);
        QVERIFY(ctl<QLabel>(w, "LED2_aus")->isHidden() && w.session().timPWRobot()->enabled());
        QTRY_COMPARE(ctl<TextBox>(w, "Monitor")->text(),
                     QStringLiteral("login: ")); // not to be merged with what follows
        sim.sendRaw("one\r\ntwo\r\n");           // login phase: just the last chunk, line ends intact
        QTRY_COMPARE(ctl<TextBox>(w, "Monitor")->text(), QStringLiteral("one\r\ntwo\r\n"));
        QVERIFY(!ctl<QLabel>(w, "LED1_aus")->isHidden() && !w.session().timAuswertung()->enabled());
        QVERIFY(stepUntil(*clock, [&] { return !w.session().loginPhase; }));
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

    // "Incorrect login": OK goes back to idle, nothing more sent; Cancel ends without logout.
    void wrongPassword()
    {
        apsim::ApSim sim;
        QVERIFY(sim.listen(QHostAddress("127.0.0.17")));
        ProcessEndRecorder ends;
        for (const Dialogs::Answer answer : {Dialogs::Answer::Ok, Dialogs::Answer::Cancel}) {
            ScriptedDialogs dialogs;
            dialogs.answer(answer);
            auto clock = std::make_shared<SteppedClock>();
            frmMonitor w(nullptr, clock);
            startLogin(w, "127.0.0.17", "admin", "falsch");
            QVERIFY(stepUntil(*clock, [&] { return dialogs.asked().size() == 1; }));
            QCOMPARE(dialogs.asked()[0].text,
                     QStringLiteral("Das eingegebene Passwort ist falsch! Nochmal versuchen?"));
            if (answer == Dialogs::Answer::Ok) {
                QCOMPARE(statusOf(w), QStringLiteral("Verbindung wird getrennt#ff8080"));
                clock->advance(1000);
                checkIdle(w);
                clock->advance(3000);
                QCOMPARE(sim.lines(1), (QList<QByteArray>{"admin", "falsch"}));
                QTRY_COMPARE(sim.openConnections(), 0);
                QVERIFY(ends.calls() == 0 && dialogs.asked().size() == 1);
            } else {
                QCOMPARE(ends.calls(), 1);
                QVERIFY(w.isUnloaded() && ctl<QToolButton>(w, "Cmd_logout")->isEnabled());
                QCOMPARE(statusOf(w), QStringLiteral("Passwort ungültig#ff8080"));
            }
        }
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
                    ctl<QToolButton>(w, "Cmd_logout")->isEnabled() && w.session().loginPhase &&
                    !w.session().verbunden && ends.calls() == 0);
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

    // The test page, logged in here for confirmations() too. Each button after "löschen": its
    // bytes, then its answer at the top of the box, line ends turned into commas. A box of 6 or
    // more characters gets CR LF before the next answer.
    void buttons()
    {
        m_sim = std::make_unique<apsim::ApSim>();
        QVERIFY(m_sim->listen(QHostAddress(QStringLiteral("127.0.0.50"))));
        m_page = std::make_unique<frmMonitor>(nullptr, m_clock);
        frmMonitor &w = *m_page;
        TextBox *answers = ctl<TextBox>(w, "txtmanAntw");
        startLogin(w, QStringLiteral("127.0.0.50"));
        QVERIFY(stepUntil(*m_clock, [&] { return w.session().verbunden && !w.session().loginPhase; }));
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
        QVERIFY(stepUntil(*m_clock, [&] { return !w.session().verbunden; })); // the access point closes
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
    ScriptedDialogs m_dialogs; // no test may hang on a real message box
};

QTEST_MAIN(TestSessionWindow)
#include "tst_sessionwindow.moc"
