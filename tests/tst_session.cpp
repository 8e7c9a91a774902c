// The telnet session against the simulator: login robot, routing, logout, failures, polls that
// stay unanswered, and the buttons of the test page with the bytes each one sends.
#include <QtTest>
#include <QtWidgets>

#include "app/globals.h"
#include "apsim.h"
#include "session/cmdline.h"
#include "testsupport.h"
#include "ui/chart.h"
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

        // Chunks lose CR and LF and go to the evaluation (manual page: buttons()); "*" first clears.
        w.timPoll_Power->setEnabled(false); // no polls in between
        w.manuellMode = false;
        w.Monitor->setText("old");
        w.txtmanAntw->setText("A");
        sim.sendRaw("a*b\r\nc\r\n");
        QTRY_VERIFY(w.dataArrived && w.LED1_aus->isHidden());
        QCOMPARE(w.Monitor->text(), QStringLiteral("olda*bc"));
        QVERIFY(w.sReplyLine == "a*b,c," && w.timAuswertung->enabled() && w.txtmanAntw->text() == "A");
        sim.sendRaw("**x\r\ny");
        QTRY_COMPARE(w.Monitor->text(), QStringLiteral("**xy"));
    }

    // The robot's steps by tick, read at the moment each line reaches the access point, and
    // how the login ends: with an action it goes out at tick 13 and the window closes at 19.
    // A connection that is gone or silent is never shown as success: a one-shot run ends with
    // its status, the window says why. A reset connection takes the same way as a closed one
    // (the close event), so the simulator's plain close stands for both.
    void robotTicks_data()
    {
        QTest::addColumn<bool>("oneShot");
        QTest::addColumn<int>("closeAtTick");  // the access point drops the line after this tick
        QTest::addColumn<bool>("silent");      // it never sends a byte
        QTest::addColumn<QList<int>>("ticks"); // one for each line the access point receives
        QTest::addColumn<int>("lastTick");
        QTest::addColumn<int>("status");      // of the process end; -1: none
        QTest::addColumn<QString>("caption"); // caption and colour at the end (window)
        const QList<int> all{4, 6, 10, 13};
        const QString closed = QStringLiteral("keine Verbindung zum AP#ffffc0");
        const QString silent = QStringLiteral("keine Antwort vom AP#ffffc0");
        QTest::newRow("action") << true << 0 << false << all << 19 << -1 << QString();
        QTest::newRow("action, line lost at tick 12")
            << true << 12 << false << all.mid(0, 3) << 12 << ExitStatus::ConnectionLost << QString();
        QTest::newRow("action, line lost after it")
            << true << 14 << false << all << 19 << ExitStatus::ConnectionLost << QString();
        QTest::newRow("action, never a byte")
            << true << 0 << true << all << 19 << ExitStatus::NoAnswer << QString();
        QTest::newRow("window, line lost after the user name")
            << false << 5 << false << all.mid(0, 1) << 19 << -1 << closed;
        QTest::newRow("window, never a byte") << false << 0 << true << all.mid(0, 3) << 19 << -1 << silent;
    }

    void robotTicks()
    {
        QFETCH(bool, oneShot);
        QFETCH(int, closeAtTick);
        QFETCH(bool, silent);
        QFETCH(QList<int>, ticks);
        static int host = 90;
        const QString ip = QStringLiteral("127.0.0.%1").arg(host++);
        apsim::ApSim sim;
        sim.options().noReply = silent;
        QVERIFY(sim.listen(QHostAddress(ip)));
        ProcessEndRecorder ends;
        frmMonitor w;
        QList<int> seen;
        connect(&sim, &apsim::ApSim::lineReceived, &w, [&] { seen << w.robotTick; });
        connect(w.timPWRobot, &WinTimer::timeout, &w, [&] { // after the robot's own handler
            if (w.robotTick == closeAtTick)
                sim.closeConnections();
        });
        w.paramMode = oneShot;
        w.paramCommand = QStringLiteral("set eth2sta enable");
        if (oneShot)
            w.startOneShotWatchdog(); // as the activation does, without the animation
        startLogin(w, ip);
        QTRY_VERIFY_WITH_TIMEOUT(!w.timPWRobot->enabled() && w.robotTick > 0, 8000);
        QTest::qWait(300); // nothing further arrives
        QCOMPARE(sim.lines(),
                 QByteArrayList({"admin", "admin", "version", "set eth2sta enable"}).mid(0, ticks.size()));
        QCOMPARE(seen, ticks);
        QTEST(int(w.robotTick), "lastTick");
        QTEST(ends.lastStatus(), "status");
        QVERIFY(!w.loginPhase && w.isUnloaded() == oneShot && w.timPoll_Power->enabled() == !oneShot);
        if (!oneShot)
            QTEST(statusOf(w), "caption");
    }

    // Polls that stay unanswered: after three intervals (at least 10 s) the status names
    // the time of the last evaluation, the next tick asks again, and the first evaluation
    // after that brings the connected caption back.
    void pollsUnanswered()
    {
        apsim::Options o;
        o.stations = apsim::makeStations(2);
        apsim::ApSim sim(o);
        QVERIFY(sim.listen(QHostAddress(QStringLiteral("127.0.0.99"))));
        const auto polls = [&] { return sim.lines().count("get station"); };
        frmMonitor w;
        startLogin(w, QStringLiteral("127.0.0.99"));
        w.timPoll_Power->setInterval(1000);
        QVERIFY(waitUntil([&] { return w.txtAnzahl->text() == "2"; }, 15000));
        const QTime evaluated = w.lastEvaluation;
        QVERIFY(evaluated.isValid() && qAbs(evaluated.secsTo(QTime::currentTime())) <= 1);
        sim.options().noReply = true;
        QVERIFY(waitUntil([&] { return polls() >= 2; }, 5000));
        QElapsedTimer open; // since the unanswered poll came in
        open.start();

        QVERIFY(waitUntil([&] { return w.statusNote == frmMonitor::StatusNote::NoAnswer; }, 15000));
        const qint64 waited = open.elapsed();
        QVERIFY2(waited >= 9900 && waited < 12500, qPrintable(QString::number(waited)));
        QCOMPARE(polls(), 2); // nothing sent while the poll was open
        QCOMPARE(statusOf(w), "keine Antwort vom AP seit " + evaluated.toString("HH:mm:ss") + "#ffffc0");

        sim.options().noReply = false;
        QVERIFY(waitUntil([&] { return polls() == 3; }, 1600)); // the next tick asks again
        QVERIFY(waitUntil([&] { return w.statusNote == frmMonitor::StatusNote::None; }, 5000));
        QCOMPARE(statusOf(w), QStringLiteral("Verbindung zu AP99 aufgebaut#00c000"));
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
        const QByteArray first("first\0\xff\r\n", 9); // NUL and 0xFF arrive as they are
        sim.sendRaw(first);
        QTRY_COMPARE(readyReads, 1);
        QTest::qWait(300);
        QCOMPARE(w.Monitor->text().toLatin1(), first.chopped(2) + "second");
        QVERIFY(readyReads == 1 && w.sReplyLine == "second,");
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

    // The test page, logged in here for confirmations() too. Each button after "löschen": its
    // bytes, then its answer at the top of the box, line ends turned into commas. A box of 6 or
    // more characters gets CR LF before the next answer.
    void buttons()
    {
        m_sim = std::make_unique<apsim::ApSim>();
        QVERIFY2(m_sim->listen(QHostAddress(QStringLiteral("127.0.0.50"))), qPrintable(m_sim->errorString()));
        m_page = std::make_unique<frmMonitor>();
        frmMonitor &w = *m_page;
        startLogin(w, QStringLiteral("127.0.0.50"));
        QVERIFY(waitUntil([&] { return w.verbunden && !w.loginPhase; }, 10000));
        w.timPoll_Power->setEnabled(false);
        w.manuellMode = true;
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
            for (QLineEdit *field : {w.Text3, w.Text4, w.Text5})
                field->setText(text);
            w.txtmanAntw->setText(QStringLiteral("an old answer,DWL-2100AP> "));
            w.Command10->click();
            w.txtmanAntw->appendText(before);
            const qsizetype m = mark();
            w.findChild<QPushButton *>(button)->click();
            // Right after the click the box shows only the line-break rule; the reply comes later.
            const QString start = strlen(before) > 5 ? before + QStringLiteral("\r\n") : before;
            QCOMPARE(w.txtmanAntw->text(), start);
            QVERIFY(waitUntil([&] { return w.txtmanAntw->text().endsWith(apsim::ApSim::prompt()); }, 3000));
            QCOMPARE(sentSince(m), sent);
            const QString box = w.txtmanAntw->text().mid(start.size());
            QVERIFY2(box.startsWith(answer) && !box.contains(QLatin1Char('\n')), qPrintable(box));
        }
        QVERIFY(!w.dataArrived && !w.timAuswertung->enabled()); // answers here are not evaluated
    }

    // Declined, nothing is sent and the box stays; confirmed, the command goes out with the line
    // break. After "reboot" from this page the tool carries on; only a one-shot run ends on it.
    void confirmations()
    {
        frmMonitor &w = *m_page;
        ProcessEndRecorder ends;
        ScriptedDialogs dialogs;
        for (auto a :
             {Dialogs::Answer::No, Dialogs::Answer::Cancel, Dialogs::Answer::Yes, Dialogs::Answer::Ok})
            dialogs.answer(a);
        w.txtmanAntw->setText(QStringLiteral("abcdefgh"));
        const qsizetype m = mark();
        w.Command5->click();
        w.cmd_reboot->click();
        QTest::qWait(300);
        QVERIFY(sentSince(m).isEmpty() && w.txtmanAntw->text() == "abcdefgh");
        QCOMPARE(dialogs.asked().size(), 2);
        QVERIFY(dialogs.asked()[0].buttons == Dialogs::Buttons::YesNo &&
                dialogs.asked()[1].buttons == Dialogs::Buttons::OkCancel);
        QCOMPARE(dialogs.asked()[1].text,
                 QStringLiteral("AP wird zurückgesetzt! Bitte Senvaro neu starten."));

        w.Command5->click();
        QCOMPARE(w.txtmanAntw->text(), QStringLiteral("abcdefgh\r\n"));
        QVERIFY(waitUntil([&] { return w.txtmanAntw->text().endsWith(apsim::ApSim::prompt()); }, 3000));
        w.cmd_reboot->click();
        QVERIFY(waitUntil([&] { return !w.verbunden; }, 3000)); // the access point closes
        QCOMPARE(sentSince(m), QByteArray("set antenna 2\r\nreboot\r\n"));
        QCOMPARE(w.txtmanAntw->text(),
                 QStringLiteral("abcdefgh\r\nAntenna set to 2,DWL-2100AP> \r\nRebooting ...,"));
        QVERIFY(ends.calls() == 0 && !w.isUnloaded());
    }

private:
    QByteArray sentSince(qsizetype mark) const { return m_sim->receivedBytes(1).mid(mark); }
    qsizetype mark() const { return m_sim->receivedBytes(1).size(); }

    std::unique_ptr<apsim::ApSim> m_sim; // and m_page: the test page's access point and window
    std::unique_ptr<frmMonitor> m_page;
    QTemporaryDir m_dir;
    ScriptedDialogs m_dialogs; // no test may hang on a real message box
};

QTEST_MAIN(TestSession)
#include "tst_session.moc"
