// Presence per device over the watched access points, on a stepped clock: short drop-outs,
// silence, logouts, known clients not yet heard of, and roams between two simulated access
// points watched by the exporter, with the series the exporter serves for them.

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "apsim.h"
#include "apsim_group.h"
#include "base/wintimer.h"
#include "exporter/exporter.h"
#include "logicsupport.h"
#include "monitor/stationmonitor.h"

namespace {

const QString kApA = QStringLiteral("127.0.8.1");
const QString kApB = QStringLiteral("127.0.8.2");
const QString kPhone = QStringLiteral("F0:18:98:AA:00:01");
const QString kGuest = QStringLiteral("02:11:A0:00:00:07");

StationValue value(const QString &mac, bool known = true)
{
    StationValue v;
    v.mac = mac;
    v.name = known ? QStringLiteral("Telefon") : mac;
    v.known = known;
    v.rx = 60;
    return v;
}

// One monitor with a known phone, on a clock at ms 0; events and alerts recorded.
struct Watched
{
    std::shared_ptr<SteppedClock> clock = std::make_shared<SteppedClock>();
    StationMonitor m{clock};
    QList<StationEvent> events;
    QList<Alert> alerts; // "Station getrennt"
    explicit Watched(const QStringList &aps = {kApA})
    {
        m.setHistoryEnabled(false);
        m.setKnownClients(knownClients({{kPhone, "Telefon", {}, "Falsch"}}));
        for (const QString &ap : aps)
            m.watch(ap);
        QObject::connect(&m, &StationMonitor::stationEvent, [this](const StationEvent &e) { events << e; });
        QObject::connect(&m.alerts(), &AlertWatch::raised, [this](const Alert &a) {
            if (a.kind == Alert::Kind::StationLeft)
                alerts << a;
        });
    }
    void to(qint64 ms) { clock->advance(qMax<qint64>(0, ms - clock->elapsedMs())); }
    void evaluate(qint64 ms, const QString &ap, const QList<StationValue> &stations)
    {
        to(ms);
        m.evaluated(ap, stations);
    }
    Presence presence(const QString &mac = kPhone) const { return m.device(mac)->presence; }
    QString kinds() const
    {
        QString out;
        for (const StationEvent &e : events)
            out += QStringLiteral("JLR").at(int(e.kind));
        return out;
    }
    qint64 startMs() const { return clock->currentDateTimeUtc().toMSecsSinceEpoch() - clock->elapsedMs(); }
};

// Two simulated access points watched by an exporter on a stepped clock; the phone is a
// known client, the second access point is named "Halle".
struct Campus
{
    apsim::ApSimGroup sims{apsim::Options(), false};
    std::shared_ptr<SteppedClock> clock = std::make_shared<SteppedClock>();
    std::shared_ptr<WatchConfig> config = [] {
        auto c = std::make_shared<WatchConfig>();
        c->user = c->password = QStringLiteral("admin");
        c->cycleMs = 2000;
        c->known = knownClients({{kPhone, "Telefon", {}, "Falsch"}, {"-", "Halle", kApB, "Wahr"}});
        return c;
    }();
    Exporter exporter{{kApA, kApB}, config, clock, [] { return qint64(0); }};
    const StationMonitor &m = exporter.monitor();
    bool listen() { return sims.listen({QHostAddress(kApA), QHostAddress(kApB)}); }
    bool control(const QString &line) { return sims.control(line).startsWith(QLatin1String("ok")); }
};

} // namespace

class TestStationMonitor : public QObject
{
    Q_OBJECT

private slots:
    // Missing from 5 replies in a row, 10 times, at a 2 s cycle: 10 s gaps against 60 s of grace.
    void shortDropOutsAreNoLeave()
    {
        Watched x;
        qint64 t = 0;
        x.evaluate(t, kApA, {value(kPhone)});
        const std::optional<qint64> since = x.m.device(kPhone)->sinceMs;
        QCOMPARE(since, std::optional(x.startMs()));
        for (int round = 0; round < 10; ++round) {
            for (int i = 0; i < 5; ++i) {
                x.evaluate(t += 2000, kApA, {});
                QCOMPARE(x.presence(), Presence::Present);
            }
            x.evaluate(t += 2000, kApA, {value(kPhone)});
        }
        x.to(t + 200000);
        QCOMPARE(x.kinds(), QStringLiteral("J"));
        QVERIFY(x.alerts.isEmpty());
        QCOMPARE(x.m.device(kPhone)->sinceMs, since);
        QCOMPARE(x.m.leaves(kApA), quint64(0));
    }

    // A station gone for longer than the grace period leaves once, on time, and comes back
    // as a new arrival with a new "connected since".
    void leaveAfterGrace()
    {
        Watched x;
        x.evaluate(0, kApA, {value(kPhone), value(kGuest, false)});
        x.evaluate(2000, kApA, {});
        x.to(62000);
        QCOMPARE(x.presence(), Presence::Present);
        x.to(62001);
        QCOMPARE(x.presence(), Presence::Absent);
        QCOMPARE(x.presence(kGuest), Presence::Absent);
        QCOMPARE(x.kinds(), QStringLiteral("JJLL"));
        QCOMPARE(x.alerts.size(), 1); // only the known one is reported
        QCOMPARE(x.alerts[0].summary, QStringLiteral("Station getrennt"));
        QCOMPARE(x.m.leaves(kApA), quint64(2));
        QVERIFY(!x.m.device(kPhone)->sinceMs);
        x.evaluate(70000, kApA, {value(kPhone)});
        QCOMPARE(x.kinds(), QStringLiteral("JJLLJ"));
        QCOMPARE(x.m.device(kPhone)->sinceMs, std::optional(x.startMs() + 70000));
        QCOMPARE(x.m.joins(kApA), quint64(3));
    }

    // While its access point cannot be asked, a present station is unknown, never absent; the
    // grace period starts when the access point answers without it. One already left out
    // before the silence keeps its grace period. A logout ends the watch: nothing is reported
    // until a new login's answers say so.
    void silenceAndLogout_data()
    {
        QTest::addColumn<int>("state");      // StationMonitor::ApState
        QTest::addColumn<bool>("leftFirst"); // the phone was left out before the state changed
        QTest::addColumn<QString>("expected");
        using S = StationMonitor::ApState;
        // Presence and alerts so far at 3 min, then after a new answer without the phone at
        // 200 s: at the end of the grace period it started, and 1 ms later.
        QTest::newRow("silent") << int(S::Silent) << false << "U0 P0 A1";
        QTest::newRow("connection lost") << int(S::Lost) << false << "U0 P0 A1";
        QTest::newRow("login refused") << int(S::Refused) << false << "U0 P0 A1";
        QTest::newRow("left, then silent") << int(S::Silent) << true << "A1 A1 A1";
        QTest::newRow("logout") << int(S::Off) << false << "U0 P0 A1";
        QTest::newRow("left, then logout") << int(S::Off) << true << "U0 P0 A1";
    }
    void silenceAndLogout()
    {
        QFETCH(int, state);
        QFETCH(bool, leftFirst);
        Watched x;
        x.evaluate(0, kApA, {value(kPhone)});
        if (leftFirst)
            x.evaluate(2000, kApA, {});
        x.to(4000);
        x.m.setApState(kApA, StationMonitor::ApState(state));
        const auto letter = [&] {
            return QStringLiteral("PAU").at(int(x.presence())) + QString::number(x.alerts.size());
        };
        QString seen;
        x.to(180000);
        seen += letter();
        if (StationMonitor::ApState(state) == StationMonitor::ApState::Off)
            x.m.watch(kApA);
        x.evaluate(200000, kApA, {});
        x.to(260000);
        seen += QLatin1Char(' ') + letter();
        x.to(260001);
        seen += QLatin1Char(' ') + letter();
        QTEST(seen, "expected");
    }

    // Two stations that left at different times before the access point fell silent are each
    // reported when their own grace period ends: the timer is armed for the earliest end and
    // armed again after it fired.
    void graceEndsWhileSilent()
    {
        Watched x;
        const QString kLaptop = QStringLiteral("AC:ED:5C:00:00:02");
        x.m.setKnownClients(
            knownClients({{kPhone, "Telefon", {}, "Falsch"}, {kLaptop, "Laptop", {}, "Falsch"}}));
        QList<qint64> reported;
        QObject::connect(&x.m.alerts(), &AlertWatch::raised, [&](const Alert &a) {
            if (a.kind == Alert::Kind::StationLeft)
                reported << x.clock->elapsedMs();
        });
        x.evaluate(0, kApA, {value(kPhone), value(kLaptop)});
        x.evaluate(2000, kApA, {value(kLaptop)});
        x.evaluate(10000, kApA, {});
        x.to(12000);
        x.m.setApState(kApA, StationMonitor::ApState::Silent);
        x.to(120000);
        QCOMPARE(reported, (QList<qint64>{62001, 70001}));
    }

    // A known client nobody has listed is unknown until every watched access point answered.
    void knownClientNotHeardOf()
    {
        Watched x({kApA, kApB});
        QCOMPARE(x.presence(), Presence::Unknown);
        x.evaluate(1000, kApA, {});
        QCOMPARE(x.presence(), Presence::Unknown);
        x.evaluate(2000, kApB, {});
        QCOMPARE(x.presence(), Presence::Absent);
        QVERIFY(x.events.isEmpty() && x.alerts.isEmpty());
    }

    // A listed station whose address belongs to an access point's record (a repeater) is no
    // known client: the clients page names it, but presence and its outputs treat it as any
    // other station.
    void accessPointRecordIsNoKnownClient()
    {
        Watched x;
        const QString repeater = QStringLiteral("F0:18:98:AA:00:09");
        x.m.setKnownClients(
            knownClients({{kPhone, "Telefon", {}, "Falsch"}, {repeater, "Repeater", kApB, "Wahr"}}));
        x.evaluate(1000, kApA, {value(repeater), value(kPhone)});
        QCOMPARE(x.events.size(), 2);
        QVERIFY(!x.events[0].known && !x.m.device(repeater)->known);
        QVERIFY(x.events[1].known && x.m.device(kPhone)->known);
    }

    // 20 moves between two simulated access points, each within the grace period: 20 roams,
    // present all along, no leave, one arrival; the exporter's series count them.
    void roamsBetweenAccessPoints()
    {
        Campus c;
        QVERIFY(c.listen());
        auto &sims = c.sims;
        auto &clock = c.clock;
        Exporter &exporter = c.exporter;
        QList<StationEvent> events;
        connect(&exporter.monitor(), &StationMonitor::stationEvent,
                [&](const StationEvent &e) { events << e; });
        QStringList log;
        connect(&exporter, &Exporter::logLine, [&](const QString &line) { log << line; });
        exporter.start();

        const StationMonitor &m = exporter.monitor();
        QVERIFY(sims.control("join " + kPhone + ' ' + kApA).startsWith("ok"));
        QVERIFY(stepUntil(
            *clock, [&] { return m.device(kPhone) && m.device(kPhone)->ap == kApA; }, 20000));
        const std::optional<qint64> since = m.device(kPhone)->sinceMs;
        for (int i = 0; i < 20; ++i) {
            const QString to = i % 2 ? kApA : kApB;
            QVERIFY(sims.control("join " + kPhone + ' ' + to).startsWith("ok"));
            QVERIFY2(stepUntil(
                         *clock, [&] { return m.device(kPhone)->ap == to; }, 20000),
                     QByteArray::number(i).constData());
            QCOMPARE(m.device(kPhone)->presence, Presence::Present);
        }
        QCOMPARE(m.device(kPhone)->roams, quint64(20));
        QCOMPARE(m.device(kPhone)->sinceMs, since);
        int roams = 0;
        for (const StationEvent &e : events)
            roams += e.kind == StationEvent::Kind::Roamed;
        QCOMPARE(roams, 20);
        QCOMPARE(events.size(), 21); // the one arrival and the roams
        QCOMPARE(m.leaves(kApA) + m.leaves(kApB), quint64(0));
        QVERIFY(log.contains(
            QStringLiteral("Station Telefon (%1): gewechselt von %2 nach %3").arg(kPhone, kApB, kApA)));

        const QByteArray text = exporter.exposition();
        for (const QByteArray &want :
             {"senvaro_station_roams_total{mac_address=\"" + kPhone.toLatin1() + "\"} 20",
              "senvaro_station_presence{mac_address=\"" + kPhone.toLatin1() + "\",state=\"present\"} 1",
              "senvaro_station_presence{mac_address=\"" + kPhone.toLatin1() + "\",state=\"absent\"} 0",
              QByteArray("senvaro_station_joins_total{ap=\"127.0.8.1\"} 1"),
              QByteArray("senvaro_station_leaves_total{ap=\"127.0.8.2\"} 0"),
              QByteArray("senvaro_ap_info{ap=\"127.0.8.2\",firmware=\"v2.50\",name=\"Halle\"} 1"),
              "senvaro_station_connected_since_timestamp_seconds{ap=\"127.0.8.1\",mac_address=\"" +
                  kPhone.toLatin1() + "\"} " + formatSampleValue(double(*since) / 1000)})
            QVERIFY2(text.contains(want), want.constData());

        // Its access point falls silent: unknown, and no state but "unknown" in the series.
        QVERIFY(sims.control("silent " + kApA).startsWith("ok"));
        QVERIFY(stepUntil(
            *clock, [&] { return m.device(kPhone)->presence == Presence::Unknown; }, 30000));
        QVERIFY(
            exporter.exposition().contains("mac_address=\"" + kPhone.toLatin1() + "\",state=\"unknown\"} 1"));
    }

    // Roams move a device from one access point's stations to the other's: a reply of the
    // old one no longer starts its grace period and its silence no longer makes it unknown.
    // A stranger that left is forgotten once it was last listed more than 24 hours ago, not
    // before.
    void devicesFollowTheirAccessPoint()
    {
        Watched x({kApA, kApB});
        x.evaluate(0, kApA, {value(kPhone), value(kGuest, false)});
        x.evaluate(1000, kApB, {value(kPhone)});
        x.evaluate(2000, kApA, {value(kGuest, false)});
        QCOMPARE(x.m.device(kPhone)->ap, kApB);
        QVERIFY(!x.m.device(kPhone)->goneSinceMs);
        x.m.setApState(kApA, StationMonitor::ApState::Silent);
        QCOMPARE(x.presence(), Presence::Present);
        QCOMPARE(x.presence(kGuest), Presence::Unknown);
        x.m.setApState(kApB, StationMonitor::ApState::Silent);
        QCOMPARE(x.presence(), Presence::Unknown);
        x.evaluate(3000, kApB, {});
        QVERIFY(x.m.device(kPhone)->goneSinceMs);
        x.evaluate(64000, kApB, {});
        QCOMPARE(x.presence(), Presence::Absent);
        QCOMPARE(x.kinds(), QStringLiteral("JJRL"));

        // The guest, unknown since A fell silent, is left out by A's next reply.
        x.evaluate(65000, kApA, {});
        x.evaluate(126000, kApA, {});
        QCOMPARE(x.presence(kGuest), Presence::Absent);
        x.evaluate(2000 + StationMonitor::kKeepMs, kApA, {});
        QVERIFY(x.m.device(kGuest));
        x.evaluate(2001 + StationMonitor::kKeepMs, kApA, {});
        QVERIFY(!x.m.device(kGuest));
        QVERIFY(x.m.device(kPhone)); // a known client stays
        // Back after being forgotten: a new arrival.
        x.evaluate(3000 + StationMonitor::kKeepMs, kApB, {value(kGuest, false)});
        QCOMPARE(x.presence(kGuest), Presence::Present);
        QCOMPARE(x.events.last().kind, StationEvent::Kind::Joined);
    }

    // The exporter runs the event program on arrivals, strangers, roams and an access point
    // that falls silent and answers again.
    void eventProgramsFromTheExporter()
    {
        Campus c;
        QVERIFY(c.listen());
        auto &sims = c.sims;
        auto &clock = c.clock;
        Exporter &exporter = c.exporter;
        QTemporaryDir dir;
        const QString out = dir.filePath(QStringLiteral("events"));
        const QString program = dir.filePath(QStringLiteral("program"));
        QVERIFY(writeFile(program,
                          "#!/bin/sh\necho \"$SENVARO_EVENT $SENVARO_MAC $SENVARO_AP $SENVARO_AP_NAME\" >>" +
                              out.toUtf8() + "\n"));
        QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner);
        exporter.setEventProgram(program);
        exporter.start();
        const StationMonitor &m = exporter.monitor();
        const auto lines = [&] { return QString::fromUtf8(readFile(out)).split('\n', Qt::SkipEmptyParts); };

        QVERIFY(sims.control("join " + kPhone + ' ' + kApA).startsWith("ok"));
        QVERIFY(sims.control("join " + kGuest + ' ' + kApA).startsWith("ok"));
        QVERIFY(stepUntil(
            *clock, [&] { return m.device(kGuest) && m.device(kPhone); }, 20000));
        QVERIFY(sims.control("join " + kPhone + ' ' + kApB).startsWith("ok"));
        QVERIFY(stepUntil(
            *clock, [&] { return m.device(kPhone)->ap == kApB; }, 20000));
        QVERIFY(sims.control("silent " + kApB).startsWith("ok"));
        QVERIFY(stepUntil(
            *clock, [&] { return m.device(kPhone)->presence == Presence::Unknown; }, 30000));
        QVERIFY(sims.control("answer " + kApB).startsWith("ok"));
        QVERIFY(stepUntil(
            *clock, [&] { return exporter.watches()[1]->sample().up; }, 90000));
        QVERIFY(waitUntil([&] { return lines().size() >= 5; }, 5000));
        QStringList got = lines();
        got.sort(); // programs run side by side and may finish in any order
        QCOMPARE(got, QStringList({"angekommen " + kPhone + ' ' + kApA + ' ', "ap_stumm  " + kApB + " Halle",
                                   "ap_wieder_da  " + kApB + " Halle", "fremd " + kGuest + ' ' + kApA + ' ',
                                   "gewechselt " + kPhone + ' ' + kApB + " Halle"}));
    }
};

QTEST_GUILESS_MAIN(TestStationMonitor)
#include "tst_stationmonitor.moc"
