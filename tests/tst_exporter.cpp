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
#include "exporter/coalescingclock.h"
#include "exporter/exporter.h"
#include "logicsupport.h"
#include "monitor/stationmonitor.h"

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
            up.stations << StationSample{mac, QString::fromUtf8(name), "11g", "", "", 62.5, 100.0 / 3, 5.5,
                                         {}};
        }
        ApSample down;
        down.ap = QStringLiteral("127.0.1.2");
        down.noAnswer = 2;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        // The maker's label escaped as the name's.
        const auto vendorOf = [&up](const QString &mac) {
            return up.stations.value(mac.right(1).toInt()).name;
        };
        const QByteArray text = renderExposition({up, down}, {}, vendorOf);
        QLocale::setDefault(QLocale::c());
        const QByteArray info = "senvaro_station_info{ap=\"127.0.1.1\",mac_address=\"00:11:22:33:44:5";
        for (const QByteArray &want :
             {info + R"(0",name="a\"b\\c\nd",)", info + R"(1",name="}{=,",)",
              info + "2\",name=\"B\xc3\xbcro\",", QByteArray(",vendor=\"a\\\"b\\\\c\\nd\"} 1"),
              QByteArray(",vendor=\"B\xc3\xbcro\"} 1"), QByteArray("} 0.625\n"),
              QByteArray("} 0.33333333333333337\n"), QByteArray("} 5500000\n")})
            QVERIFY2(text.contains(want), text.constData());
        // One HELP and TYPE per family, even with no series in it.
        QCOMPARE(renderExposition({down}).count("# TYPE "), 15);
    }

    // A renderer that keeps the lines of what did not change gives, after every kind of
    // change, the text a fresh one gives (each step changes that text).
    void renderedAgainOnlyWhatChanged()
    {
        QList<ApSample> aps(2);
        for (qsizetype i = 0; i < aps.size(); ++i) {
            ApSample &a = aps[i];
            a.ap = "127.0.1." + QString::number(i + 1);
            a.up = true;
            a.firmware = QStringLiteral("v2.50");
            a.stationCount = 2;
            a.lastSuccessMs = wallMs;
            a.pollDurationMs = 40;
            for (const char *mac : {"00:11:22:33:44:50", "00:11:22:33:44:51"})
                a.stations << StationSample{mac, mac, "11g", "Open System", "Off", 40, 32, 54, wallMs};
        }
        QList<DeviceSample> devices{{"00:11:22:33:44:50", "present", 0}, {"00:11:22:33:44:51", "absent", 1}};
        QString maker = QStringLiteral("Maker");
        const VendorOf vendorOf = [&maker](const QString &) { return maker; };
        // A changing access point's changing station (a reference taken anew: the renderer
        // holds a copy of the list).
        const auto st = [&aps]() -> StationSample & { return aps[1].stations[1]; };
        const std::pair<const char *, std::function<void()>> steps[] = {
            {"up", [&] { aps[0].up = false; }},
            {"firmware", [&] { aps[1].firmware = QStringLiteral("v2.51"); }},
            {"name", [&] { aps[1].name = QStringLiteral("Flur"); }},
            {"station count", [&] { aps[1].stationCount = 3; }},
            {"receive signal", [&] { st().rxPerCent = 41; }},
            {"ack signal", [&] { st().ackPerCent.reset(); }},
            {"rate", [&] { st().rateMbps = 11; }},
            {"connected since", [&] { st().connectedSinceMs = wallMs + 1000; }},
            {"station name", [&] { st().name = QStringLiteral("Büro"); }},
            {"mode", [&] { st().mode = QStringLiteral("11b"); }},
            {"authentication", [&] { st().authentication = QStringLiteral("WPA"); }},
            {"encryption", [&] { st().encryption = QStringLiteral("AES"); }},
            {"vendor", [&] { maker = QStringLiteral("Other"); }},
            {"joins", [&] { aps[1].joins = 1; }},
            {"leaves", [&] { aps[1].leaves = 1; }},
            {"last success", [&] { aps[1].lastSuccessMs = wallMs + 2000; }},
            {"poll duration", [&] { aps[1].pollDurationMs = 41; }},
            {"answered", [&] { aps[1].answered = 1; }},
            {"unreadable", [&] { aps[1].unreadable = 1; }},
            {"station address", [&] { aps[0].stations[0].mac = QStringLiteral("00:11:22:33:44:52"); }},
            {"station gone", [&] { aps[0].stations.removeLast(); }},
            {"address", [&] { aps[0].ap = QStringLiteral("127.0.1.9"); }},
            {"device state", [&] { devices[1].state = "unknown"; }},
            {"roams", [&] { devices[0].roams = 2; }},
            {"device address", [&] { devices[1].mac = QStringLiteral("00:11:22:33:44:53"); }},
            {"device gone", [&] { devices.removeFirst(); }},
            {"access point gone", [&] { aps.removeFirst(); }},
        };
        ExpositionRenderer renderer;
        QByteArray before = renderer.render(aps, devices, vendorOf);
        QCOMPARE(before, renderExposition(aps, devices, vendorOf));
        for (const auto &[what, change] : steps) {
            change();
            const QByteArray fresh = renderExposition(aps, devices, vendorOf);
            QVERIFY2(fresh != before, what);
            QVERIFY2(renderer.render(aps, devices, vendorOf) == fresh, what);
            before = fresh;
        }
    }

    // The exporter's clock on real time: timers due close together fire in one wake-up, none
    // fires early, a tick keeps the timer's schedule (a late one does not push the next),
    // equal times fire in the order the timers were made, and a timer a handler deletes or
    // stops does not fire.
    void coalescingClock()
    {
        CoalescingClock clock(25);
        QObject owner;
        QList<WinTimer *> spread;
        int ticks = 0;
        bool early = false;
        for (int i = 0; i < 40; ++i) {
            WinTimer *t = clock.createTimer(100 + i, &owner);
            const qint64 start = clock.elapsedMs();
            connect(t, &WinTimer::timeout, &owner, [&clock, &ticks, &early, t, start, n = 0]() mutable {
                ++n;
                ++ticks;
                early = early || clock.elapsedMs() < start + n * t->interval();
            });
            t->setEnabled(true);
            spread << t;
        }
        // Created and started in this order, all due at the same time.
        QStringList order;
        WinTimer *first = clock.createTimer(500, &owner);
        WinTimer *second = clock.createTimer(500, &owner);
        WinTimer *deleted = clock.createTimer(500, &owner);
        WinTimer *stopped = clock.createTimer(500, &owner);
        qint64 base = 0;
        QList<qint64> schedule; // where the first timer's next tick stands after each tick
        connect(first, &WinTimer::timeout, &owner, [&] {
            order << "first";
            schedule << first->dueMs() - base;
            delete deleted;
            deleted = nullptr;
        });
        connect(second, &WinTimer::timeout, &owner, [&] {
            order << "second";
            stopped->setEnabled(false);
        });
        connect(deleted, &WinTimer::timeout, &owner, [&] { order << "deleted"; });
        connect(stopped, &WinTimer::timeout, &owner, [&] { order << "stopped"; });
        for (WinTimer *t : {first, second, deleted, stopped})
            t->setEnabled(true);
        base = first->dueMs() - 500;
        const quint64 wakeUpsBefore = clock.wakeUps();
        QTRY_VERIFY_WITH_TIMEOUT(schedule.size() >= 3, 10000);
        for (WinTimer *t : std::as_const(spread))
            t->setEnabled(false);
        QVERIFY(!early);
        QCOMPARE(order.mid(0, 3), QStringList({"first", "second", "first"}));
        QCOMPARE(schedule.mid(0, 3), QList<qint64>({1000, 1500, 2000}));
        // 40 timers of 100 to 139 ms tick about 600 times in this time; on their own they
        // would wake the loop as often.
        QVERIFY2(
            ticks > 200 && clock.wakeUps() - wakeUpsBefore < quint64(ticks) / 3,
            qPrintable(
                QStringLiteral("%1 ticks, %2 wake-ups").arg(ticks).arg(clock.wakeUps() - wakeUpsBefore)));
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
            s.clients.resize(int(records.size()));
            for (int i = 0; i < records.size(); ++i)
                s.clients[i] = {{}, {}, records[i].section('|', 0, 0), records[i].section('|', 1)};
            QCOMPARE(::watchedAddresses(s), expected);
        }
    }

    // --share K/N: exporter K of N takes every N-th address from the K-th on; together the
    // shares cover the list once. Anything but 1 <= K <= N is refused.
    void shareSplitsTheList()
    {
        QStringList all;
        for (int i = 1; i <= 7; ++i)
            all << QStringLiteral("127.0.1.%1").arg(i);
        int k = 0;
        int n = 0;
        QVERIFY(parseShare(QStringLiteral("2/3"), &k, &n));
        QCOMPARE(std::pair(k, n), std::pair(2, 3));
        QCOMPARE(shareOf(all, k, n), QStringList({"127.0.1.2", "127.0.1.5"}));
        QCOMPARE(shareOf(all, 1, 3), QStringList({"127.0.1.1", "127.0.1.4", "127.0.1.7"}));
        QCOMPARE(shareOf(all, 1, 1), all);
        QCOMPARE(shareOf(all, 8, 8), QStringList());
        QStringList joined;
        for (int part = 1; part <= 3; ++part)
            joined += shareOf(all, part, 3);
        joined.sort();
        QCOMPARE(joined, all);
        for (const char *bad : {"0/2", "3/2", "1", "1/0", "-1/2", "a/b", "1/2/3", "", "/2", "1/"}) {
            k = n = 7;
            QVERIFY2(!parseShare(QString::fromLatin1(bad), &k, &n), bad);
            QCOMPARE(std::pair(k, n), std::pair(7, 7));
        }
    }

    // Devices in MAC order at every scrape, also after devices came between scrapes.
    void devicesStaySortedBetweenScrapes()
    {
        Exporter exporter({}, config(), std::make_shared<SteppedClock>(), [] { return wallMs; });
        const auto macsInText = [&] {
            QStringList macs;
            for (const QByteArray &line : exporter.exposition().split('\n')) {
                if (line.startsWith("senvaro_station_roams_total{"))
                    macs << QString::fromLatin1(line).section(QLatin1Char('"'), 1, 1);
            }
            return macs;
        };
        const auto station = [](const char *mac) {
            StationValue v;
            v.mac = v.name = QString::fromLatin1(mac);
            return v;
        };
        exporter.monitor().evaluated(QStringLiteral("127.0.1.1"), {station("F0:00:00:00:00:02")});
        QCOMPARE(macsInText(), QStringList({"F0:00:00:00:00:02"}));
        exporter.monitor().evaluated(QStringLiteral("127.0.1.2"),
                                     {station("F0:00:00:00:00:03"), station("00:00:00:00:00:01")});
        QCOMPARE(macsInText(), QStringList({"00:00:00:00:00:01", "F0:00:00:00:00:02", "F0:00:00:00:00:03"}));
        // The same device, written in lower case by its access point now, sorts after the others.
        exporter.monitor().evaluated(QStringLiteral("127.0.1.1"), {station("f0:00:00:00:00:02")});
        QCOMPARE(macsInText(), QStringList({"00:00:00:00:00:01", "F0:00:00:00:00:03", "f0:00:00:00:00:02"}));
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
        QVERIFY(stepUntil(*x.clock, [&] { return w.sample().up; }));
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
        QVERIFY(stepUntil(*x.clock, [&] { return w.sample().answered >= 3; }));
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
        QVERIFY(stepUntil(*x.clock, [&] { return w.sample().up; }));

        sim.options().noReply = true;
        const qint64 silentFrom = x.clock->elapsedMs();
        QVERIFY(stepUntil(*x.clock, [&] { return !w.sample().up; }));
        // The session's rule: three cycles, never under 10 s (give or take the poll in flight and a cycle).
        const qint64 took = x.clock->elapsedMs() - silentFrom;
        QVERIFY2(took >= 10000 && took <= 14000, QByteArray::number(took).constData());
        QCOMPARE(w.state(), ApWatch::State::NoAnswer);
        QCOMPARE(w.sample().noAnswer, quint64(1));
        QVERIFY(!w.sample().stationCount && w.sample().stations.isEmpty());
        QVERIFY(waitUntil([&] { return sim.openConnections() == 0; }, 3000)); // dropped, not left hanging

        sim.options().noReply = false;
        QVERIFY(stepUntil(*x.clock, [&] { return w.sample().up; }));
        QCOMPARE(x.states, (QList<ApWatch::State>{ApWatch::State::LoggedIn, ApWatch::State::NoAnswer,
                                                  ApWatch::State::LoggedIn}));
        QCOMPARE(w.retryDelayMs(), 2000);
    }

    // Nothing listens on port 23: retries grow to a minute, so an access point back after
    // an outage is seen within a minute. A refused login waits up to five, so the account
    // is not locked out.
    void retriesBackOff_data()
    {
        QTest::addColumn<bool>("listening");
        QTest::addColumn<QList<qint64>>("waits");
        QTest::newRow("closed port") << false
                                     << QList<qint64>{2000, 4000, 8000, 16000, 32000, 60000, 60000, 60000};
        QTest::newRow("wrong password")
            << true << QList<qint64>{2000, 4000, 8000, 16000, 32000, 64000, 128000, 256000, 300000, 300000};
    }
    void retriesBackOff()
    {
        QFETCH(bool, listening);
        QFETCH(QList<qint64>, waits);
        apsim::Options o;
        o.password = "richtig";
        apsim::ApSim sim(o);
        QVERIFY(!listening || sim.listen(QHostAddress(QStringLiteral("127.0.7.3"))));
        Watch x("127.0.7.3");
        const ApWatch &w = x.w;
        const auto failures = [&] { return listening ? w.sample().loginRefused : w.sample().connectFailed; };
        QVERIFY(stepUntil(
            *x.clock, [&] { return failures() == 1; }, 8000));
        QCOMPARE(w.state(), listening ? ApWatch::State::LoginRefused : ApWatch::State::ConnectFailed);
        for (int i = 0; i < waits.size(); ++i) {
            x.clock->advance(waits[i] - 1);
            QTest::qWait(5);
            QCOMPARE(failures(), quint64(i + 1)); // not yet
            x.clock->advance(1);
            // A refused port fails at once; a refused login after its few ticks.
            const auto next = [&] { return failures() == quint64(i + 2); };
            QVERIFY2(listening ? stepUntil(*x.clock, next, 2000) : waitUntil(next, 3000),
                     QByteArray::number(i).constData());
        }
        QVERIFY(!w.sample().up);
        QCOMPARE(w.sample().answered, quint64(0));
    }

    // The collector lists every station, however many; a reply it cannot read is no poll with
    // 0 stations; an access point back after a long outage is up again within a minute and
    // the login and poll that follow.
    void collectorFaults()
    {
        apsim::Options o;
        o.stations = apsim::makeStations(14);
        apsim::ApSim sim(o);
        const QHostAddress address(QStringLiteral("127.0.7.4"));
        QVERIFY(sim.listen(address));
        Watch x("127.0.7.4");
        const ApWatch &w = x.w;
        QVERIFY(stepUntil(*x.clock, [&] { return w.sample().up; }));
        QCOMPARE(w.sample().stationCount, std::optional(14));
        QCOMPARE(renderExposition({w.sample()}).count("senvaro_station_receive_signal_ratio{"), 14);

        sim.options().stationError = "ERROR: Invalid command";
        QVERIFY(stepUntil(
            *x.clock, [&] { return w.sample().unreadable >= 2; }, 10000));
        const quint64 answered = w.sample().answered;
        QVERIFY(w.sample().up);
        QCOMPARE(w.sample().stationCount, std::optional(14)); // what the last readable poll said
        QVERIFY(renderExposition({w.sample()})
                    .contains("senvaro_polls_total{ap=\"127.0.7.4\",result=\"unreadable\"} "));
        sim.options().stationError.clear();
        QVERIFY(stepUntil(
            *x.clock, [&] { return w.sample().answered > answered; }, 10000));

        // Ten minutes without anything on port 23.
        sim.stop();
        QVERIFY(stepUntil(
            *x.clock, [&] { return !w.sample().up; }, 30000));
        // Down is no "0 stations": the series is gone.
        QVERIFY(!renderExposition({w.sample()}).contains("senvaro_stations{"));
        x.clock->advance(10 * 60 * 1000);
        QVERIFY(waitUntil([&] { return w.retryDelayMs() == ApWatch::maxRetryMs; }, 3000));
        QVERIFY(sim.listen(address));
        const qint64 back = x.clock->elapsedMs();
        QVERIFY(stepUntil(
            *x.clock, [&] { return w.sample().up; }, 90000));
        // At most a minute's wait, the login's 19 ticks of 200 ms, one cycle and the evaluation.
        const qint64 took = x.clock->elapsedMs() - back;
        QVERIFY2(took <= 60000 + 3800 + 2000 + 1000 + 200, QByteArray::number(took).constData());
        QVERIFY(w.sample().connectFailed > 3);
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
