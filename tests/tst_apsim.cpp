// The simulator's own behaviour that the session and monitoring tests rely on.

#include <QtTest>

#include "apsim.h"
#include "testsupport.h"

using apsim::ApSim;

namespace {

// A plain client that collects everything the simulator sends.
struct Client
{
    QTcpSocket socket;
    QByteArray got;
    int reads = 0;
    bool closed = false;

    explicit Client(const char *ip)
    {
        QObject::connect(&socket, &QTcpSocket::readyRead, [this] {
            got += socket.readAll();
            ++reads;
        });
        QObject::connect(&socket, &QTcpSocket::disconnected, [this] { closed = true; });
        socket.connectToHost(QHostAddress(QString::fromLatin1(ip)), 23);
    }
    bool waitFor(const QByteArray &tail, int ms = 3000)
    {
        return waitUntil([&] { return got.endsWith(tail); }, ms);
    }
    // Sends a line and returns what came back up to the next prompt.
    QByteArray ask(const QByteArray &line)
    {
        got.clear();
        socket.write(line + "\r\n");
        waitFor(ApSim::prompt());
        return got;
    }
    void login()
    {
        waitFor("login: ");
        socket.write("admin\r\n");
        waitFor("password: ");
        socket.write("admin\r\n");
        waitFor(ApSim::prompt());
    }
};

} // namespace

class tst_apsim : public QObject
{
    Q_OBJECT
private slots:
    void dialogueAndLayout()
    {
        apsim::Options o;
        o.stations = apsim::makeStations(2);
        o.stations[1].perCent = true;
        ApSim sim(o);
        QVERIFY2(sim.listen(QHostAddress("127.0.0.10")), qPrintable(sim.errorString()));
        Client c("127.0.0.10");
        QVERIFY(c.waitFor("login: "));
        c.socket.write("admin\r\n");
        QVERIFY(c.waitFor("password: "));
        c.socket.write("wrong\r\n");
        QVERIFY(c.waitFor("Incorrect login\r\nlogin: "));
        c.socket.write("admin\r\nadmin\r\n");
        QVERIFY(c.waitFor("\r\n" + ApSim::prompt()));

        const QByteArray version = c.ask("version");
        QVERIFY(version.startsWith("SOFTWARE_VERSION: v2.50\r\n"));

        const QByteArray st = c.ask("get station");
        const QByteArray sep = QByteArray(49, '*') + "\r\n";
        QVERIFY(st.startsWith(sep + "00:1B:11:A0:00:01\r\n RxSignalStrength: "));
        QCOMPARE(st.count(sep), 2);
        QVERIFY(!st.contains(QByteArray(50, '*')));
        QVERIFY(st.contains(sep + "00:1B:11:A0:00:02\r\n RxSignalStrength(per cent): "));
        for (const char *m : {"AckSignalStrength: ", "Authentication Type: ", "WLAN Mode: ", "Rx Data Rate: ",
                              "Encryption: "})
            QCOMPARE(st.count(m), 2);

        QCOMPARE(c.ask("frobnicate"), "Unknown command\r\n" + ApSim::prompt());
        sim.options().stations.clear();
        QCOMPARE(c.ask("get station"), "No station associated.\r\n" + ApSim::prompt());

        c.got.clear();
        c.socket.write("reboot\r\n");
        QVERIFY(waitUntil([&] { return c.closed; }, 3000));
        QCOMPARE(c.got, QByteArray("Rebooting ...\r\n"));
    }

    // Lines may end with CR LF, CR or LF, also split over several writes; each
    // counts once, and the log keeps arrival times.
    void lineEndsAndLog()
    {
        ApSim sim;
        QVERIFY(sim.listen(QHostAddress("127.0.0.11")));
        Client c("127.0.0.11");
        QVERIFY(c.waitFor("login: "));
        c.socket.write("admin\r");
        QTest::qWait(300);
        c.socket.write("\nadmin\nversion\r");
        QVERIFY(c.waitFor(ApSim::prompt()));
        c.socket.write("quit\r\n");
        QVERIFY(waitUntil([&] { return c.closed; }, 3000));
        QCOMPARE(sim.lines(), (QList<QByteArray>{"admin", "admin", "version", "quit"}));
        QCOMPARE(sim.receivedBytes(1), QByteArray("admin\r\nadmin\nversion\rquit\r\n"));
        const auto &log = sim.log();
        QCOMPARE(log[0].connection, 1);
        QVERIFY(log[0].ms < 250);
        QVERIFY2(log[1].ms - log[0].ms >= 280 && log[1].ms - log[0].ms < 1500,
                 qPrintable(QString::number(log[1].ms - log[0].ms)));
    }

    // Chunking really splits the reply over several reads without changing it; echo
    // and CR-only line ends on request.
    void chunkingEchoLineEnd()
    {
        apsim::Options o;
        o.stations = apsim::makeStations(3);
        ApSim sim(o);
        QVERIFY(sim.listen(QHostAddress("127.0.0.14")));
        Client c("127.0.0.14");
        c.login();
        const QByteArray whole = c.ask("get station");
        sim.options().chunkSize = 40;
        sim.options().chunkDelayMs = 15;
        c.reads = 0;
        QCOMPARE(c.ask("get station"), whole);
        QVERIFY2(c.reads >= whole.size() / 40 / 2, qPrintable(QString::number(c.reads)));

        sim.options().chunkSize = 0;
        sim.options().echo = true;
        sim.options().lineEnd = apsim::LineEnd::Cr;
        QCOMPARE(c.ask("get ssid"), "get ssid\rSSID: senvaro-demo\r" + ApSim::prompt());
    }

    // Faults: closing after N lines, garbage in front, a reply of several MB.
    void faults()
    {
        apsim::Options o;
        o.closeAfterLines = 3;
        ApSim sim(o);
        QVERIFY(sim.listen(QHostAddress("127.0.0.13")));
        Client c("127.0.0.13");
        c.login();
        QVERIFY(!c.closed);
        c.socket.write("get rate\r\n");
        QVERIFY(waitUntil([&] { return c.closed; }, 3000));
        QVERIFY(c.got.endsWith("Data Rate: Auto\r\n" + ApSim::prompt()));

        sim.options().closeAfterLines = 0;
        sim.options().garbage = apsim::defaultGarbage();
        sim.options().hugeReplyBytes = 4 * 1024 * 1024;
        QVERIFY(apsim::defaultGarbage().contains('\0') && apsim::defaultGarbage().contains('\xff'));
        Client d("127.0.0.13");
        QVERIFY(d.waitFor("login: "));
        QVERIFY(d.got.startsWith(apsim::defaultGarbage()));
        d.login();
        const QByteArray huge = d.ask("get station");
        QVERIFY(huge.size() >= 4 * 1024 * 1024);
        QVERIFY(huge.endsWith("No station associated.\r\n" + ApSim::prompt()));
    }
};

QTEST_MAIN(tst_apsim)
#include "tst_apsim.moc"
