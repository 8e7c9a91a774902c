// The signal history: events from scripted evaluations, the 24-hour bound, the CSV day log.

#include <QLocale>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <ctime>

#include "monitor/historylog.h"
#include "testsupport.h"

namespace {

const QDateTime T0(QDate(2026, 3, 1), QTime(12, 0, 0));

// "A=Anna B" -> samples for MACs A (named Anna) and B (named by its MAC).
QList<HistorySample> samples(const QString &script)
{
    QList<HistorySample> list;
    for (const QString &part : script.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        list.append(
            {part.section(QLatin1Char('='), 0, 0), part.section(QLatin1Char('='), -1), 50, 25, 54, "11g"});
    return list;
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

    void events_data()
    {
        QTest::addColumn<QStringList>("evaluations"); // one every 2 s
        QTest::addColumn<QStringList>("events");      // "<evaluation> <mac> <name> <word>"
        QTest::addColumn<QString>("lines");           // MAC=name of every station at the end
        QTest::addColumn<int>("points");

        QTest::newRow("first evaluation connects everyone, a MAC twice in one reply counts once")
            << QStringList{"A=Anna A=Zweit B", "A=Anna"}
            << QStringList{"0 A Anna verbunden", "0 B B verbunden", "1 B B getrennt"} << "A=Anna B=B" << 3;
        // B is filtered out (gone) and comes back, A renamed stays one station under its
        // latest name, and an empty reply disconnects all in order of first sight.
        QTest::newRow("gone and back, renamed, empty reply")
            << QStringList{"B A=Anna", "A=Laptop", "A=Laptop B=Bert", ""}
            << QStringList{"0 B B verbunden",    "0 A Anna verbunden", "1 B B getrennt",
                           "2 B Bert verbunden", "3 B Bert getrennt",  "3 A Laptop getrennt"}
            << "B=Bert A=Laptop" << 5;
    }
    void events()
    {
        QFETCH(QStringList, evaluations);
        QFETCH(QStringList, events);
        QFETCH(QString, lines);
        QFETCH(int, points);
        StationHistory h;
        int returned = 0;
        for (int i = 0; i < evaluations.size(); ++i)
            returned += int(h.addEvaluation(T0.addSecs(2 * i), samples(evaluations[i])).size());
        QStringList made, shown;
        for (const HistoryEvent &e : h.events())
            made << QStringLiteral("%1 %2 %3 %4")
                        .arg(T0.msecsTo(e.time()) / 2000)
                        .arg(e.mac, e.name, e.word());
        for (const StationHistory::Track &t : h.tracks())
            shown << t.mac + QLatin1Char('=') + t.name;
        QCOMPARE(made, events);
        QCOMPARE(returned, int(h.events().size()));
        QCOMPARE(shown.join(QLatin1Char(' ')), lines);
        QCOMPARE(int(h.pointCount()), points);
    }

    // The clock is whatever the caller passes: 25 hours of samples every 10 minutes.
    void dayBound()
    {
        StationHistory h;
        h.addEvaluation(T0, samples("A B"));
        for (int i = 1; i <= 25 * 6; ++i)
            h.addEvaluation(T0.addSecs(600 * i), samples("A"));
        const qint64 last = T0.addSecs(600 * 150).toMSecsSinceEpoch();
        const StationHistory::Track *a = h.track("A");
        QVERIFY(a);
        QCOMPARE(a->points.front().ms, last - StationHistory::kKeepMs);
        QCOMPARE(a->points.size(), size_t(24 * 6 + 1));
        // B was seen once, 25 hours ago: it and its events are gone.
        QCOMPARE(h.tracks().size(), size_t(1));
        QVERIFY(h.events().empty());
        // The clock set back by an hour: recorded at the newest time, still sorted.
        h.addEvaluation(T0.addSecs(600 * 150 - 3600), samples("A"));
        QCOMPARE(a->points.back().ms, last);
    }

    void csvLines_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("written"); // the name as written
        QTest::addColumn<QByteArray>("values");
        QTest::newRow("German, Latin-1, separator and quote in a name are quoted")
            << QLocale(QLocale::German, QLocale::Germany) << QString::fromUtf8("Büro; \"hinten\"")
            << QByteArray("\"B\xfcro; \"\"hinten\"\"\"") << QByteArray("62,5;31,25;5,5");
        QTest::newRow("English") << QLocale(QLocale::English, QLocale::UnitedStates) << "Laptop Anna"
                                 << QByteArray("Laptop Anna") << QByteArray("62.5;31.25;5.5");
    }
    // Off writes nothing; each line goes to the file of its own local day, which gets the
    // header once, also from a restarted log; a UTC time is written as local time.
    void csvLines()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, name);
        QFETCH(QByteArray, written);
        QFETCH(QByteArray, values);
        QLocale::setDefault(locale);
        QTemporaryDir dir;
        const QDateTime t(QDate(2026, 3, 1), QTime(23, 59, 59));
        const QString file = dir.filePath("SENVARO-Verlauf-2026-03-01.csv");
        const HistorySample s{"00:11:22:33:44:55", name, 62.5, 31.25, 5.5, "11g"};
        const HistoryEvent e{t.addSecs(2).toMSecsSinceEpoch(), s.mac, s.name, false};
        {
            HistoryLog log(dir.path());
            QVERIFY(log.write(t, {s}, {e}));
            QVERIFY(!QFile::exists(file));
            log.setEnabled(true);
            QVERIFY(log.write(t, {s}, {e}));
        }
        HistoryLog log(dir.path());
        log.setEnabled(true);
        QVERIFY(log.write(t.toUTC(), {s}, {}));
        const QByteArray header = HistoryLog::header().toLatin1();
        const QByteArray station = ";00:11:22:33:44:55;" + written + ";";
        const QByteArray sample = "2026-03-01T23:59:59;Messwert" + station + values + ";11g\r\n";
        QCOMPARE(readFile(file), header + sample + sample);
        QCOMPARE(readFile(dir.filePath("SENVARO-Verlauf-2026-03-02.csv")),
                 header + "2026-03-02T00:00:01;getrennt" + station + ";;;\r\n");
        // A log that cannot be written switches itself off once, with the reason.
        QSignalSpy failed(&log, &HistoryLog::failed);
        QVERIFY(dir.remove() && !log.write(t, {s}, {}));
        QVERIFY(log.write(t, {s}, {}));
        QCOMPARE(failed.count(), 1);
        QVERIFY(failed.first().first().toString().contains("Protokoll abgeschaltet"));
    }
};

QTEST_GUILESS_MAIN(TestHistory)
#include "tst_history.moc"
