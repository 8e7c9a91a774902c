// No failure shown as success: a login whose connection is gone or silent, and an access
// point that stops answering polls.
#include <QLabel>
#include <QLineEdit>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include "apsim.h"
#include "session/cmdline.h"
#include "testsupport.h"
#include "ui/frmMonitor.h"

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#endif

namespace {

// Greets, and answers the user name with a connection reset.
class ResettingServer : public QTcpServer
{
public:
    ResettingServer()
    {
        connect(this, &QTcpServer::newConnection, this, [this] {
            QTcpSocket *s = nextPendingConnection();
            s->write("login: ");
            connect(s, &QTcpSocket::readyRead, s, [s] {
#ifdef Q_OS_UNIX
                const linger hard{1, 0}; // close with RST instead of FIN
                ::setsockopt(int(s->socketDescriptor()), SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
#endif
                s->abort();
            });
        });
    }
};

} // namespace

class TestNoAnswer : public QObject
{
    Q_OBJECT
private slots:
    void loginEnd_data()
    {
        QTest::addColumn<int>("fault"); // 1 closes after n lines, 2 resets, 3 never sends a byte
        QTest::addColumn<int>("lines");
        QTest::addColumn<bool>("oneShot");
        QTest::addColumn<QString>("caption"); // caption and colour at the end (window)
        QTest::addColumn<int>("exit");        // exit status (one-shot run)
        const QString closed = QStringLiteral("keine Verbindung zum AP#ffffc0");
        const QString silent = QStringLiteral("keine Antwort vom AP#ffffc0");
        QTest::newRow("closed after the user name") << 1 << 1 << false << closed << -1;
        QTest::newRow("reset after the user name") << 2 << 0 << false << closed << -1;
        QTest::newRow("never a byte") << 3 << 0 << false << silent << -1;
        QTest::newRow("one-shot, closed after the action") << 1 << 4 << true << QString() << 6;
        QTest::newRow("one-shot, never a byte") << 3 << 0 << true << QString() << 7;
    }

    void loginEnd()
    {
        QFETCH(int, fault);
        QFETCH(int, lines);
        QFETCH(bool, oneShot);
        QFETCH(QString, caption);
        QFETCH(int, exit);
        static int host = 90;
        const QString ip = QStringLiteral("127.0.0.%1").arg(host++);
        apsim::Options o;
        o.closeAfterLines = fault == 1 ? lines : 0;
        o.noReply = fault == 3;
        apsim::ApSim sim(o);
        ResettingServer resetter;
        QVERIFY(fault == 2 ? resetter.listen(QHostAddress(ip), 23) : sim.listen(QHostAddress(ip)));
        ProcessEndRecorder ends;
        ScriptedDialogs dialogs;
        frmMonitor w;
        w.paramMode = oneShot;
        w.paramCommand = QStringLiteral("set eth2sta enable");
        startLogin(w, ip);
        QVERIFY(waitUntil([&] { return w.robotTick >= 19 || w.isUnloaded(); }, 10000));
        if (oneShot) {
            QVERIFY(waitUntil([&] { return ends.calls() > 0; }, 2000));
            QCOMPARE(ends.lastStatus(), exit);
            if (fault == 1) // the action did go out before the connection ended
                QCOMPARE(sim.lines(), (QList<QByteArray>{"admin", "admin", "version", "set eth2sta enable"}));
        } else {
            QCOMPARE(statusOf(w), caption);
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
        QElapsedTimer clock;
        clock.start();
        QList<qint64> polls;
        connect(&sim, &apsim::ApSim::lineReceived, this, [&](int, qint64, const QByteArray &line) {
            if (line == "get station")
                polls << clock.elapsed();
        });
        ScriptedDialogs dialogs;
        frmMonitor w;
        startLogin(w, QStringLiteral("127.0.0.99"));
        w.timPoll_Power->setInterval(1000);
        QVERIFY(waitUntil([&] { return w.txtAnzahl->text() == "2"; }, 15000));
        const QTime evaluated = w.lastEvaluation;
        QVERIFY(evaluated.isValid() && qAbs(evaluated.secsTo(QTime::currentTime())) <= 1);
        sim.options().noReply = true;
        QVERIFY(waitUntil([&] { return polls.size() >= 2; }, 5000));
        const qint64 unanswered = polls.last();

        QVERIFY(waitUntil([&] { return w.statusNote == frmMonitor::StatusNote::NoAnswer; }, 15000));
        const qint64 noted = clock.elapsed();
        QVERIFY2(noted - unanswered >= 9900 && noted - unanswered < 12500,
                 qPrintable(QString::number(noted - unanswered)));
        QCOMPARE(polls.size(), 2); // nothing sent while the poll was open
        QCOMPARE(statusOf(w), "keine Antwort vom AP seit " + evaluated.toString("HH:mm:ss") + "#ffffc0");

        sim.options().noReply = false;
        QVERIFY(waitUntil([&] { return polls.size() == 3; }, 1600)); // the next tick asks again
        QVERIFY(waitUntil([&] { return w.statusNote == frmMonitor::StatusNote::None; }, 5000));
        QCOMPARE(statusOf(w), QStringLiteral("Verbindung zu AP99 aufgebaut#00c000"));
    }

    // The answer to an open poll that lands on the manual page is not awaited forever:
    // the next polling tick asks again.
    void pollAnsweredOnManualPage()
    {
        frmMonitor w;
        w.Form_Load();
        w.verbunden = w.IamReady = true;
        w.timPoll_Power_Timer();
        QVERIFY(w.pollOutstanding && !w.IamReady);
        w.manuellMode = true;
        w.routeChunk(QStringLiteral("*****"));
        w.manuellMode = false;
        QVERIFY(!w.pollOutstanding && w.pollAgain);
        w.timPoll_Power_Timer();
        QVERIFY(w.pollOutstanding && !w.pollAgain && w.pollSentAt.elapsed() < 1000);
        QCOMPARE(w.statusNote, frmMonitor::StatusNote::None);
    }
};

QTEST_MAIN(TestNoAnswer)
#include "tst_noanswer.moc"
