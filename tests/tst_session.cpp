// The telnet session against the simulator: login robot, routing, logout, failures.
#include <QtTest>
#include <QtWidgets>

#include "app/globals.h"
#include "apsim.h"
#include "monitor/chart.h"
#include "session/cmdline.h"
#include "testsupport.h"
#include "ui/frmMonitor.h"

namespace {

void checkIdle(frmMonitor &w)
{
    QVERIFY(w.CmdLogin->isEnabled() && !w.Cmd_logout->isEnabled() && !w.verbunden);
    QCOMPARE(statusOf(w), QStringLiteral("keine Verbindung zum AP#ffffc0"));
    QCOMPARE(w.TCPClient->state(), QAbstractSocket::UnconnectedState);
}

} // namespace

class TestSession : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { IniPfad = m_dir.filePath(QStringLiteral("SENVARO.INI")); }

    // A logout right after the user name resets exactly the listed fields; the next login sends
    // the trimmed user name, the password as at the click and "version" at ticks 4, 6, 10.
    void session()
    {
        apsim::ApSim sim;
        sim.options().password = "geheim";
        QVERIFY(sim.listen(QHostAddress("127.0.0.12")));
        frmMonitor w;
        startLogin(w, "127.0.0.12", "  admin ", " geheim  ");
        QTRY_COMPARE(sim.lines().size(), 1);
        const QList<QLineEdit *> cleared{w.txtSoftVers, w.txtMac,      w.txtAuth,
                                         w.txtEncrypt,  w.txtWLANMode, w.txtRXDataRate};
        for (QLineEdit *e : cleared + QList<QLineEdit *>{w.txtRXSign, w.txtAckSign})
            e->setText("x1");
        w.txtmanAntw->setText("answer");
        w.Monitor->setText("raw");
        w.MSChart1->setRowCount(3);
        w.LED1_aus->hide();
        w.IamReady = w.manuellMode = true;
        const QDeadlineTimer pause(1000);
        w.Cmd_logout->click();
        QVERIFY(pause.hasExpired());
        checkIdle(w);
        QVERIFY(!w.timPoll_Power->enabled() && !w.timPWRobot->enabled() && !w.LED2_aus->isHidden());
        QCOMPARE(w.MSChart1->rowCount(), 1);
        for (QLineEdit *e : cleared)
            QCOMPARE(e->text(), QString());
        QVERIFY(w.txtmanAntw->text().isEmpty() && w.Monitor->text().isEmpty() &&
                w.txtAckSign->text() == "x1");
        QVERIFY(w.txtPassw->text() == " geheim  " && w.loginPhase && w.IamReady && w.manuellMode);

        QStringList captions;
        connect(&sim, &apsim::ApSim::lineReceived, &w, [&] { captions << w.lblStatus->text(); });
        w.CmdLogin->click();
        w.txtPassw->setText("changed");
        QTRY_VERIFY(w.verbunden);
        QVERIFY(w.LED2_aus->isHidden() && w.timPWRobot->enabled());
        QTRY_COMPARE(w.Monitor->text(), QStringLiteral("login: ")); // not to be merged with what follows
        sim.sendRaw("one\r\ntwo\r\n"); // login phase: just the last chunk, line ends intact
        QTRY_COMPARE(w.Monitor->text(), QStringLiteral("one\r\ntwo\r\n"));
        QVERIFY(!w.LED1_aus->isHidden() && !w.timAuswertung->enabled());
        QTRY_COMPARE_WITH_TIMEOUT(w.lblStatus->text(), QStringLiteral("Verbindung zu AP12 aufgebaut"), 8000);
        QCOMPARE(sim.receivedBytes(1), QByteArray("admin\r\n"));
        QCOMPARE(sim.receivedBytes(2), QByteArray("admin\r\ngeheim\r\nversion\r\n"));
        QCOMPARE(captions.mid(0, 3),
                 (QStringList{"AP lokalisiert\r\nsende Username", "AP lokalisiert\r\nsende Passwort",
                              "AP lokalisiert\r\nhole Firmware"}));
        QVERIFY(!w.loginPhase && !w.timPWRobot->enabled() && w.timPoll_Power->enabled() && w.robotTick == 19);

        // Chunks lose CR and LF; the manual page or the evaluation gets them; "*" first clears.
        w.timPoll_Power->setEnabled(false); // no polls in between
        w.Monitor->setText("old");
        w.txtmanAntw->setText("A");
        sim.sendRaw("line one\r\nline two\r\n");
        QTRY_VERIFY(w.txtmanAntw->text() == "Aline one,line two," && w.LED1_aus->isHidden());
        QCOMPARE(w.Monitor->text(), QStringLiteral("oldline oneline two"));
        QVERIFY(!w.timAuswertung->enabled() && !w.dataArrived);
        w.manuellMode = false;
        sim.sendRaw("a*b\r\n");
        QTRY_VERIFY(w.dataArrived && w.LED1_aus->isHidden());
        QCOMPARE(w.Monitor->text(), QStringLiteral("oldline oneline twoa*b"));
        QVERIFY(w.sReplyLine == "a*b," && w.timAuswertung->enabled() && w.txtmanAntw->text().size() == 19);
        sim.sendRaw("**x\r\ny");
        QTRY_COMPARE(w.Monitor->text(), QStringLiteral("**xy"));

        // A reply dribbling in, mostly during the handler's pause, with NUL and 0xFF: none lost.
        sim.options().chunkSize = 1;
        sim.options().chunkDelayMs = 2;
        sim.options().garbage = apsim::defaultGarbage();
        w.sendCommand("get rate");
        QTRY_COMPARE(w.Monitor->text().toLatin1(),
                     "**xy" + apsim::defaultGarbage() + "Data Rate: Auto" + apsim::ApSim::prompt());

        sim.closeConnections();
        QTRY_VERIFY(!w.verbunden && !w.CmdLogin->isEnabled() && w.Cmd_logout->isEnabled());
        w.Cmd_logout->click();
        checkIdle(w);
    }

    // The robot's steps by tick, read at the moment each line reaches the access point: with
    // an action it goes out at tick 13 and the window closes at 19; a connection lost before
    // the action ends the run as a failure.
    void robotTicks_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("closeAtTick"); // the access point drops the line after this tick
        QTest::addColumn<QByteArrayList>("lines");
        QTest::addColumn<QList<int>>("ticks");
        QTest::addColumn<int>("lastTick");
        QTest::addColumn<int>("status"); // of the process end; -1: none
        const QByteArrayList login{"admin", "geheim", "version"};
        QTest::newRow("login, then polling") << QString() << 0 << login << QList<int>{4, 6, 10} << 19 << -1;
        QTest::newRow("action") << QStringLiteral("set eth2sta enable") << 0
                                << login + QByteArrayList{"set eth2sta enable"} << QList<int>{4, 6, 10, 13}
                                << 19 << -1;
        QTest::newRow("action, line lost at tick 12")
            << QStringLiteral("set eth2sta disable") << 12 << login << QList<int>{4, 6, 10} << 12
            << ExitStatus::ConnectionLost;
    }

    void robotTicks()
    {
        QFETCH(QString, action);
        QFETCH(int, closeAtTick);
        apsim::ApSim sim;
        sim.options().password = "geheim";
        QVERIFY(sim.listen(QHostAddress("127.0.0.13")));
        ProcessEndRecorder ends;
        frmMonitor w;
        QList<int> seen;
        connect(&sim, &apsim::ApSim::lineReceived, &w, [&] { seen << w.robotTick; });
        connect(w.timPWRobot, &WinTimer::timeout, &w, [&] { // after the robot's own handler
            if (w.robotTick == closeAtTick)
                sim.closeConnections();
        });
        w.paramMode = !action.isEmpty();
        w.paramCommand = action;
        if (w.paramMode)
            w.startOneShotWatchdog(); // as the activation does, without the animation
        startLogin(w, "127.0.0.13", "admin", "geheim");
        QTRY_VERIFY_WITH_TIMEOUT(!w.timPWRobot->enabled() && w.robotTick > 0, 8000);
        QTest::qWait(300); // nothing further arrives
        QTEST(sim.lines(), "lines");
        QTEST(seen, "ticks");
        QTEST(int(w.robotTick), "lastTick");
        QTEST(ends.lastStatus(), "status");
        QVERIFY(w.isUnloaded() == w.paramMode && w.timPoll_Power->enabled() != w.paramMode);
    }

    // Bytes that come in while the handler pauses are taken up by that same handler call:
    // Qt emits no further readyRead for bytes it read while the handler was running.
    void chunkDuringPause()
    {
        apsim::ApSim sim;
        QVERIFY(sim.listen(QHostAddress("127.0.0.14")));
        frmMonitor w;
        startLogin(w, "127.0.0.14");
        QTRY_COMPARE(w.Monitor->text(), QStringLiteral("login: "));
        w.timPWRobot->setEnabled(false);
        w.loginPhase = false;
        w.Monitor->setText(QString());
        int readyReads = 0;
        connect(w.TCPClient, &QTcpSocket::readyRead, &w, [&] { ++readyReads; });
        bool second = false; // sent while the first chunk is handled, before the handler's pause
        connect(w.Monitor, &QPlainTextEdit::textChanged, &w, [&] {
            if (!std::exchange(second, true)) {
                sim.sendRaw("second\r\n");
                QThread::msleep(20); // in this machine's receive buffer before the pause begins
            }
        });
        sim.sendRaw("first\r\n");
        QTRY_COMPARE(readyReads, 1);
        QTest::qWait(300);
        QVERIFY(w.Monitor->text() == "firstsecond" && readyReads == 1 && w.sReplyLine == "second,");
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
            frmMonitor w;
            startLogin(w, "127.0.0.17", "admin", "falsch");
            QTRY_COMPARE(dialogs.asked().size(), 1);
            QCOMPARE(dialogs.asked()[0].text,
                     QStringLiteral("Das eingegebene Passwort ist falsch! Nochmal versuchen?"));
            if (answer == Dialogs::Answer::Ok) {
                QTest::qWait(1500);
                checkIdle(w);
                QCOMPARE(sim.lines(1), (QList<QByteArray>{"admin", "falsch"}));
                QVERIFY(sim.openConnections() == 0 && ends.calls() == 0 && dialogs.asked().size() == 1);
            } else {
                QTRY_COMPARE(ends.calls(), 1);
                QVERIFY(w.isUnloaded() && w.Cmd_logout->isEnabled());
                QCOMPARE(statusOf(w), QStringLiteral("Passwort ungültig#ff8080"));
            }
        }
    }

    // Nothing listening, or no address: the window stays connecting and says why.
    void failedConnections()
    {
        for (const char *ip : {"127.0.0.29", ""}) {
            frmMonitor w;
            startLogin(w, ip);
            QTRY_COMPARE(w.lblStatus->text(),
                         "Verbindung fehlgeschlagen: " +
                             QString(*ip ? "Verbindung abgelehnt" : "keine Adresse eingegeben"));
            QTest::qWait(1200);
            QVERIFY(!w.CmdLogin->isEnabled() && w.Cmd_logout->isEnabled() && w.loginPhase && !w.verbunden);
            w.Cmd_logout->click();
            checkIdle(w);
        }
    }

private:
    QTemporaryDir m_dir;
    ScriptedDialogs m_dialogs; // no test may hang on a real message box
};

QTEST_MAIN(TestSession)
#include "tst_session.moc"
