// Alerts from the evaluations and the access point's state, and their settings.

#include <QTemporaryDir>
#include <QtTest>

#include "config/alertsettings.h"
#include "config/inirw.h"
#include "logicsupport.h"
#include "monitor/alerts.h"
#include "monitor/record.h"
#include "monitor/stationmonitor.h"

namespace {

const QString kAnna = QStringLiteral("00:11:22:33:44:55");
const QString kPrinter = QStringLiteral("00:11:22:33:44:66");
const QString kStranger = QStringLiteral("AA:BB:CC:DD:EE:FF");
const QDateTime kStart = QDateTime(QDate(2026, 3, 1), QTime(12, 0), Qt::UTC);

const auto at = [](qint64 ms) { return kStart.addMSecs(ms); };
StationValue station(const QString &mac, const QString &name, bool known, std::optional<double> rx)
{
    StationValue v;
    v.mac = mac;
    v.name = name;
    v.known = known;
    v.rx = rx;
    return v;
}
const auto anna = [](double rx = 50) { return station(kAnna, "Laptop Anna", true, rx); };
const auto printer = [](double rx) { return station(kPrinter, "Drucker", true, rx); };
const auto stranger = [] { return station(kStranger, kStranger, false, 60.0); };

// The alerts of one access point's evaluations through the station monitor, on a stepped
// clock that starts at kStart's ms 0: its grace timer fires as the clock passes.
struct Monitored
{
    const QString ap = QStringLiteral("127.0.0.2");
    std::shared_ptr<SteppedClock> clock = std::make_shared<SteppedClock>();
    StationMonitor m{clock};
    QList<Alert> got;
    // Anna and the printer are known clients unless told (the monitor takes that from the records).
    explicit Monitored(const AlertSettings &s = AlertSettings(), bool known = true)
    {
        m.setHistoryEnabled(false);
        m.setAlertSettings(s);
        if (known)
            m.setKnownClients(
                knownClients({{kAnna, "Laptop Anna", {}, "Falsch"}, {kPrinter, "Drucker", {}, "Falsch"}}));
        m.watch(ap);
        QObject::connect(&m.alerts(), &AlertWatch::raised, [this](const Alert &a) { got << a; });
    }
    void to(qint64 ms) { clock->advance(qMax<qint64>(0, ms - clock->elapsedMs())); }
    void evaluate(qint64 ms, const QList<StationValue> &stations)
    {
        to(ms);
        m.evaluated(ap, stations);
    }
    void state(qint64 ms, StationMonitor::ApState s)
    {
        to(ms);
        m.setApState(ap, s);
    }
};

QString line(const Alert &a)
{
    return QStringLiteral("%1|%2|%3|%4|%5").arg(a.summary, a.body, a.category).arg(int(a.urgency)).arg(a.key);
}

// One letter per alert: L left, S stranger, W weak, R recovered, N no answer, C connection lost, B back.
QString letters(const QList<Alert> &alerts)
{
    QString out;
    for (const Alert &a : alerts)
        out += QStringLiteral("LSWRNCB").at(int(a.kind));
    return out;
}

} // namespace

class TestAlerts : public QObject
{
    Q_OBJECT

private slots:
    // Every kind of alert with its texts; the switches are walked through the window (tst_window_alerts).
    void scriptedSequence()
    {
        Monitored x;
        using S = StationMonitor::ApState;
        x.evaluate(0, {anna(), printer(50)});
        x.evaluate(2000, {printer(10)});          // Anna leaves ...
        x.evaluate(30000, {anna(), printer(10)}); // ... and is back within the grace period
        x.evaluate(32000, {printer(10)});         // leaves again; third weak level
        x.evaluate(40000, {printer(10), stranger()});
        x.to(92000); // exactly 60 s gone: not yet
        QCOMPARE(x.got.size(), 2);
        x.to(92001); // on time, by the monitor's own timer
        QCOMPARE(x.got.size(), 3);
        x.evaluate(93000, {printer(10), stranger()});
        x.to(200000);
        x.evaluate(201000, {printer(35), stranger()});
        x.state(202000, S::Answered);
        x.state(210000, S::Silent);
        x.state(220000, S::Silent);
        x.state(230000, S::Answered);
        x.evaluate(232000, {printer(35), stranger()});
        x.m.alerts().resetLogin();
        x.evaluate(240000, {printer(35), stranger()});

        QStringList lines;
        for (const Alert &a : x.got)
            lines << line(a);
        const QString strange =
            "Unbekannte Station|AA:BB:CC:DD:EE:FF ist nicht in der Liste der bekannten "
            "Clients und hat sich verbunden|network.connected|2|station/AA:BB:CC:DD:EE:FF";
        QCOMPARE(lines,
                 QStringList({"Schwaches Signal|Drucker (00:11:22:33:44:66): Empfangspegel 10 %, seit 3 "
                              "Auswertungen unter 20 %|network|1|station/00:11:22:33:44:66",
                              strange,
                              "Station getrennt|Laptop Anna (00:11:22:33:44:55) seit 60 s nicht mehr "
                              "verbunden|network.disconnected|1|station/00:11:22:33:44:55",
                              "Signal wieder gut|Drucker (00:11:22:33:44:66): Empfangspegel wieder 35 "
                              "%|network|1|station/00:11:22:33:44:66",
                              "Access Point antwortet nicht|Der Access Point 127.0.0.2 antwortet nicht "
                              "mehr|network.disconnected|2|accesspoint",
                              "Access Point antwortet wieder|Der Access Point 127.0.0.2 antwortet "
                              "wieder|network.connected|1|accesspoint",
                              strange}));
    }

    void gracePeriod_data()
    {
        QTest::addColumn<int>("grace");
        QTest::addColumn<int>("goneMs");
        QTest::addColumn<int>("returnMs"); // -1: never
        QTest::addColumn<bool>("known");
        QTest::addColumn<QString>("expected");
        QTest::newRow("return within") << 60 << 70000 << 59000 << true << "";
        QTest::newRow("exactly the grace") << 60 << 60000 << -1 << true << "";
        QTest::newRow("one ms longer") << 60 << 60001 << -1 << true << "L";
        QTest::newRow("return after the alert") << 60 << 61000 << 65000 << true << "L";
        QTest::newRow("grace 0") << 0 << 1 << -1 << true << "L";
        QTest::newRow("grace 300") << 300 << 299000 << -1 << true << "";
        QTest::newRow("unknown station") << 60 << 61000 << -1 << false << "";
    }

    void gracePeriod()
    {
        QFETCH(int, grace);
        QFETCH(int, goneMs);
        QFETCH(int, returnMs);
        QFETCH(bool, known);
        AlertSettings s;
        s.graceSeconds = grace;
        s.stranger = false;
        Monitored x(s, known);
        const StationValue anna = station(kAnna, "Laptop Anna", known, 50);
        x.evaluate(0, {anna});
        x.evaluate(1000, {});
        if (returnMs >= 0)
            x.evaluate(1000 + returnMs, {anna});
        x.to(1000 + goneMs);
        x.m.tick(); // never twice
        QTEST(letters(x.got), "expected");
    }

    void weakRow_data()
    {
        QTest::addColumn<QList<double>>("levels"); // -1: station absent, -2: no level in its block
        QTest::addColumn<QString>("expected");
        QTest::newRow("three low") << QList<double>{10, 19.5, 0} << "W";
        QTest::newRow("two low") << QList<double>{10, 10} << "";
        QTest::newRow("broken by a good level") << QList<double>{10, 10, 50, 10, 10} << "";
        QTest::newRow("broken by absence") << QList<double>{10, 10, -1, 10, 10} << "";
        QTest::newRow("missing level keeps the row") << QList<double>{10, 10, -2, 10} << "W";
        QTest::newRow("at the threshold is not below") << QList<double>{20, 20, 20, 20} << "";
        QTest::newRow("recovers once, fades again")
            << QList<double>{10, 10, 10, 10, 30, 30, 10, 10, 10} << "WRW";
        QTest::newRow("absent while weak, back strong") << QList<double>{10, 10, 10, -1, 40} << "WR";
    }

    void weakRow()
    {
        QFETCH(QList<double>, levels);
        QFETCH(QString, expected);
        AlertSettings s;
        s.stationLeft = false;
        AlertWatch w(s);
        QList<Alert> got;
        for (int i = 0; i < levels.size(); ++i) {
            StationValue st = anna(levels[i]);
            if (levels[i] == -2)
                st.rx.reset();
            got += w.evaluate(at(i * 2000), levels[i] == -1 ? QList<AlertStation>{}
                                                            : alertStations(QList<StationValue>{st}));
        }
        QCOMPARE(letters(got), expected);
    }

    void accessPoint_data()
    {
        using S = AlertWatch::ApState;
        QTest::addColumn<QList<S>>("states");
        QTest::addColumn<QString>("expected");
        QTest::newRow("first answer is no return") << QList<S>{S::Answering, S::Answering} << "";
        QTest::newRow("silent at start") << QList<S>{S::NoAnswer, S::Answering} << "NB";
        QTest::newRow("silent, then lost, then back")
            << QList<S>{S::Answering, S::NoAnswer, S::ConnectionLost, S::Answering} << "NCB";
        QTest::newRow("logout forgets")
            << QList<S>{S::Answering, S::ConnectionLost, S::Off, S::Answering} << "C";
    }

    void accessPoint()
    {
        QFETCH(QList<AlertWatch::ApState>, states);
        QFETCH(QString, expected);
        AlertWatch w;
        QList<Alert> got;
        for (AlertWatch::ApState s : states)
            got += w.setAccessPointState(s, kStart, QStringLiteral("127.0.0.3"));
        QCOMPARE(letters(got), expected);
    }

    // Every key read back as saved; back at the defaults, keys the file has keep being written
    // (a key is added only once changed: tst_window_alerts).
    void settingsFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Senvaro.ini"));
        AlertSettings s{false, false, false, false, 0, 100, 1000, true}, back;
        QString error;
        QVERIFY2(s.save(path, &error), qPrintable(error));
        QVERIFY(AlertSettings::load(path, &back, &error));
        QVERIFY(back == s);
        QVERIFY(AlertSettings().save(path, &error));
        QCOMPARE(readFile(path),
                 QByteArray("[Benachrichtigungen]\r\nStation getrennt=1\r\nunbekannte Station=1\r\n"
                            "schwaches Signal=1\r\nAccess Point antwortet nicht=1\r\n"
                            "Karenzzeit in Sekunden=60\r\nSchwelle in Prozent=20\r\n"
                            "Auswertungen in Folge=3\r\nbeim Minimieren in den Infobereich=0\r\n"));
    }

    void settingsBadValues_data()
    {
        QTest::addColumn<QByteArray>("section");
        QTest::addColumn<bool>("left");
        QTest::addColumn<int>("grace");
        QTest::addColumn<int>("threshold");
        QTest::addColumn<int>("count");
        QTest::newRow("in range, blanks")
            << QByteArray("station getrennt = 0 \nKarenzzeit in Sekunden= 45\nSchwelle in "
                          "Prozent=100\nAuswertungen in Folge=1")
            << false << 45 << 100 << 1;
        QTest::newRow("out of range")
            << QByteArray("Station getrennt=2\nKarenzzeit in Sekunden=-1\nSchwelle in "
                          "Prozent=101\nAuswertungen in Folge=0")
            << true << 60 << 20 << 3;
        QTest::newRow("no numbers") << QByteArray("Station getrennt=ja\nKarenzzeit in Sekunden=\nSchwelle in "
                                                  "Prozent=12abc\nAuswertungen in Folge=1001")
                                    << true << 60 << 20 << 3;
    }

    void settingsBadValues()
    {
        QFETCH(QByteArray, section);
        AlertSettings s = AlertSettings::read(INIRW::Document::parse("[benachrichtigungen]\n" + section));
        QTEST(s.stationLeft, "left");
        QTEST(s.graceSeconds, "grace");
        QTEST(s.thresholdPercent, "threshold");
        QTEST(s.weakCount, "count");
    }
};

QTEST_GUILESS_MAIN(TestAlerts)
#include "tst_alerts.moc"
