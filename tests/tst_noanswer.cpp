// No failure shown as success: a login whose connection is gone or silent, and an access
// point that stops answering polls.
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

#include "apsim.h"
#include "session/cmdline.h"
#include "testsupport.h"
#include "ui/frmMonitor.h"

class TestNoAnswer : public QObject
{
    Q_OBJECT
private slots:
    // A reset connection takes the same way as a closed one (the close event), so the
    // simulator's plain close stands for both.
    void loginEnd_data()
    {
        QTest::addColumn<int>("lines");   // the simulator closes after this many lines; 0: never
        QTest::addColumn<bool>("silent"); // it never sends a byte
        QTest::addColumn<bool>("oneShot");
        QTest::addColumn<QString>("caption"); // caption and colour at the end (window)
        QTest::addColumn<int>("exit");        // exit status (one-shot run)
        const QString closed = QStringLiteral("keine Verbindung zum AP#ffffc0");
        const QString silent = QStringLiteral("keine Antwort vom AP#ffffc0");
        QTest::newRow("closed after the user name") << 1 << false << false << closed << -1;
        QTest::newRow("never a byte") << 0 << true << false << silent << -1;
        QTest::newRow("one-shot, closed after the action") << 4 << false << true << QString() << 6;
        QTest::newRow("one-shot, never a byte") << 0 << true << true << QString() << 7;
    }

    void loginEnd()
    {
        QFETCH(int, lines);
        QFETCH(bool, silent);
        QFETCH(bool, oneShot);
        static int host = 90;
        const QString ip = QStringLiteral("127.0.0.%1").arg(host++);
        apsim::Options o;
        o.closeAfterLines = lines;
        o.noReply = silent;
        apsim::ApSim sim(o);
        QVERIFY(sim.listen(QHostAddress(ip)));
        ProcessEndRecorder ends;
        ScriptedDialogs dialogs;
        frmMonitor w;
        w.paramMode = oneShot;
        w.paramCommand = QStringLiteral("set eth2sta enable");
        startLogin(w, ip);
        QVERIFY(waitUntil([&] { return w.robotTick >= 19 || w.isUnloaded(); }, 10000));
        if (oneShot) {
            QVERIFY(waitUntil([&] { return ends.calls() > 0; }, 2000));
            QTEST(ends.lastStatus(), "exit");
            if (lines > 0) // the action did go out before the connection ended
                QCOMPARE(sim.lines(), (QList<QByteArray>{"admin", "admin", "version", "set eth2sta enable"}));
        } else {
            QTEST(statusOf(w), "caption");
            QVERIFY(!w.loginPhase && w.timPoll_Power->enabled() && ends.calls() == 0);
        }
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
        ScriptedDialogs dialogs;
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
};

QTEST_MAIN(TestNoAnswer)
#include "tst_noanswer.moc"
