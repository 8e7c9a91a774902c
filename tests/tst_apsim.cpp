// What tests and demonstrations rely on in the simulator but no other test notices when it
// drifts: line ends, the station reply's layout, echo, and the fault options only its command
// line sets. (Answers to a login, reboot and closing itself fail other tests when they drift.)

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
    // Sends a line (written ahead while the socket still connects), waits for the prompt.
    QByteArray ask(const QByteArray &line)
    {
        got.clear();
        socket.write(line + "\r\n");
        waitUntil([&] { return got.endsWith(ApSim::prompt()); }, 3000);
        return got;
    }

private slots:
    void layoutAndFaults()
    {
        ApSim sim;
        sim.options().stations = apsim::makeStations(2);
        sim.options().stations[1].perCent = true;
        QVERIFY2(sim.listen(QHostAddress("127.0.0.10")), qPrintable(sim.errorString()));
        connect(&socket, &QTcpSocket::readyRead, [this] { got += socket.readAll(), ++reads; });
        socket.connectToHost(QHostAddress("127.0.0.10"), 23);
        QVERIFY(ask("wrong\radmin\nadmin\nadmin").endsWith(ApSim::prompt())); // a retry; each line end once

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
        sim.options().lineEnd = apsim::LineEnd::Cr;
        sim.options().echo = true;
        sim.options().closeAfterLines = 1; // the reply still goes out first
        const QByteArray huge = ask("get station");
        QVERIFY(huge.startsWith(apsim::defaultGarbage() + "get station\r") &&
                huge.size() >= 4 * 1024 * 1024 &&
                huge.endsWith("No station associated.\r" + ApSim::prompt()));
        QVERIFY(waitUntil([&] { return socket.state() == QTcpSocket::UnconnectedState; }, 3000));
    }
};

QTEST_MAIN(TestApSim)
#include "tst_apsim.moc"
