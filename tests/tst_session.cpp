// The session without a window, against the simulator on a stepped clock: the robot's ticks
// and bytes, one-shot outcomes, chunk pause, logout, no-answer watch, received-text bounds;
// and the simulator itself.
#include <QTcpSocket>
#include <QtTest>
#include <numeric>

#include "apsim.h"
#include "apsim_group.h"
#include "logicsupport.h"
#include "session/apsession.h"
#include "session/oneshot.h"

namespace {

constexpr qsizetype MiB = qsizetype(1) << 20;
const QString cutNote = QStringLiteral("Antwort des AP gekürzt: mehr als 1 MiB empfangen");

// A session on a stepped clock; the status line as a listener would show it.
struct Rig
{
    std::shared_ptr<SteppedClock> clock = std::make_shared<SteppedClock>();
    ApSession s{nullptr, clock};
    QString status = QStringLiteral("keine Verbindung zum AP");
    StatusKind colour = StatusKind::NoConnection;
    int evaluations = 0;
    int polls = 0;      // "get station" written by the session
    qint64 written = 0; // bytes the socket has passed on

    Rig()
    {
        s.setUserNameSource([] { return QStringLiteral(" admin  "); });
        QObject::connect(&s, &ApSession::statusChanged, [this](const QString &text, StatusKind kind) {
            status = text;
            if (kind != StatusKind::Unchanged)
                colour = kind;
        });
        QObject::connect(&s, &ApSession::replyEvaluated, [this] { ++evaluations; });
        QObject::connect(s.TCPClient(), &QIODevice::bytesWritten, [this](qint64 n) { written += n; });
        // Outside the login only a poll empties the reply while nothing is received.
        QObject::connect(&s, &ApSession::replyTextReset, [this](const QString &text) {
            if (text.isEmpty() && !s.loginPhase())
                ++polls;
        });
    }
    bool connectTo(const QString &ip)
    {
        s.login(ip, QStringLiteral("admin"));
        return waitUntil([&] { return s.verbunden(); }, 3000);
    }
    QString shown() const
    {
        return status + QLatin1Char('#') +
               QStringList{"unchanged", "green", "pale yellow", "light red"}[int(colour)];
    }
};

int due(const QList<int> &sendAt, int tick)
{
    return int(std::count_if(sendAt.begin(), sendAt.end(), [&](int t) { return t <= tick; }));
}

// The robot's 19 ticks, each line waited for on the wire before the next tick; an access
// point that answers has its firmware answer in before tick 12 (at 2.0 s).
bool walkLogin(Rig &r, apsim::ApSim &sim, int connection = 1)
{
    for (int tick = 1; tick <= 19; ++tick) {
        r.clock->advance(200);
        const int expected = due({4, 6, 10}, tick);
        if (!waitUntil([&] { return sim.lines(connection).size() >= expected; }, 3000) ||
            sim.lines(connection).size() != expected)
            return false;
        if (tick == 10 && !sim.options().noReply &&
            !waitUntil([&] { return r.s.replyText().endsWith(QLatin1String("> ")); }, 3000))
            return false;
    }
    return true;
}

bool loginTo(Rig &r, apsim::ApSim &sim, const char *ip)
{
    return sim.listen(QHostAddress(QString::fromLatin1(ip))) && r.connectTo(QString::fromLatin1(ip)) &&
           walkLogin(r, sim);
}

} // namespace

using apsim::ApSim;

// One telnet client of a simulated access point and all it has received.
struct Client
{
    QTcpSocket socket;
    QByteArray got;
    int reads = 0; // readyRead signals seen
    explicit Client(const char *ip)
    {
        QObject::connect(&socket, &QTcpSocket::readyRead, &socket,
                         [this] { got += socket.readAll(), ++reads; });
        socket.connectToHost(QHostAddress(QString::fromLatin1(ip)), 23);
    }
    // Sends a line (written ahead while the socket still connects); what came back once it
    // ends with `end` (or after 3 s without).
    QByteArray ask(const QByteArray &line, const QByteArray &end = "DWL-2100AP> ")
    {
        got.clear();
        socket.write(line + "\r\n");
        waitUntil([&] { return got.endsWith(end); }, 3000);
        return got;
    }
    bool login()
    {
        return waitUntil([&] { return got.endsWith("login: "); }, 3000) &&
               ask("admin", "password: ") == "password: " && ask("admin").endsWith("\r\nDWL-2100AP> ");
    }
};

static QList<QHostAddress> addresses(const char *text)
{
    QList<QHostAddress> list;
    QString why;
    apsim::parseAddresses(QString::fromLatin1(text), &list, &why);
    return list;
}

class TestSession : public QObject
{
    Q_OBJECT
private slots:
    // Which tick each line goes out at, and how the login ends: with an action it goes out at
    // tick 13 and the run ends at 19; a connection that is gone or silent is never success.
    void robotTicks_data()
    {
        QTest::addColumn<QString>("mode");    // "window", "action", "silent" (never a byte) or "refused"
        QTest::addColumn<int>("closeAtTick"); // the access point drops the line after this tick
        QTest::addColumn<int>("lines");       // of admin, admin, version, the action, at ticks 4, 6, 10, 13
        QTest::addColumn<int>("lastTick");
        QTest::addColumn<int>("status");  // of the one-shot run; -1: none
        QTest::addColumn<QString>("end"); // status line at the end (window runs)
        QTest::newRow("window") << "window" << 0 << 3 << 19 << -1 << "Verbindung zu AP41 aufgebaut#green";
        QTest::newRow("window, line lost after the user name")
            << "window" << 5 << 1 << 19 << -1 << "keine Verbindung zum AP#pale yellow";
        QTest::newRow("action") << "action" << 0 << 4 << 19 << 0 << QString();
        QTest::newRow("action, line lost at tick 12") << "action" << 12 << 3 << 12 << 6 << QString();
        QTest::newRow("action, line lost after it") << "action" << 14 << 4 << 19 << 6 << QString();
        QTest::newRow("action, never a byte") << "silent" << 0 << 4 << 19 << 7 << QString();
        QTest::newRow("action, login refused") << "refused" << 0 << 2 << 6 << 3 << QString();
    }

    void robotTicks()
    {
        QFETCH(QString, mode);
        QFETCH(int, closeAtTick);
        QFETCH(int, lines);
        const QList<int> ticks = QList<int>{4, 6, 10, 13}.mid(0, lines);
        const bool oneShot = mode != QLatin1String("window"), refuse = mode == QLatin1String("refused");
        static int host = 41;
        const QString ip = QStringLiteral("127.0.0.%1").arg(host++);
        apsim::ApSim sim;
        sim.options().noReply = mode == QLatin1String("silent");
        sim.options().rejectEveryLogin = refuse;
        QVERIFY(sim.listen(QHostAddress(ip)));
        Rig r;
        r.s.setOneShot(oneShot, QStringLiteral("set eth2sta enable"));
        std::unique_ptr<OneShotRun> run;
        int status = -1;
        QString reason;
        if (oneShot) {
            run = std::make_unique<OneShotRun>(r.s, ip);
            connect(run.get(), &OneShotRun::finished, this, [&](ExitStatus st, const QString &why) {
                status = exitCode(st);
                reason = why;
                r.s.stop(); // as the window does before it ends the process
            });
            run->start();
        }
        QVERIFY(r.connectTo(ip));
        for (int tick = 1; tick <= 25; ++tick) {
            r.clock->advance(200);
            const int expected = due(ticks, tick);
            QVERIFY(waitUntil([&] { return sim.lines().size() >= expected; }, 3000));
            QCOMPARE(sim.lines().size(), expected);
            // Counted at the tick itself, so a line sent a tick early shows before it arrives.
            const qint64 bytes = QList<qint64>{0, 7, 14, 23, 43}[expected];
            QCOMPARE(r.written + r.s.TCPClient()->bytesToWrite(), bytes);
            if (tick == closeAtTick) {
                sim.closeConnections();
                QVERIFY(waitUntil([&] { return !r.s.verbunden(); }, 3000));
            }
            if (refuse && expected == 2) // the refusal comes back before the next tick
                QVERIFY(waitUntil([&] { return status >= 0; }, 3000));
        }
        QCOMPARE(sim.lines(),
                 QByteArrayList({"admin", "admin", "version", "set eth2sta enable"}).mid(0, ticks.size()));
        QTEST(int(r.s.robotTick()), "lastTick");
        QTEST(status, "status");
        QVERIFY(!r.s.loginPhase() && !r.s.timPWRobot()->enabled());
        QCOMPARE(r.s.timPoll_Power()->enabled(), !oneShot);
        if (!oneShot)
            QTEST(r.shown(), "end");
        QCOMPARE(reason.isEmpty(), status <= 0);
    }

    // A connection that cannot be made is reported with its reason, also after a live
    // connection was dropped by closeDown() (which reports no close).
    void connectFailed()
    {
        using Failure = std::pair<QAbstractSocket::SocketError, QString>;
        Rig r;
        QList<Failure> failures;
        connect(&r.s, &ApSession::connectFailed, this,
                [&](QAbstractSocket::SocketError error, const QString &why) {
                    failures.append({error, why});
                });
        r.s.login(QString(), QStringLiteral("admin"));
        QVERIFY(waitUntil([&] { return failures.size() == 1; }, 3000));
        QCOMPARE(failures[0], Failure(QAbstractSocket::HostNotFoundError, "keine Adresse eingegeben"));
        {
            apsim::ApSim sim;
            QVERIFY(loginTo(r, sim, "127.0.0.65"));
            r.s.closeDown();
        } // nobody listens there any more
        r.s.login(QStringLiteral("127.0.0.65"), QStringLiteral("admin"));
        QVERIFY(waitUntil([&] { return failures.size() == 2; }, 3000));
        QCOMPARE(failures[1], Failure(QAbstractSocket::ConnectionRefusedError, "Verbindung abgelehnt"));
        QCOMPARE(r.status, QStringLiteral("Verbindung fehlgeschlagen: Verbindung abgelehnt"));
        QVERIFY(!r.s.verbunden() && r.s.loginPhase());
    }

    // No connection within 30 s ends a one-shot run with status 2 and names the address.
    void watchdog()
    {
        for (const auto &[ip, reason] :
             {std::pair{"127.0.0.29",
                        "keine Verbindung zum AP 127.0.0.29 innerhalb von 30 s - Befehl nicht gesendet"},
              {"", "keine gültige IP-Adresse im Aufruf, keine Verbindung zum AP - Befehl nicht gesendet"}}) {
            Rig r;
            r.s.setOneShot(true, QStringLiteral("reboot"));
            OneShotRun run(r.s, QString::fromUtf8(ip));
            QList<int> statuses;
            QString why;
            connect(&run, &OneShotRun::finished, this, [&](ExitStatus st, const QString &text) {
                statuses << exitCode(st);
                why = text;
            });
            run.start();
            r.s.login(QString::fromUtf8(ip), QStringLiteral("admin"));
            QVERIFY(waitUntil([&] { return r.status.startsWith(QLatin1String("Verbindung fehlgeschlagen")); },
                              3000));
            r.clock->advance(30000); // not a moment earlier: tst_window_login
            QCOMPARE(statuses, QList<int>{2});
            QCOMPARE(why, QString::fromUtf8(reason));
        }
    }

    // A chunk darkens the data lamp for 100 ms; what comes meanwhile waits in the socket and
    // is the next chunk. A new login starts at tick 0 and counts received bytes anew.
    void pauseLogoutAndNewLogin()
    {
        apsim::ApSim sim;
        Rig r;
        QList<bool> lamp;
        connect(&r.s, &ApSession::dataLamp, this, [&](bool lit) { lamp << lit; });
        QVERIFY(loginTo(r, sim, "127.0.0.14"));
        r.s.timPoll_Power()->setEnabled(false);
        r.clock->advance(100); // any pause of the login's last chunk is over

        lamp.clear();
        sim.sendRaw(QByteArray("first\0\xff\r\n", 9)); // NUL and 0xFF arrive as they are
        QVERIFY(waitUntil([&] { return r.s.dataArrived(); }, 3000));
        sim.sendRaw("*second\r\n");
        QVERIFY(waitUntil([&] { return r.s.TCPClient()->bytesAvailable() == 9; }, 3000));
        QCOMPARE(r.s.sReplyLine(), QString::fromLatin1(QByteArray("first\0\xff,", 8)));
        QCOMPARE(lamp, QList<bool>{false});
        r.clock->advance(99);
        QCOMPARE(r.s.TCPClient()->bytesAvailable(), 9);
        r.clock->advance(1); // the pause ends: the waiting bytes are the next chunk
        QCOMPARE(r.s.sReplyLine(), QStringLiteral("*second,"));
        QCOMPARE(r.s.replyText(), QStringLiteral("*second")); // a "*" first starts a new reply
        QCOMPARE(lamp, (QList<bool>{false, true, false}));
        r.clock->advance(100);
        QCOMPARE(lamp.last(), true);

        r.s.logout(); // its second and what it clears: tst_window_login
        r.clock->advance(1000);

        // The same access point, now silent: it must not show as connected.
        sim.options().noReply = true;
        QVERIFY(r.connectTo(QStringLiteral("127.0.0.14")));
        QCOMPARE(r.s.robotTick(), 0);
        QVERIFY(walkLogin(r, sim, 2));
        QCOMPARE(r.shown(), QStringLiteral("keine Antwort vom AP#pale yellow"));
    }

    // An unanswered poll: after three intervals, at least 10 s, the status names the time of
    // the last evaluation and the next tick asks again; the re-sent poll gets its full time
    // too. The first evaluation after that brings the connected caption back.
    void pollsUnanswered()
    {
        apsim::ApSim sim;
        Rig r;
        r.s.setPollInterval(1000);
        QVERIFY(loginTo(r, sim, "127.0.0.99")); // evaluated at tick 12: 12:00:02.4
        sim.options().noReply = true;
        QList<int> pollsAt; // seconds after the connect
        QString firstNote;
        int noteAt = 0;
        for (int ms = 3800 + 1000; ms <= 27800; ms += 1000) {
            const int before = r.polls;
            r.clock->advance(1000);
            if (r.polls > before)
                pollsAt << ms;
            if (!noteAt && r.s.statusNote() == ApSession::StatusNote::NoAnswer) {
                noteAt = ms;
                firstNote = r.shown();
            }
        }
        QCOMPARE(pollsAt, (QList<int>{4800, 15800, 26800}));
        QCOMPARE(noteAt, 14800);
        QCOMPARE(firstNote, QStringLiteral("keine Antwort vom AP seit 12:00:02#pale yellow"));
        QVERIFY(waitUntil([&] { return sim.lines().count("get station") == 3; }, 3000));

        sim.options().noReply = false;
        for (const int before = r.polls; r.polls == before && r.clock->elapsedMs() < 60000;)
            r.clock->advance(1000); // the next poll, now answered
        QVERIFY(waitUntil([&] { return r.s.dataArrived(); }, 3000));
        r.clock->advance(2100); // pause, then one quiet interval
        QCOMPARE(r.s.statusNote(), ApSession::StatusNote::None);
        QCOMPARE(r.shown(), QStringLiteral("Verbindung zu AP99 aufgebaut#green"));
    }

    // The connection lamp changes on every evaluation tick, the evaluating one included (when a
    // reply counts as settled: tst_window_login).
    void settlingLamp()
    {
        Rig r;
        QList<bool> lamp;
        connect(&r.s, &ApSession::connectionLamp, this, [&](bool lit) { lamp << lit; });
        r.s.routeChunk(QStringLiteral("a reply of the access point"));
        r.clock->advance(600);
        r.s.routeChunk(QStringLiteral("more")); // keeps it open at the first tick
        r.clock->advance(1400);
        QCOMPARE(r.evaluations, 1);
        QCOMPARE(lamp, (QList<bool>{true, false}));
    }

    // The reply keeps its beginning, the answers their newest text, each at most 1 MiB; a
    // reply that fills the box exactly is whole. The poll clears the cut note's flag, so the
    // next whole reply (here one beginning with its echo) brings the caption back.
    void bounds_data()
    {
        QTest::addColumn<int>("mode"); // 0 polling, 1 manual page, 2 login phase
        QTest::addColumn<QList<qsizetype>>("chunks");
        QTest::addColumn<bool>("cut");
        QTest::newRow("polling, exactly full") << 0 << QList<qsizetype>{MiB - 5, 5} << false;
        QTest::newRow("polling, one character more") << 0 << QList<qsizetype>{MiB - 5, 6} << true;
        QTest::newRow("manual, 3 MiB in many chunks") << 1 << QList<qsizetype>(48, MiB / 16) << true;
        QTest::newRow("login phase, exactly full") << 2 << QList<qsizetype>{MiB} << false;
        QTest::newRow("login phase, one character more") << 2 << QList<qsizetype>{MiB + 1} << true;
    }

    void bounds()
    {
        QFETCH(int, mode);
        QFETCH(QList<qsizetype>, chunks);
        QFETCH(bool, cut);
        static int host = 60;
        const QString ip = QStringLiteral("127.0.0.%1").arg(host++);
        apsim::ApSim sim;
        Rig r;
        if (mode == 2) {
            // Before the robot's first tick the login phase routes every chunk to the parser.
            QVERIFY(sim.listen(QHostAddress(ip)) && r.connectTo(ip));
            QVERIFY(waitUntil([&] { return r.s.replyText() == QLatin1String("login: "); }, 3000));
        } else {
            QVERIFY(loginTo(r, sim, qPrintable(ip)));
            sim.options().noReply = true;
            r.s.setManualMode(mode == 1);
            r.s.timPoll_Power_Timer(); // a poll is open, and stays unanswered
            QVERIFY(r.s.pollOutstanding());
        }
        QCOMPARE(r.s.loginPhase(), mode == 2);
        const qsizetype total = std::accumulate(chunks.begin(), chunks.end(), qsizetype(0));
        QString all(total, QLatin1Char('x'));
        for (qsizetype i = 0; i < total; i += 997)
            all[i] = QChar(char16_t(u'a' + (i / 997) % 26));
        qsizetype at = 0;
        for (qsizetype n : chunks) {
            r.s.routeChunk(all.mid(at, n));
            at += n;
        }
        if (mode == 1) {
            const QString box = r.s.manualAnswer();
            QVERIFY2(box.size() <= MiB && box.size() >= MiB / 2, qPrintable(QString::number(box.size())));
            QVERIFY(box == all.right(box.size()));
            // The answer to the open poll landed here: the next tick asks again.
            QVERIFY(!r.s.pollOutstanding() && r.s.pollAgain());
        } else {
            QVERIFY(r.s.replyText() == all.left(MiB));
        }
        QCOMPARE(r.status == cutNote, cut);
        if (mode != 0 || !cut)
            return;
        r.s.evaluate(r.s.replyText());
        QCOMPARE(r.status, cutNote); // the evaluated reply itself was cut
        r.s.timPoll_Power_Timer();
        r.s.routeChunk(QStringLiteral("get station\r\n") + QString(49, QLatin1Char('*')) +
                       QStringLiteral("00:11"));
        r.s.evaluate(r.s.replyText());
        QCOMPARE(r.status, QStringLiteral("Verbindung zu AP%1 aufgebaut").arg(host - 1));
    }

    // An access point that keeps sending: the socket holds back what the session has not
    // read, and the reply stays at its bound.
    void endlessSender()
    {
        apsim::ApSim sim;
        Rig r;
        QVERIFY(loginTo(r, sim, "127.0.0.87"));
        r.s.timPoll_Power()->setEnabled(false);
        const QByteArray mib(MiB, 'x');
        for (int i = 0; i < 4; ++i)
            sim.sendRaw(mib);
        qint64 mostWaiting = 0;
        for (int i = 0; i < 200 && r.s.replyText().size() < MiB; ++i) {
            waitUntil([&] { return r.s.TCPClient()->bytesAvailable() >= 64 * 1024; }, 50);
            mostWaiting = qMax(mostWaiting, r.s.TCPClient()->bytesAvailable());
            r.clock->advance(100);
        }
        QVERIFY2(mostWaiting <= 64 * 1024, qPrintable(QString::number(mostWaiting)));
        QCOMPARE(r.s.replyText().size(), MiB);
    }

    // The simulator itself, where other tests would not notice a drift: line ends, echo, the
    // fault options only its command line sets; many access points in one process (each with
    // stations of its own: tst_exporter_e2e.sh) going quiet, closed, refusing; the program.
    void layoutAndFaults()
    {
        ApSim sim;
        sim.options().stations = apsim::makeStations(2);
        QVERIFY2(sim.listen(QHostAddress("127.0.0.10")), qPrintable(sim.errorString()));
        Client c("127.0.0.10");
        QVERIFY(c.ask("wrong\radmin\nadmin\nadmin").endsWith(ApSim::prompt())); // a retry; each line end once

        const QByteArray st = c.ask("get station"); // its fields as read: tst_exporter and the window tests
        sim.options().chunkSize = 40;
        sim.options().chunkDelayMs = 15;
        c.reads = 0;
        QCOMPARE(c.ask("get station"), st);
        QVERIFY2(c.reads >= st.size() / 40 / 2, qPrintable(QString::number(c.reads)));

        sim.setOptions(apsim::Options());
        sim.options().garbage = apsim::defaultGarbage();
        sim.options().hugeReplyBytes = 4 * 1024 * 1024;
        sim.options().lineEnd = apsim::LineEnd::Cr;
        sim.options().echo = true;
        sim.options().closeAfterLines = 1; // the reply still goes out first
        const QByteArray huge = c.ask("get station");
        QVERIFY(huge.startsWith(apsim::defaultGarbage() + "get station\r") &&
                huge.size() >= 4 * 1024 * 1024 &&
                huge.endsWith("No station associated.\r" + ApSim::prompt()));
        QVERIFY(waitUntil([&] { return c.socket.state() == QTcpSocket::UnconnectedState; }, 3000));
    }

    void addressList_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("count");    // 0: refused
        QTest::addColumn<QString>("last"); // or the error's text
        const QString full = "127.0.0.1-127.0.0.255,127.0.1.0-127.0.1.255,127.0.2.0-127.0.2.255,"
                             "127.0.3.0-127.0.3.255,127.0.4.0";
        QTest::newRow("range") << "127.0.1.1-127.0.1.50" << 50 << "127.0.1.50";
        QTest::newRow("list, spaces") << " 127.0.0.2 , 127.0.1.5 - 127.0.1.6" << 3 << "127.0.1.6";
        QTest::newRow("1024") << full << 1024 << "127.0.4.0";
        QTest::newRow("1025") << full + "-127.0.4.1" << 0 << "more than 1024 addresses";
        QTest::newRow("other /24") << "127.0.1.250-127.0.2.5" << 0
                                   << "range \"127.0.1.250-127.0.2.5\" leaves one /24";
        QTest::newRow("not loopback") << "127.0.0.5,10.0.0.1" << 0 << "10.0.0.1 is not a loopback address";
        QTest::newRow("short form") << "127.1" << 0 << "\"127.1\" is not an IPv4 address";
        QTest::newRow("above 255") << "127.0.1.256" << 0 << "\"127.0.1.256\" is not an IPv4";
        QTest::newRow("open range") << "127.0.1.1-" << 0 << "\"\" is not an IPv4";
        QTest::newRow("two dashes") << "127.0.1.1-127.0.1.2-127.0.1.3" << 0
                                    << "\"127.0.1.1-127.0.1.2-127.0.1.3\" is not";
        QTest::newRow("empty entry") << "127.0.1.1,,127.0.1.2" << 0 << "empty entry";
        QTest::newRow("twice") << "127.0.1.1-127.0.1.5,127.0.1.3" << 0 << "127.0.1.3 is named twice";
    }
    void addressList()
    {
        QFETCH(QString, text);
        QFETCH(int, count);
        QFETCH(QString, last);
        QList<QHostAddress> list{QHostAddress("127.0.0.99")};
        QString why;
        QCOMPARE(apsim::parseAddresses(text, &list, &why), count > 0);
        QCOMPARE(list.size(), count);
        if (count > 0)
            QCOMPARE(list.last().toString(), last);
        else
            QVERIFY2(why.startsWith(last), qPrintable(why));
    }

    // One address goes quiet, is closed or refuses while the other answers on.
    void silentAndBack()
    {
        apsim::ApSimGroup group(apsim::Options{});
        QVERIFY2(group.listen(addresses("127.0.1.11,127.0.1.12")), qPrintable(group.errorString()));
        Client before("127.0.1.11");
        QVERIFY(before.login());
        QCOMPARE(group.control("silent 127.0.1.11"), QString("ok: silent 127.0.1.11"));
        Client fresh("127.0.1.11"), other("127.0.1.12");
        QVERIFY(waitUntil([&] { return other.got == "login: "; }, 3000));
        before.got.clear();
        before.socket.write("version\r\n");
        QVERIFY(waitUntil([&] { return group.at(0)->lines().last() == "version"; }, 3000));
        QVERIFY(!waitUntil([&] { return !before.got.isEmpty() || !fresh.got.isEmpty(); }, 300));

        QCOMPARE(group.control("answer all"), QString("ok: answer all"));
        QVERIFY(before.ask("version").startsWith("SOFTWARE_VERSION: v2.50\r\n"));
        QCOMPARE(group.control("close 127.0.1.12"), QString("ok: close 127.0.1.12"));
        QVERIFY(waitUntil([&] { return other.socket.state() == QTcpSocket::UnconnectedState; }, 3000));
        QCOMPARE(group.control("REFUSE 127.0.1.12"), QString("ok: refuse 127.0.1.12"));
        Client refused("127.0.1.12");
        QVERIFY(
            waitUntil([&] { return refused.socket.error() == QTcpSocket::ConnectionRefusedError; }, 3000));
        QVERIFY(group.control("answer 127.0.1.11-127.0.1.12").startsWith("ok"));
        Client again("127.0.1.12");
        QVERIFY(waitUntil([&] { return again.got == "login: "; }, 3000));

        QVERIFY(group.control("mute 127.0.1.11").startsWith("error: \"mute 127.0.1.11\" is not a command"));
    }

    // Stations that join an access point, move to another and leave: listed in upper case
    // like the generated ones from the next reply on, with levels that move.
    void joinMoveLeave()
    {
        apsim::ApSimGroup group(apsim::Options{});
        QVERIFY2(group.listen(addresses("127.0.1.13-127.0.1.14")), qPrintable(group.errorString()));
        Client a("127.0.1.13"), b("127.0.1.14");
        QVERIFY(a.login() && b.login());
        const QByteArray none = "No station associated.\r\n" + ApSim::prompt();
        QCOMPARE(a.ask("get station"), none);
        QCOMPARE(group.control("join aa:bb:cc:00:00:0f 127.0.1.13"),
                 QString("ok: join AA:BB:CC:00:00:0F 127.0.1.13"));
        const QByteArray first = a.ask("get station");
        QVERIFY2(first.startsWith(ApSim::separator() + "\r\nAA:BB:CC:00:00:0F\r\n RxSignalStrength: ") &&
                     first.count(ApSim::separator()) == 1,
                 first.constData());
        QVERIFY(a.ask("get station") != first);
        QCOMPARE(b.ask("get station"), none);

        QCOMPARE(group.control("JOIN AA:bb:CC:00:00:0F 127.0.1.14"),
                 QString("ok: join AA:BB:CC:00:00:0F 127.0.1.14 (left 127.0.1.13)"));
        QCOMPARE(a.ask("get station"), none);
        QVERIFY(b.ask("get station").startsWith(ApSim::separator() + "\r\nAA:BB:CC:00:00:0F\r\n"));
        QCOMPARE(group.control("leave aa:bb:cc:00:00:0f 127.0.1.14"),
                 QString("ok: leave AA:BB:CC:00:00:0F 127.0.1.14"));
        QCOMPARE(b.ask("get station"), none);

        const QList<std::pair<const char *, const char *>> bad = {
            {"join aa:bb:cc:00:00 127.0.1.13", "error: \"aa:bb:cc:00:00\" is not a MAC address"},
            {"join aa-bb-cc-00-00-0f 127.0.1.13", "error: \"aa-bb-cc-00-00-0f\" is not a MAC address"},
            {"join aa:bb:cc:00:00:0g 127.0.1.13", "error: \"aa:bb:cc:00:00:0g\" is not a MAC address"},
            {"join aa:bb:cc:00:00:0f", "error: join needs a MAC address and one address"},
            {"join aa:bb:cc:00:00:0f 127.0.9.9", "error: 127.0.9.9 is not served here"},
            {"join aa:bb:cc:00:00:0f 10.0.0.1", "error: 10.0.0.1 is not a loopback address"},
            {"join aa:bb:cc:00:00:0f 127.0.1.13-127.0.1.14", "error: join takes one address"},
            {"leave aa:bb:cc:00:00:0f 127.0.1.13", "error: AA:BB:CC:00:00:0F is not listed at 127.0.1.13"},
        };
        for (const auto &[line, error] : bad) {
            const QString answer = group.control(QString::fromLatin1(line));
            QVERIFY2(answer.startsWith(QLatin1String(error)),
                     qPrintable(line + QLatin1String(": ") + answer));
        }
        apsim::Options generated;
        generated.stations = apsim::makeStations(1);
        ApSim own(generated);
        QVERIFY(!own.addStation(apsim::stationMac(0).toLower())); // no MAC listed twice
    }

    // The program: the log names the addresses (each received line: install_test.sh), commands
    // come on standard input, a bad list or an address already taken ends it with a non-zero status.
    void program()
    {
        const QString bin = qEnvironmentVariable("SENVARO_APSIM_BIN");
        QProcess sim;
        QByteArray log;
        QObject::connect(&sim, &QProcess::readyReadStandardOutput,
                         [&] { log += sim.readAllStandardOutput(); });
        sim.start(bin, {"--addresses", "127.0.1.21-127.0.1.22", "--control-stdin", "--still"});
        QVERIFY(waitUntil([&] { return log.contains("\n"); }, 10000));
        QCOMPARE(log, QByteArray("senvaro-apsim listening on 2 addresses (127.0.1.21-127.0.1.22), port 23 "
                                 "(user \"admin\", 3 station(s) each)\n"));

        sim.write("silent 127.0.1.22\nsilent 127.0.9.1\njoin 02:00:00:00:00:aa 127.0.1.21\n");
        QVERIFY(waitUntil([&] { return log.endsWith("ok: join 02:00:00:00:00:AA 127.0.1.21\n"); }, 3000));
        QVERIFY(log.contains("ok: silent 127.0.1.22\n"));
        QVERIFY(waitUntil([&] { return sim.readAllStandardError().contains("127.0.9.1 is not served here"); },
                          3000));
        sim.terminate();
        QVERIFY(sim.waitForFinished(5000));

        ApSim taken;
        QVERIFY(taken.listen(QHostAddress("127.0.1.30")));
        const QList<std::tuple<QStringList, int, QByteArray>> bad = {
            {{"--addresses", "127.0.1.9-127.0.1.3"},
             2,
             "senvaro-apsim: --addresses: range \"127.0.1.9-127.0.1.3\" runs backwards\n"},
            {{"--addresses", "127.0.1.29-127.0.1.31"}, 1, "senvaro-apsim: cannot listen on 127.0.1.30:23: "},
        };
        for (const auto &[args, status, error] : bad) {
            QProcess p;
            p.start(bin, args);
            QVERIFY(p.waitForFinished(10000));
            QCOMPARE(p.exitCode(), status);
            QVERIFY2(p.readAllStandardError().startsWith(error), qPrintable(args.join(' ')));
        }
    }
};

QTEST_GUILESS_MAIN(TestSession)
#include "tst_session.moc"
