// The signal history: events from a scripted sequence of evaluations, the 24-hour
// bound, and the CSV day log.

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <ctime>

#include "monitor/history.h"
#include "monitor/historylog.h"
#include "testsupport.h"

namespace {

const QDateTime T0(QDate(2026, 3, 1), QTime(12, 0, 0));

// "A=Anna B" -> samples for MACs A (named Anna) and B (named by its MAC).
QList<HistorySample> samples(const QString &script)
{
    QList<HistorySample> list;
    const QStringList parts = script.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        HistorySample s;
        s.mac = part.section(QLatin1Char('='), 0, 0);
        s.name = part.contains(QLatin1Char('=')) ? part.section(QLatin1Char('='), 1) : s.mac;
        s.rx = 50;
        s.ack = 25;
        s.rate = 54;
        s.mode = QStringLiteral("11g");
        list.append(s);
    }
    return list;
}

// "<evaluation number> <mac> <name> <word>"
QStringList eventTexts(const StationHistory &h)
{
    QStringList out;
    for (const HistoryEvent &e : h.events())
        out << QStringLiteral("%1 %2 %3 %4").arg(T0.msecsTo(e.time()) / 2000).arg(e.mac, e.name, e.word());
    return out;
}

} // namespace

class TestHistory : public QObject
{
    Q_OBJECT
private slots:
    // Local time an hour off UTC, so a time given in UTC must be written as local time.
    void initTestCase()
    {
        qputenv("TZ", "Europe/Berlin");
        tzset();
    }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void events_data()
    {
        QTest::addColumn<QStringList>("evaluations"); // one every 2 s
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<QString>("lines"); // MAC=name of every station at the end
        QTest::addColumn<int>("points");

        QTest::newRow("first evaluation connects everyone")
            << QStringList{"A=Anna B"} << QStringList{"0 A Anna verbunden", "0 B B verbunden"} << "A=Anna B=B"
            << 2;
        QTest::newRow("vanishes and returns")
            << QStringList{"A B", "A", "A", "A B"}
            << QStringList{"0 A A verbunden", "0 B B verbunden", "1 B B getrennt", "3 B B verbunden"}
            << "A=A B=B" << 6;
        QTest::newRow("renamed stays one station, line takes the latest name")
            << QStringList{"A=Anna", "A=Laptop", ""}
            << QStringList{"0 A Anna verbunden", "2 A Laptop getrennt"} << "A=Laptop" << 2;
        QTest::newRow("filtered out counts as gone")
            << QStringList{"A B=Bert", "A", "A B=Bert"}
            << QStringList{"0 A A verbunden", "0 B Bert verbunden", "1 B Bert getrennt", "2 B Bert verbunden"}
            << "A=A B=Bert" << 5;
        QTest::newRow("same MAC twice in one reply counts once")
            << QStringList{"A=Anna A=Zweit", "A=Anna"} << QStringList{"0 A Anna verbunden"} << "A=Anna" << 2;
        QTest::newRow("empty reply disconnects all, in order of first sight")
            << QStringList{"B A", ""}
            << QStringList{"0 B B verbunden", "0 A A verbunden", "1 B B getrennt", "1 A A getrennt"}
            << "B=B A=A" << 2;
    }
    void events()
    {
        QFETCH(QStringList, evaluations);
        QFETCH(QStringList, events);
        QFETCH(QString, lines);
        QFETCH(int, points);
        StationHistory h;
        QSignalSpy changed(&h, &StationHistory::changed);
        int returned = 0;
        for (int i = 0; i < evaluations.size(); ++i)
            returned += int(h.addEvaluation(T0.addSecs(2 * i), samples(evaluations[i])).size());
        QCOMPARE(eventTexts(h), events);
        QCOMPARE(returned, int(h.events().size()));
        QStringList shown;
        for (const StationHistory::Track &t : h.tracks())
            shown << t.mac + QLatin1Char('=') + t.name;
        QCOMPARE(shown.join(QLatin1Char(' ')), lines);
        QCOMPARE(int(h.pointCount()), points);
        QCOMPARE(changed.count(), evaluations.size());
    }

    void valuesAndClear()
    {
        StationHistory h;
        QList<HistorySample> s = samples("A");
        s[0].rx = 62.5;
        s[0].ack = 31.25;
        s[0].rate = 5.5;
        h.addEvaluation(T0, s);
        s[0].mode = QStringLiteral("11b");
        h.addEvaluation(T0.addSecs(2), s);
        s[0].mode = QStringLiteral("11g");
        h.addEvaluation(T0.addSecs(4), s);
        const auto &p = h.track("A")->points;
        QCOMPARE(p.size(), size_t(3));
        QCOMPARE(p[1].rx, 62.5f);
        QCOMPARE(p[1].ack, 31.25f);
        QCOMPARE(p[1].rate, 5.5f);
        QCOMPARE(h.modes(), QStringList({"11g", "11b"}));
        QCOMPARE(h.modes().value(p[2].mode), QString("11g"));

        const quint64 rev = h.revision();
        h.clear();
        QVERIFY(h.revision() > rev);
        QVERIFY(h.tracks().empty() && h.events().empty());
        QCOMPARE(h.eventSerial(), quint64(0));
        // After clear the next evaluation starts afresh: "verbunden" again.
        h.addEvaluation(T0.addSecs(6), samples("A"));
        QCOMPARE(eventTexts(h), QStringList({"3 A A verbunden"}));
    }

    // The clock is whatever the caller passes: 25 hours of samples every 10 minutes.
    void dayBound()
    {
        StationHistory h;
        h.addEvaluation(T0, samples("A B"));
        for (int i = 1; i <= 25 * 6; ++i)
            h.addEvaluation(T0.addSecs(600 * i), samples("A"));
        const qint64 last = T0.addSecs(600 * 150).toMSecsSinceEpoch();
        QCOMPARE(h.lastMs(), last);
        const StationHistory::Track *a = h.track("A");
        QVERIFY(a);
        QCOMPARE(a->points.front().ms, last - StationHistory::kKeepMs);
        QCOMPARE(a->points.size(), size_t(24 * 6 + 1));
        // B was seen once, 25 hours ago: it and its events are gone.
        QVERIFY(!h.track("B"));
        QCOMPARE(h.tracks().size(), size_t(1));
        QVERIFY(h.events().empty());
        QCOMPARE(h.eventSerial(), quint64(3));

        // The clock set back by an hour: recorded at the newest time, still sorted.
        h.addEvaluation(T0.addSecs(600 * 150 - 3600), samples("A"));
        QCOMPARE(a->points.back().ms, last);
        QCOMPARE(h.lastMs(), last);
    }

    void eventCap()
    {
        StationHistory h;
        const int n = StationHistory::kMaxEvents + 10;
        for (int i = 0; i < n; ++i)
            h.addEvaluation(T0.addMSecs(i), samples(i % 2 ? "" : "A"));
        QCOMPARE(h.events().size(), size_t(StationHistory::kMaxEvents));
        QCOMPARE(h.eventSerial(), quint64(n));
        QCOMPARE(h.events().back().ms, T0.addMSecs(n - 1).toMSecsSinceEpoch());
    }

    void csvLines_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("written"); // the name as written
        QTest::addColumn<QByteArray>("values");
        const QLocale german(QLocale::German, QLocale::Germany);
        QTest::newRow("German") << german << "Laptop Anna" << QByteArray("Laptop Anna")
                                << QByteArray("62,5;31,25;5,5");
        QTest::newRow("English") << QLocale(QLocale::English, QLocale::UnitedStates) << "Laptop Anna"
                                 << QByteArray("Laptop Anna") << QByteArray("62.5;31.25;5.5");
        QTest::newRow("Latin-1, separator and quote in a name are quoted")
            << german << QString::fromUtf8("Büro; \"hinten\"") << QByteArray("\"B\xfcro; \"\"hinten\"\"\"")
            << QByteArray("62,5;31,25;5,5");
    }
    void csvLines()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, name);
        QFETCH(QByteArray, written);
        QFETCH(QByteArray, values);
        const QByteArray start = "2026-03-01T12:03:17;";
        const QByteArray sample = start + "Messwert;00:11:22:33:44:55;" + written + ";" + values + ";11g\r\n";
        const QByteArray event = start + "getrennt;00:11:22:33:44:55;" + written + ";;;;\r\n";
        QLocale::setDefault(locale);
        QTemporaryDir dir;
        HistoryLog log(dir.path());
        const QDateTime t(QDate(2026, 3, 1), QTime(12, 3, 17));
        HistorySample s{"00:11:22:33:44:55", name, 62.5, 31.25, 5.5, "11g"};
        const HistoryEvent e{t.toMSecsSinceEpoch(), s.mac, s.name, false};
        QVERIFY(log.write(t, {s}, {e})); // off: nothing written
        QVERIFY(!QFile::exists(log.filePath(t.date())));
        log.setEnabled(true);
        QVERIFY(log.write(t, {s}, {e}));
        QCOMPARE(readFile(dir.filePath("SENVARO-Verlauf-2026-03-01.csv")),
                 HistoryLog::header().toLatin1() + sample + event);
        // The same moment given in UTC is written as the same local time.
        QVERIFY(log.write(t.toUTC(), {s}, {}));
        QVERIFY(readFile(dir.filePath("SENVARO-Verlauf-2026-03-01.csv")).endsWith(event + sample));
    }

    // Header once per new file, a file per day, appending after a restart.
    void csvFiles()
    {
        QTemporaryDir dir;
        const QDateTime late(QDate(2026, 3, 1), QTime(23, 59, 59));
        const QDateTime early(QDate(2026, 3, 2), QTime(0, 0, 1));
        const QList<HistorySample> two = samples("A B");
        const QByteArray header = HistoryLog::header().toLatin1();
        {
            HistoryLog log(dir.path());
            log.setEnabled(true);
            QVERIFY(log.write(late.addSecs(-2), two, {}));
            QVERIFY(log.write(late, two, {}));
            // An evaluation whose disconnect falls after midnight goes to both days.
            QVERIFY(
                log.write(late, two.mid(0, 1), {HistoryEvent{early.toMSecsSinceEpoch(), "B", "B", false}}));
        }
        {
            HistoryLog restarted(dir.path());
            restarted.setEnabled(true);
            QVERIFY(restarted.write(early.addSecs(2), two, {}));
            QVERIFY(restarted.write(late.addSecs(1), two.mid(0, 1), {}));
        }
        const QByteArray day1 = readFile(dir.filePath("SENVARO-Verlauf-2026-03-01.csv"));
        const QByteArray day2 = readFile(dir.filePath("SENVARO-Verlauf-2026-03-02.csv"));
        QVERIFY(day1.startsWith(header) && day2.startsWith(header));
        QCOMPARE(day1.count(header), 1);
        QCOMPARE(day2.count(header), 1);
        QCOMPARE(day1.count("\r\n"), 1 + 2 + 2 + 1);
        QCOMPARE(day2.count("\r\n"), 1 + 1 + 2 + 1);
        QVERIFY(day2.startsWith(header + "2026-03-02T00:00:01;getrennt;B;B;;;;\r\n"));
        QVERIFY(day2.endsWith("2026-03-02T00:00:03;Messwert;B;B;50;25;54;11g\r\n"
                              "2026-03-02T00:00:00;Messwert;A;A;50;25;54;11g\r\n"));
    }

    void csvFailure_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("folder gone") << "gone";
        QTest::newRow("disk full") << "full";
    }
    void csvFailure()
    {
        QFETCH(QString, how);
        QTemporaryDir dir;
        const QString folder = dir.filePath("sub");
        QVERIFY(QDir().mkpath(folder));
        HistoryLog log(folder);
        if (how == "gone") {
            QVERIFY(QDir(folder).removeRecursively());
        } else {
            if (!QFile::exists("/dev/full"))
                QSKIP("no /dev/full here");
            QVERIFY(QFile::link("/dev/full", log.filePath(T0.date())));
        }
        log.setEnabled(true);
        QSignalSpy failed(&log, &HistoryLog::failed);
        QVERIFY(!log.write(T0, samples("A"), {}));
        QVERIFY(!log.isEnabled());
        QCOMPARE(failed.count(), 1);
        const QString reason = failed.first().first().toString();
        QVERIFY2(reason.contains("Protokoll abgeschaltet") &&
                     reason.contains("SENVARO-Verlauf-2026-03-01.csv"),
                 qPrintable(reason));
        // Off now: later evaluations write nothing and report nothing.
        QVERIFY(log.write(T0.addSecs(2), samples("A"), {}));
        QCOMPARE(failed.count(), 1);
    }
};

QTEST_GUILESS_MAIN(TestHistory)
#include "tst_history.moc"
