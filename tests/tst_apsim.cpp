// The simulator's own behaviour that the session and monitoring tests rely on: its dialogue,
// stations that come and go, and levels that drift.

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

    explicit Client(const char *ip)
    {
        QObject::connect(&socket, &QTcpSocket::readyRead, [this] { got += socket.readAll(), ++reads; });
        socket.connectToHost(QHostAddress(QString::fromLatin1(ip)), 23);
    }
    bool waitFor(const QByteArray &t)
    {
        return waitUntil([&] { return got.endsWith(t); }, 3000);
    }
    // Sends a line and returns what came back up to tail.
    QByteArray ask(const QByteArray &line, const QByteArray &tail = ApSim::prompt())
    {
        got.clear();
        socket.write(line + "\r\n");
        waitFor(tail);
        return got;
    }
};

struct Shown
{
    QStringList macs;
    QList<int> rx;
    QList<int> ack;
};

Shown parse(const QByteArray &reply)
{
    Shown out;
    const QList<QByteArray> blocks = reply.split('*');
    for (const QByteArray &b : blocks) {
        const QList<QByteArray> lines = b.trimmed().split('\n');
        if (lines.size() < 3)
            continue;
        out.macs << QString::fromLatin1(lines[0].trimmed());
        out.rx << lines[1].split(':').last().trimmed().toInt();
        out.ack << lines[2].split(':').last().trimmed().toInt();
    }
    return out;
}

} // namespace

class TestApSim : public QObject
{
    Q_OBJECT
private slots:
    // One dialogue through the markers the tool reads, the station layout and the faults.
    void dialogue()
    {
        ApSim sim;
        sim.options().stations = apsim::makeStations(2);
        sim.options().stations[1].perCent = true;
        QVERIFY2(sim.listen(QHostAddress("127.0.0.10")), qPrintable(sim.errorString()));
        Client c("127.0.0.10");
        // Lines end with CR LF, LF or CR, split over writes too; the log keeps arrival times.
        QVERIFY(c.waitFor("login: "));
        c.socket.write("admin\r");
        QTest::qWait(300);
        c.socket.write("\nwrong\n");
        QVERIFY(c.waitFor("\r\nIncorrect login\r\nlogin: "));
        QCOMPARE(c.got, QByteArray("login: password: \r\nIncorrect login\r\nlogin: "));
        c.socket.write("admin\nadmin\r\nversion\r");
        QVERIFY(c.waitFor("SOFTWARE_VERSION: v2.50\r\nHARDWARE_VERSION: A5\r\n" + ApSim::prompt()));
        QCOMPARE(sim.lines(), (QList<QByteArray>{"admin", "wrong", "admin", "admin", "version"}));
        QCOMPARE(sim.receivedBytes(1), QByteArray("admin\r\nwrong\nadmin\nadmin\r\nversion\r"));
        const qint64 t0 = sim.log()[0].ms, t1 = sim.log()[1].ms;
        QVERIFY2(sim.log()[1].connection == 1 && t0 < 250 && t1 - t0 >= 280 && t1 - t0 < 1500,
                 qPrintable(QStringLiteral("%1 %2").arg(t0).arg(t1)));

        const QByteArray st = c.ask("get station");
        const QByteArray sep = QByteArray(49, '*') + "\r\n";
        const QByteArray first = "00:1B:11:A0:00:01\r\n RxSignalStrength: 48\r\n AckSignalStrength: 40\r\n"
                                 " Authentication Type: Open System\r\n WLAN Mode: 11g, Rx Data Rate: "
                                 "54 Mbps\r\n Encryption: Off\r\n";
        QVERIFY(st.startsWith(sep + first + sep + "00:1B:11:A0:00:02\r\n RxSignalStrength(per cent): "));
        sim.options().chunkSize = 40;
        sim.options().chunkDelayMs = 15;
        c.reads = 0;
        QCOMPARE(c.ask("get station"), st);
        QVERIFY2(c.reads >= st.size() / 40 / 2, qPrintable(QString::number(c.reads)));

        sim.setOptions(apsim::Options());
        sim.options().garbage = apsim::defaultGarbage();
        sim.options().hugeReplyBytes = 4 * 1024 * 1024;
        QVERIFY(apsim::defaultGarbage().contains('\0') && apsim::defaultGarbage().contains('\xff'));
        const QByteArray huge = c.ask("get station");
        QVERIFY(huge.startsWith(apsim::defaultGarbage()) && huge.size() >= 4 * 1024 * 1024 &&
                huge.endsWith("No station associated.\r\n" + ApSim::prompt()));

        sim.setOptions(apsim::Options());
        sim.options().echo = true;
        sim.options().lineEnd = apsim::LineEnd::Cr;
        QCOMPARE(c.ask("get ssid"), "get ssid\rSSID: senvaro-demo\r" + ApSim::prompt());
        QCOMPARE(c.ask("reboot", "Rebooting ...\r"), QByteArray("reboot\rRebooting ...\r"));
        QVERIFY(waitUntil([&] { return c.socket.state() == QTcpSocket::UnconnectedState; }, 3000));

        sim.options().closeAfterLines = 1; // the reply still goes out first
        Client d("127.0.0.10");
        QVERIFY(d.waitFor("login: "));
        QCOMPARE(d.ask("admin", "password: "), QByteArray("admin\rpassword: "));
        QVERIFY(waitUntil([&] { return d.socket.state() == QTcpSocket::UnconnectedState; }, 3000));
    }

    // Stations that come and go (the station reply taken directly).
    void comeAndGo_data()
    {
        QTest::addColumn<int>("stations");
        QTest::addColumn<int>("polls");
        QTest::addColumn<QStringList>("expected"); // which stations each reply shows
        QTest::newRow("3 stations, 2 polls per change")
            << 3 << 2 << QStringList{"123", "123", "12", "12", "13", "13", "123", "123", "12"};
        QTest::newRow("1 station never leaves") << 1 << 1 << QStringList{"1", "1", "1"};
        QTest::newRow("off") << 3 << 0 << QStringList{"123", "123", "123", "123"};
    }
    void comeAndGo()
    {
        QFETCH(int, stations);
        QFETCH(int, polls);
        QFETCH(QStringList, expected);
        ApSim sim;
        sim.options().stations = apsim::makeStations(stations);
        sim.options().comeAndGoPolls = polls;
        QStringList got;
        for (qsizetype i = 0; i < expected.size(); ++i) {
            QString ids;
            for (const QString &mac : parse(sim.stationReply()).macs)
                ids += mac.right(1);
            got << ids;
        }
        QCOMPARE(got, expected);
    }

    // Levels swing around their base within the scale, one full swing per n polls.
    void drift()
    {
        ApSim sim;
        sim.options().stations = apsim::makeStations(2);
        sim.options().driftPolls = 8;
        const int base = sim.options().stations[0].rx;
        QList<int> rx;
        for (int i = 0; i < 16; ++i) {
            const Shown s = parse(sim.stationReply());
            QCOMPARE(s.macs.size(), 2);
            rx << s.rx[0];
            QVERIFY(s.ack[0] >= 0 && s.ack[0] <= 64);
        }
        QCOMPARE(rx[0], base);
        QCOMPARE(rx[2], std::min(base + 16, 64)); // a quarter swing: the top
        QCOMPARE(rx[6], base - 16);
        QCOMPARE(rx.mid(8), rx.mid(0, 8)); // periodic
        // The stored values do not drift away: drift is applied to the reply only.
        QCOMPARE(sim.options().stations[0].rx, base);
    }
};

QTEST_MAIN(TestApSim)
#include "tst_apsim.moc"
