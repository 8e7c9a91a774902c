// The exporter's own logic: the exposition text (promtool reads it in tst_exporter_e2e.sh),
// the access points a settings file names, one access point's watch on a stepped clock
// against the simulator, and the text file under a concurrent reader.

#include <QFile>
#include <QLocale>
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

std::shared_ptr<WatchConfig> config()
{
    auto c = std::make_shared<WatchConfig>();
    c->user = c->password = QStringLiteral("admin");
    c->cycleMs = 2000;
    return c;
}

// One access point's watch on a stepped clock, with the states it went through.
struct Watch
{
    std::shared_ptr<SteppedClock> clock = std::make_shared<SteppedClock>();
    ApWatch w;
    QList<ApWatch::State> states;
    Watch(const char *ip, std::shared_ptr<WatchConfig> cfg = config())
        : w(QString::fromLatin1(ip), cfg, clock, [] { return wallMs; })
    {
        QObject::connect(&w, &ApWatch::stateChanged,
                         [this](const QString &, ApWatch::State s) { states << s; });
        w.start();
    }
    bool stepUntil(const std::function<bool()> &pred) { return ::stepUntil(*clock, pred, 10000); }
};

} // namespace

class TestExporter : public QObject
{
    Q_OBJECT
private slots:
    // Names that need escaping and numbers under a German default locale: the text holds the
    // escapes, the ratios unrounded and the rate in bits per second.
    void exposition()
    {
        ApSample up;
        up.ap = QStringLiteral("127.0.1.1");
        up.up = true;
        up.firmware = QStringLiteral("v2.50 \"beta\"");
        up.stationCount = 3;
        up.lastSuccessMs = wallMs;
        up.answered = 7;
        // MAC, name, mode, authentication, encryption, rx, ack, rate
        for (const char *name : {"a\"b\\c\nd", "}{=,", "B\xc3\xbcro"}) {
            const QString mac = "00:11:22:33:44:5" + QString::number(up.stations.size());
            up.stations << StationSample{mac, QString::fromUtf8(name), "11g", "", "", 62.5, 100.0 / 3, 5.5};
        }
        ApSample down;
        down.ap = QStringLiteral("127.0.1.2");
        down.noAnswer = 2;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        // The maker's label escaped as the name's.
        const auto vendorOf = [&up](const QString &mac) {
            return up.stations.value(mac.right(1).toInt()).name;
        };
        const QByteArray text = renderExposition({up, down}, vendorOf);
        QLocale::setDefault(QLocale::c());
        const QByteArray info = "senvaro_station_info{ap=\"127.0.1.1\",mac_address=\"00:11:22:33:44:5";
        for (const QByteArray &want :
             {info + R"(0",name="a\"b\\c\nd",)", info + R"(1",name="}{=,",)",
              info + "2\",name=\"B\xc3\xbcro\",", QByteArray(",vendor=\"a\\\"b\\\\c\\nd\"} 1"),
              QByteArray(",vendor=\"B\xc3\xbcro\"} 1"), QByteArray("} 0.625\n"),
              QByteArray("} 0.33333333333333337\n"), QByteArray("} 5500000\n")})
            QVERIFY2(text.contains(want), text.constData());
        // One HELP and TYPE per family, even with no series in it.
        QCOMPARE(renderExposition({down}).count("# TYPE "), 9);
    }

    // The server and the access points, each once; invalid and empty addresses skipped; only
    // the word "Wahr" marks an access point.
    void watchedAddresses()
    {
        const QList<std::tuple<QString, QStringList, QStringList>> rows{
            // server, "IP|ist_AP", expected
            {"127.0.1.1",
             {"127.0.1.2|Wahr", "127.0.1.1|Wahr", "127.0.1.3|Falsch", "127.0.1.2|Wahr"},
             {"127.0.1.1", "127.0.1.2"}},
            {"(kein Eintrag)", {"|Wahr", "127.0.1.300|Wahr", " 127.0.1.4 |Wahr"}, {"127.0.1.4"}},
            {"", {"127.0.1.5|wahr", "127.0.1.6|True"}, {}}};
        for (const auto &[server, records, expected] : rows) {
            Settings s;
            s.ip = server;
            s.clients.setUpperBound(int(records.size()));
            for (int i = 0; i < records.size(); ++i)
                s.clients[i + 1] = {{}, {}, records[i].section('|', 0, 0), records[i].section('|', 1)};
            QCOMPARE(::watchedAddresses(s), expected);
        }
    }

    void pollCycle()
    {
        for (const auto &[text, ms] :
             {std::pair{"2", 2000}, {"0.5", 500}, {"65.535", 65535}, {"66", 0}, {"0", 0}, {"schnell", 0}})
            QVERIFY2(pollCycleMs(QString::fromLatin1(text)) == ms, text);
    }

    void answeredPollFillsSeries()
    {
        apsim::Options o;
        o.stations = apsim::makeStations(2);
        o.stations[1].rx = 16;
        o.stations[1].wlanMode = QStringLiteral("11b");
        o.stations[1].rxRate = 11;
        apsim::ApSim sim(o);
        QVERIFY(sim.listen(QHostAddress(QStringLiteral("127.0.7.1"))));
        auto cfg = config();
        cfg->known = knownClients({{"AC:ED:5C:00:00:02", " Lager \"Süd\" ", {}, {}}});
        Watch x("127.0.7.1", cfg);
        const ApWatch &w = x.w;
        QVERIFY(x.stepUntil([&] { return w.sample().up; }));
        const ApSample &a = w.sample();
        QCOMPARE(a.firmware, std::optional(QStringLiteral("v2.50")));
        QCOMPARE(a.stationCount, std::optional(2));
        QCOMPARE(a.stations.size(), 2);
        const StationSample &s = a.stations[1];
        QCOMPARE(
            QStringList({a.stations[0].name, s.mac, s.name, s.mode, s.authentication}),
            QStringList({"F0:18:98:00:00:01", "AC:ED:5C:00:00:02", "Lager \"Süd\"", "11b", "Shared Key"}));
        QCOMPARE(s.rxPerCent, std::optional(25.0)); // 16 of 64
        QCOMPARE(s.rateMbps, std::optional(11.0));
        QCOMPARE(a.lastSuccessMs, std::optional(wallMs));
        QCOMPARE(a.answered, quint64(1));
        QCOMPARE(x.states, QList<ApWatch::State>{ApWatch::State::LoggedIn});

        // A station that leaves takes its series along.
        sim.options().stations.removeLast();
        QVERIFY(x.stepUntil([&] { return w.sample().answered >= 3; }));
        QCOMPARE(w.sample().stations.size(), 1);
        QCOMPARE(w.sample().stationCount, std::optional(1));
        QVERIFY(!renderExposition({w.sample()}).contains("AC:ED:5C:00:00:02"));
    }

    void silentAccessPointGoesDownAndComesBack()
    {
        apsim::Options o;
        o.stations = apsim::makeStations(1);
        apsim::ApSim sim(o);
        QVERIFY(sim.listen(QHostAddress(QStringLiteral("127.0.7.2"))));
        Watch x("127.0.7.2");
        const ApWatch &w = x.w;
        QVERIFY(x.stepUntil([&] { return w.sample().up; }));

        sim.options().noReply = true;
        const qint64 silentFrom = x.clock->elapsedMs();
        QVERIFY(x.stepUntil([&] { return !w.sample().up; }));
        // Three cycles of 2 s without an answer (give or take the poll in flight and a cycle).
        const qint64 took = x.clock->elapsedMs() - silentFrom;
        QVERIFY2(took >= 6000 && took <= 10000, QByteArray::number(took).constData());
        QCOMPARE(w.state(), ApWatch::State::NoAnswer);
        QCOMPARE(w.sample().noAnswer, quint64(1));
        QVERIFY(!w.sample().stationCount && w.sample().stations.isEmpty());
        QVERIFY(waitUntil([&] { return sim.openConnections() == 0; }, 3000)); // dropped, not left hanging

        sim.options().noReply = false;
        QVERIFY(x.stepUntil([&] { return w.sample().up; }));
        QCOMPARE(x.states, (QList<ApWatch::State>{ApWatch::State::LoggedIn, ApWatch::State::NoAnswer,
                                                  ApWatch::State::LoggedIn}));
        QCOMPARE(w.retryDelayMs(), 2000);
    }

    void refusedConnectionsBackOff()
    {
        // Nobody listens on this address: every attempt is refused at once.
        Watch x("127.0.7.3");
        const ApWatch &w = x.w;
        QVERIFY(waitUntil([&] { return w.sample().refused == 1; }, 3000));
        QCOMPARE(w.state(), ApWatch::State::Refused);
        const QList<qint64> waits{2000, 4000, 8000, 16000, 32000, 64000, 128000, 256000, 300000, 300000};
        for (int i = 0; i < waits.size(); ++i) {
            x.clock->advance(waits[i] - 1);
            QTest::qWait(20);
            QCOMPARE(w.sample().refused, quint64(i + 1)); // not yet
            x.clock->advance(1);
            QVERIFY2(waitUntil([&] { return w.sample().refused == quint64(i + 2); }, 3000),
                     QByteArray::number(i).constData());
        }
        QVERIFY(!w.sample().up);
    }

    void textfileNeverHalfWritten()
    {
        QTemporaryDir dir;
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
        int written = 0;
        for (int i = 0; i < 100; ++i)
            written += e.writeTextfile(&error);
        done = true;
        reader.join();
        QVERIFY2(written == 100, qPrintable(error));
        QVERIFY(reads > 0);
        QCOMPARE(torn.load(), 0);
        // A folder that is not there is reported, in German.
        e.setTextfileDir(dir.filePath(QStringLiteral("fehlt")));
        QVERIFY(!e.writeTextfile(&error));
        QVERIFY2(error.startsWith(QStringLiteral("Textdatei ")), qPrintable(error));
    }
};

QTEST_GUILESS_MAIN(TestExporter)
#include "tst_exporter.moc"
