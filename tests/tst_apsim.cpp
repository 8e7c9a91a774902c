// What tests and demonstrations rely on in the simulator but no other test notices when it
// drifts: line ends, echo, the fault options only its command line sets; many access points
// in one process (each with stations of its own: tst_exporter_e2e.sh) going quiet, closed,
// refusing; the program. (Answers to a login, reboot and closing itself fail other tests.)

#include <QtTest>

#include "apsim.h"
#include "apsim_group.h"
#include "logicsupport.h"

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

class TestApSim : public QObject
{
    Q_OBJECT
private slots:
    void layoutAndFaults()
    {
        ApSim sim;
        sim.options().stations = apsim::makeStations(2);
        QVERIFY2(sim.listen(QHostAddress("127.0.0.10")), qPrintable(sim.errorString()));
        Client c("127.0.0.10");
        QVERIFY(c.ask("wrong\radmin\nadmin\nadmin").endsWith(ApSim::prompt())); // a retry; each line end once

        const QByteArray st = c.ask("get station"); // its fields as read: tst_exporter, tst_alertwindow
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
        QTest::newRow("backwards") << "127.0.1.9-127.0.1.3" << 0
                                   << "range \"127.0.1.9-127.0.1.3\" runs backwards";
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

        QCOMPARE(group.control("silent 127.0.1.13"), QString("error: 127.0.1.13 is not served here"));
        QVERIFY(group.control("mute 127.0.1.11").startsWith("error: \"mute 127.0.1.11\" is not a command"));
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

        sim.write("silent 127.0.1.22\nsilent 127.0.9.1\n");
        QVERIFY(waitUntil([&] { return log.endsWith("ok: silent 127.0.1.22\n"); }, 3000));
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

QTEST_GUILESS_MAIN(TestApSim)
#include "tst_apsim.moc"
