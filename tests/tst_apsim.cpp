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
};

QTEST_MAIN(TestApSim)
#include "tst_apsim.moc"
