// The simulator's stations that come and go and levels that drift (no network needed:
// the station reply is taken directly).

#include <QtTest>

#include "apsim.h"

using apsim::ApSim;

namespace {

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

class TestApSimChurn : public QObject
{
    Q_OBJECT
private slots:
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

QTEST_GUILESS_MAIN(TestApSimChurn)
#include "tst_apsimchurn.moc"
