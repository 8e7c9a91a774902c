// The simulator behaviour other tests build on unchecked: line ends, the station reply's layout
// and the fault options. If these drifted, those tests would pass against replies never sent.

#include <QtTest>

#include "apsim.h"
#include "testsupport.h"

using apsim::ApSim;

class TestApSim : public QObject
{
    Q_OBJECT
    QTcpSocket socket;
    QByteArray got;
    int reads = 0; // readyRead signals seen
    bool waitFor(const QByteArray &tail)
    {
        return waitUntil([&] { return got.endsWith(tail); }, 3000);
    }
    QByteArray ask(const QByteArray &line, const QByteArray &tail = ApSim::prompt())
    {
        got.clear();
        socket.write(line + "\r\n");
        waitFor(tail);
        return got;
    }

private slots:
    void dialogueAndFaults()
    {
        ApSim sim;
        sim.options().stations = apsim::makeStations(2);
        sim.options().stations[1].perCent = true;
        QVERIFY2(sim.listen(QHostAddress("127.0.0.10")), qPrintable(sim.errorString()));
        connect(&socket, &QTcpSocket::readyRead, [this] { got += socket.readAll(), ++reads; });
        socket.connectToHost(QHostAddress("127.0.0.10"), 23);
        QVERIFY(waitFor("login: "));
        socket.write("admin\rwrong\nadmin\nadmin\r\n"); // every line end counts once
        QVERIFY(waitFor(ApSim::prompt()));
        QCOMPARE(got, "login: password: \r\nIncorrect login\r\nlogin: password: \r\nWelcome to the "
                      "DWL-2100AP command line.\r\n" +
                          ApSim::prompt());
        QCOMPARE(sim.lines(), (QList<QByteArray>{"admin", "wrong", "admin", "admin"}));

        const QByteArray st = ask("get station"), sep = QByteArray(49, '*') + "\r\n";
        QVERIFY(st.startsWith(sep +
                              "00:1B:11:A0:00:01\r\n RxSignalStrength: 48\r\n AckSignalStrength: 40\r\n"
                              " Authentication Type: Open System\r\n WLAN Mode: 11g, Rx Data Rate: "
                              "54 Mbps\r\n Encryption: Off\r\n" +
                              sep + "00:1B:11:A0:00:02\r\n RxSignalStrength(per cent): "));
        sim.options().chunkSize = 40;
        sim.options().chunkDelayMs = 15;
        reads = 0;
        QCOMPARE(ask("get station"), st);
        QVERIFY2(reads >= st.size() / 40 / 2, qPrintable(QString::number(reads)));

        sim.setOptions(apsim::Options());
        sim.options().garbage = apsim::defaultGarbage();
        sim.options().hugeReplyBytes = 4 * 1024 * 1024;
        QVERIFY(apsim::defaultGarbage().contains('\0') && apsim::defaultGarbage().contains('\xff'));
        const QByteArray huge = ask("get station");
        QVERIFY(huge.startsWith(apsim::defaultGarbage()) && huge.size() >= 4 * 1024 * 1024 &&
                huge.endsWith("No station associated.\r\n" + ApSim::prompt()));

        sim.setOptions(apsim::Options());
        sim.options().echo = true;
        sim.options().lineEnd = apsim::LineEnd::Cr;
        QCOMPARE(ask("get ssid"), "get ssid\rSSID: senvaro-demo\r" + ApSim::prompt());
        QCOMPARE(ask("reboot", "Rebooting ...\r"), QByteArray("reboot\rRebooting ...\r"));
        QVERIFY(waitUntil([&] { return socket.state() == QTcpSocket::UnconnectedState; }, 3000));

        sim.options().closeAfterLines = 1; // the reply still goes out first
        socket.connectToHost(QHostAddress("127.0.0.10"), 23);
        QVERIFY(waitFor("login: "));
        QCOMPARE(ask("admin", "password: "), QByteArray("admin\rpassword: "));
        QVERIFY(waitUntil([&] { return socket.state() == QTcpSocket::UnconnectedState; }, 3000));
    }
};

QTEST_MAIN(TestApSim)
#include "tst_apsim.moc"
