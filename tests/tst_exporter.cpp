// The exporter's own logic: the exposition text (checked by promtool), the access points a
// settings file names, one access point's watch on a stepped clock against the simulator,
// and the text file under a concurrent reader.

#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <atomic>
#include <thread>

#include "apsim.h"
#include "config/settings.h"
#include "exporter/exporter.h"
#include "logicsupport.h"

namespace {

constexpr qint64 wallMs = 1796600000123;

std::shared_ptr<WatchConfig> config(int cycleMs = 2000)
{
    auto c = std::make_shared<WatchConfig>();
    c->user = QStringLiteral("admin");
    c->password = QStringLiteral("admin");
    c->cycleMs = cycleMs;
    return c;
}

// Steps the clock 100 ms at a time, letting the sockets work in between, until pred holds
// or maxMs of clock time went by.
bool stepUntil(SteppedClock &clock, const std::function<bool()> &pred, qint64 maxMs)
{
    for (qint64 t = 0; t <= maxMs; t += 100) {
        if (waitUntil(pred, 20))
            return true;
        clock.advance(100);
    }
    return pred();
}

// Runs promtool on an exposition; empty when it passes, else what it said.
QString promtoolComplaint(const QByteArray &text)
{
    QProcess p;
    p.start(QStringLiteral("promtool"), {QStringLiteral("check"), QStringLiteral("metrics")});
    if (!p.waitForStarted(5000))
        return QStringLiteral("promtool did not start");
    p.write(text);
    p.closeWriteChannel();
    p.waitForFinished(10000);
    const QString said = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError()).trimmed();
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return QStringLiteral("status %1: %2").arg(p.exitCode()).arg(said);
    return said; // lint remarks come with status 0 as well
}

} // namespace

class TestExporter : public QObject
{
    Q_OBJECT
private slots:
    void escapingAndNumbers_data();
    void escapingAndNumbers();
    void expositionPassesPromtool();
    void watchedAddresses_data();
    void watchedAddresses();
    void pollCycle_data();
    void pollCycle();
    void answeredPollFillsSeries();
    void silentAccessPointGoesDownAndComesBack();
    void refusedConnectionsBackOff();
    void textfileNeverHalfWritten();
};

void TestExporter::escapingAndNumbers_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("quote and backslash")
        << QStringLiteral("a\"b\\c")
        << QByteArray(
               R"(senvaro_station_info{ap="127.0.1.1",mac_address="00:11:22:33:44:55",name="a\"b\\c",)");
    QTest::newRow("line feed")
        << QStringLiteral("x\ny")
        << QByteArray(R"(senvaro_station_info{ap="127.0.1.1",mac_address="00:11:22:33:44:55",name="x\ny",)");
    QTest::newRow("braces and equals stay")
        << QStringLiteral("}{=,")
        << QByteArray(R"(senvaro_station_info{ap="127.0.1.1",mac_address="00:11:22:33:44:55",name="}{=,",)");
    QTest::newRow("umlaut as UTF-8")
        << QStringLiteral("Büro")
        << QByteArray("senvaro_station_info{ap=\"127.0.1.1\",mac_address=\"00:11:22:33:44:55\","
                      "name=\"B\xc3\xbcro\",");
}

void TestExporter::escapingAndNumbers()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, line);
    // A German default locale must not turn the points into commas.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    ApSample a;
    a.ap = QStringLiteral("127.0.1.1");
    a.up = true;
    a.stationCount = 1;
    StationSample s;
    s.mac = QStringLiteral("00:11:22:33:44:55");
    s.name = name;
    s.rxPerCent = 62.5;
    s.ackPerCent = 33.333333333333336;
    s.rateMbps = 5.5;
    a.stations << s;
    const QByteArray text = renderExposition({a});
    QLocale::setDefault(QLocale::c());
    QVERIFY2(text.contains(line), text.constData());
    QVERIFY2(text.contains("} 0.625\n"), text.constData());
    QVERIFY2(text.contains("} 0.33333333333333337\n"), text.constData());
    QVERIFY2(text.contains("} 5500000\n"), text.constData());
}

void TestExporter::expositionPassesPromtool()
{
    if (QStandardPaths::findExecutable(QStringLiteral("promtool")).isEmpty())
        QSKIP("promtool is not installed (Debian package prometheus)");
    ApSample up;
    up.ap = QStringLiteral("127.0.1.1");
    up.up = true;
    up.firmware = QStringLiteral("v2.50 \"beta\"");
    up.stationCount = 3;
    up.lastSuccessMs = wallMs;
    up.answered = 7;
    const QStringList hostile{QStringLiteral("a\"b\\c\nd"), QStringLiteral("\\"),
                              QStringLiteral("Büro 3 {x=\"1\"}")};
    for (int i = 0; i < hostile.size(); ++i) {
        StationSample s;
        s.mac = QStringLiteral("00:11:22:33:44:5%1").arg(i);
        s.name = hostile[i];
        s.mode = QStringLiteral("11g");
        s.rxPerCent = 40;
        s.ackPerCent = 100;
        s.rateMbps = 54;
        up.stations << s;
    }
    ApSample down;
    down.ap = QStringLiteral("127.0.1.2");
    down.noAnswer = 2;
    // Parsed cleanly (a parse error is status 1); the one lint remark is about the rate's
    // name, which follows the Wi-Fi exporters' bits per second on purpose.
    QCOMPARE(promtoolComplaint(renderExposition({up, down})),
             QStringLiteral("status 3: senvaro_station_receive_rate_bits_per_second use base unit \"bytes\" "
                            "instead of \"bits\""));
    // One HELP and TYPE per family, even with no series in it.
    QCOMPARE(renderExposition({down}).count("# TYPE "), 9);
    // The checker itself catches a broken escape (else the check above proves nothing).
    QVERIFY(!promtoolComplaint("# HELP x y\n# TYPE x gauge\nx{name=\"a\"b\"} 1\n").isEmpty());
}

void TestExporter::watchedAddresses_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<QStringList>("records"); // "IP|ist_AP"
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("server and access points, each once")
        << QStringLiteral("127.0.1.1")
        << QStringList{QStringLiteral("127.0.1.2|Wahr"), QStringLiteral("127.0.1.1|Wahr"),
                       QStringLiteral("127.0.1.3|Falsch"), QStringLiteral("127.0.1.2|Wahr")}
        << QStringList{QStringLiteral("127.0.1.1"), QStringLiteral("127.0.1.2")};
    QTest::newRow("invalid and empty addresses skipped")
        << QStringLiteral("(kein Eintrag)")
        << QStringList{QStringLiteral("|Wahr"), QStringLiteral("127.0.1.300|Wahr"),
                       QStringLiteral(" 127.0.1.4 |Wahr")}
        << QStringList{QStringLiteral("127.0.1.4")};
    QTest::newRow("only the word Wahr marks an access point")
        << QString() << QStringList{QStringLiteral("127.0.1.5|wahr"), QStringLiteral("127.0.1.6|True")}
        << QStringList{};
}

void TestExporter::watchedAddresses()
{
    QFETCH(QString, server);
    QFETCH(QStringList, records);
    QFETCH(QStringList, expected);
    Settings s;
    s.ip = server;
    s.clients.setUpperBound(int(records.size()));
    for (int i = 0; i < records.size(); ++i) {
        const QStringList f = records[i].split(QLatin1Char('|'));
        s.clients[i + 1].IP = f[0];
        s.clients[i + 1].ist_AP = f[1];
    }
    QCOMPARE(::watchedAddresses(s), expected);
}

void TestExporter::pollCycle_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("ms");
    QTest::newRow("whole seconds") << QStringLiteral("2") << 2000;
    QTest::newRow("fraction with point") << QStringLiteral("0.5") << 500;
    QTest::newRow("largest") << QStringLiteral("65.535") << 65535;
    QTest::newRow("too long") << QStringLiteral("66") << 0;
    QTest::newRow("zero never polls") << QStringLiteral("0") << 0;
    QTest::newRow("no number") << QStringLiteral("schnell") << 0;
}

void TestExporter::pollCycle()
{
    QFETCH(QString, text);
    QFETCH(int, ms);
    QCOMPARE(pollCycleMs(text), ms);
}

void TestExporter::answeredPollFillsSeries()
{
    apsim::Options o;
    o.stations = apsim::makeStations(2);
    o.stations[1].rx = 16;
    o.stations[1].wlanMode = QStringLiteral("11b");
    o.stations[1].rxRate = 11;
    apsim::ApSim sim(o);
    QVERIFY(sim.listen(QHostAddress(QStringLiteral("127.0.7.1"))));
    auto clock = std::make_shared<SteppedClock>();
    auto cfg = config();
    cfg->known.setUpperBound(1);
    cfg->known[1].MAC = QStringLiteral("00:1B:11:A0:00:02");
    cfg->known[1].Name = QStringLiteral(" Lager \"Süd\" ");
    ApWatch w(QStringLiteral("127.0.7.1"), cfg, clock, [] { return wallMs; });
    QList<ApWatch::State> states;
    connect(&w, &ApWatch::stateChanged, [&](const QString &, ApWatch::State s) { states << s; });
    w.start();
    QVERIFY(stepUntil(
        *clock, [&] { return w.sample().up; }, 10000));
    const ApSample &a = w.sample();
    QCOMPARE(a.firmware, std::optional(QStringLiteral("v2.50")));
    QCOMPARE(a.stationCount, std::optional(2));
    QCOMPARE(a.stations.size(), 2);
    QCOMPARE(a.stations[1].mac, QStringLiteral("00:1B:11:A0:00:02"));
    QCOMPARE(a.stations[1].name, QStringLiteral("Lager \"Süd\""));
    QCOMPARE(a.stations[0].name, QStringLiteral("00:1B:11:A0:00:01")); // unknown: its MAC
    QCOMPARE(a.stations[1].rxPerCent, std::optional(25.0));            // 16 of 64
    QCOMPARE(a.stations[1].mode, QStringLiteral("11b"));
    QCOMPARE(a.stations[1].authentication, QStringLiteral("Shared Key"));
    QCOMPARE(a.stations[1].rateMbps, std::optional(11.0));
    QCOMPARE(a.lastSuccessMs, std::optional(wallMs));
    QCOMPARE(a.answered, quint64(1));
    QCOMPARE(states, QList<ApWatch::State>{ApWatch::State::LoggedIn});
    // The password went to the access point and nowhere into the text.
    QVERIFY(!renderExposition({a}).contains("admin"));

    // A station that leaves takes its series along.
    sim.options().stations.removeLast();
    QVERIFY(stepUntil(
        *clock, [&] { return w.sample().answered >= 3; }, 20000));
    QCOMPARE(w.sample().stations.size(), 1);
    QCOMPARE(w.sample().stationCount, std::optional(1));
    QVERIFY(!renderExposition({w.sample()}).contains("00:1B:11:A0:00:02"));
}

void TestExporter::silentAccessPointGoesDownAndComesBack()
{
    apsim::Options o;
    o.stations = apsim::makeStations(1);
    apsim::ApSim sim(o);
    QVERIFY(sim.listen(QHostAddress(QStringLiteral("127.0.7.2"))));
    auto clock = std::make_shared<SteppedClock>();
    ApWatch w(QStringLiteral("127.0.7.2"), config(2000), clock, [] { return wallMs; });
    QList<ApWatch::State> states;
    connect(&w, &ApWatch::stateChanged, [&](const QString &, ApWatch::State s) { states << s; });
    w.start();
    QVERIFY(stepUntil(
        *clock, [&] { return w.sample().up; }, 10000));

    sim.options().noReply = true;
    const qint64 silentFrom = clock->elapsedMs();
    QVERIFY(stepUntil(
        *clock, [&] { return !w.sample().up; }, 20000));
    // Three cycles of 2 s without an answer (give or take the poll in flight and a cycle).
    const qint64 took = clock->elapsedMs() - silentFrom;
    QVERIFY2(took >= 6000 && took <= 10000, QByteArray::number(took).constData());
    QCOMPARE(w.state(), ApWatch::State::NoAnswer);
    QCOMPARE(w.sample().noAnswer, quint64(1));
    QVERIFY(!w.sample().stationCount);
    QVERIFY(w.sample().stations.isEmpty());
    QVERIFY(waitUntil([&] { return sim.openConnections() == 0; }, 3000)); // dropped, not left hanging

    sim.options().noReply = false;
    QVERIFY(stepUntil(
        *clock, [&] { return w.sample().up; }, 15000));
    QCOMPARE(states, (QList<ApWatch::State>{ApWatch::State::LoggedIn, ApWatch::State::NoAnswer,
                                            ApWatch::State::LoggedIn}));
    QCOMPARE(w.retryDelayMs(), 2000);
}

void TestExporter::refusedConnectionsBackOff()
{
    // Nobody listens on this address: every attempt is refused at once.
    auto clock = std::make_shared<SteppedClock>();
    ApWatch w(QStringLiteral("127.0.7.3"), config(2000), clock, [] { return wallMs; });
    w.start();
    QVERIFY(waitUntil([&] { return w.sample().refused == 1; }, 3000));
    QCOMPARE(w.state(), ApWatch::State::Refused);
    const QList<qint64> waits{2000, 4000, 8000, 16000, 32000, 64000, 128000, 256000, 300000, 300000};
    for (int i = 0; i < waits.size(); ++i) {
        clock->advance(waits[i] - 1);
        QTest::qWait(20);
        QCOMPARE(w.sample().refused, quint64(i + 1)); // not yet
        clock->advance(1);
        QVERIFY2(waitUntil([&] { return w.sample().refused == quint64(i + 2); }, 3000),
                 QByteArray::number(i).constData());
    }
    QVERIFY(!w.sample().up);
}

void TestExporter::textfileNeverHalfWritten()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QStringList aps;
    for (int i = 1; i <= 200; ++i)
        aps << QStringLiteral("127.0.5.%1").arg(i % 250);
    Exporter e(aps, config(), std::make_shared<SteppedClock>(), [] { return wallMs; });
    e.setTextfileDir(dir.path());
    const QByteArray full = e.exposition();
    QVERIFY(full.size() > 20000);
    const QString path = dir.filePath(QStringLiteral("senvaro.prom"));
    std::atomic<bool> done = false;
    std::atomic<int> reads = 0, torn = 0;
    std::thread reader([&] {
        while (!done) {
            QFile f(path);
            if (!f.open(QIODevice::ReadOnly))
                continue;
            if (f.readAll() != full)
                ++torn;
            ++reads;
        }
    });
    QString error;
    bool allWritten = true;
    for (int i = 0; i < 300; ++i)
        allWritten = e.writeTextfile(&error) && allWritten;
    done = true;
    reader.join();
    QVERIFY2(allWritten, qPrintable(error));
    QVERIFY(reads > 0);
    QCOMPARE(torn.load(), 0);
    // No temporary file is left behind beside it.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("senvaro.prom")});
    // A folder that is not there is reported, in German.
    e.setTextfileDir(dir.filePath(QStringLiteral("fehlt")));
    QVERIFY(!e.writeTextfile(&error));
    QVERIFY2(error.startsWith(QStringLiteral("Textdatei ")), qPrintable(error));
}

QTEST_GUILESS_MAIN(TestExporter)
#include "tst_exporter.moc"
