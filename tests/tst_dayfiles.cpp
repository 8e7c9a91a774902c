// The history log's day files read back: a week written by the log itself (one day in
// the older form without the maker column, one with the clock change back to winter
// time, one with junk in the middle, one cut off at the end, German and English
// numbers), the spans, bins, bands and events taken from it, the background reader,
// retention and export.

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "config/historysettings.h"
#include "config/inirw.h"
#include "config/watchlist.h"
#include "logicsupport.h"
#include "monitor/dayfiles.h"
#include "monitor/historylog.h"

namespace {

const QString kA = QStringLiteral("00:11:22:33:44:55");
const QString kB = QStringLiteral("F0:18:98:AA:00:01");
const QString kC = QStringLiteral("02:00:00:00:00:0C");
const QString kNameB = QStringLiteral("Telefon; Büro");

QDateTime at(int day, int h, int m, int s = 0)
{
    return QDateTime(QDate(2026, 10, day), QTime(h, m, s)); // local time, Europe/Berlin
}
qint64 ms(int day, int h, int m, int s = 0)
{
    return at(day, h, m, s).toMSecsSinceEpoch();
}
qint64 utc(int h, int m, int s = 0) // on 25 October 2026, the day summer time ends
{
    return QDateTime(QDate(2026, 10, 25), QTime(h, m, s), Qt::UTC).toMSecsSinceEpoch();
}
QString fileName(int day)
{
    return HistoryLog::fileName(QDate(2026, 10, day));
}

HistoryEvent logEvent(const QDateTime &t, const QString &mac, const QString &name, bool connected,
                      const QString &alert = {})
{
    return HistoryEvent{t.toMSecsSinceEpoch(), mac, name, connected, alert};
}

// Ten minutes from 10:00 at a 10 s cycle: A every time (but for a pause of five
// evaluations and a single miss on the 23rd), B for the first five minutes.
void writeDay(HistoryLog &log, int day, int first, int last)
{
    for (int i = first; i <= last; ++i) {
        const QDateTime t = at(day, 10, 0).addSecs(10 * i);
        QList<HistorySample> samples;
        if (!(day == 23 && ((i >= 20 && i <= 23) || i == 40)))
            samples.append({kA, QStringLiteral("Laptop"), 50 + i * 0.5, 31.25, 5.5, QStringLiteral("11g")});
        if (i < 30)
            samples.append({kB, kNameB, 40, 0.000015625, 54, QStringLiteral("11g")});
        QList<HistoryEvent> events;
        if (i == 0)
            events << logEvent(t, kA, QStringLiteral("Laptop"), true) << logEvent(t, kB, kNameB, true);
        if (i == 30)
            events << logEvent(t, kB, kNameB, false);
        if (day == 24 && i == 36)
            events << logEvent(t, kB, kNameB, false, QStringLiteral("Station getrennt"));
        if (day == 24 && i == 42)
            events << logEvent(t, kA, QStringLiteral("Laptop"), true,
                               QStringLiteral("gewechselt von 127.0.0.2 nach 127.0.0.3"));
        QVERIFY(log.write(t, samples, events));
    }
}

void append(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::Append));
    QCOMPARE(f.write(bytes), bytes.size());
}

DayRequest week(const QString &folder, int threads = 0)
{
    DayRequest r;
    r.folder = folder;
    r.fromMs = ms(21, 0, 0);
    r.toMs = ms(28, 0, 0);
    r.bandsFromMs = r.fromMs;
    r.threads = threads;
    return r;
}

DayRequest span(const QString &folder, qint64 from, qint64 to)
{
    DayRequest r;
    r.folder = folder;
    r.fromMs = from;
    r.toMs = to;
    return r;
}

QList<qint64> bandList(const DayStation *st)
{
    QList<qint64> out;
    for (const PresenceBand &b : st->bands)
        out << b.fromMs << b.toMs;
    return out;
}

} // namespace

class TestDayFiles : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_folder;

private slots:
    void initTestCase()
    {
        QVERIFY2(at(25, 12, 0).offsetFromUtc() == 3600 && at(24, 12, 0).offsetFromUtc() == 7200,
                 "the time zone Europe/Berlin is needed (Debian's tzdata)");
        m_folder = m_dir.path();
        HistoryLog log(m_folder);
        log.setEnabled(true);
        // The 21st in the older form: what the log wrote before the maker column.
        QTemporaryDir older;
        HistoryLog oldLog(older.path());
        oldLog.setEnabled(true);
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        writeDay(oldLog, 21, 0, 59);
        QByteArray text = readFile(oldLog.filePath(QDate(2026, 10, 21)));
        text.replace(";\r\n", "\r\n").replace(";Hersteller\r\n", "\r\n");
        QVERIFY(writeFile(log.filePath(QDate(2026, 10, 21)), text));

        log.setMakerSource(
            [](const QString &mac) { return mac == kA ? QStringLiteral("Intel") : QString(); });
        writeDay(log, 22, 0, 29);
        append(log.filePath(QDate(2026, 10, 22)), "das ist kein Verlauf\r\n"
                                                  "2026-10-22T10:04:55;Messwert;" +
                                                      kA.toLatin1() + ";Laptop;abc;1;2;11g;\r\n");
        writeDay(log, 22, 30, 59);
        writeDay(log, 23, 0, 59);
        writeDay(log, 24, 0, 59);
        QLocale::setDefault(QLocale::c());
        // Across the hour the clock goes back: 02:50 summer time to 02:10 winter time.
        for (int k = 0; k <= 120; ++k) {
            const QDateTime t = QDateTime::fromMSecsSinceEpoch(utc(0, 50) + k * 10'000, Qt::UTC);
            QVERIFY(
                log.write(t, {{kA, QStringLiteral("Laptop"), 70, 31.25, 5.5, QStringLiteral("11g")}}, {}));
        }
        writeDay(log, 26, 0, 59);
        append(log.filePath(QDate(2026, 10, 26)), "2026-10-26T11:00:00;Messwert;" + kA.toLatin1() + ";Lap");
        writeDay(log, 27, 0, 59);
        QVERIFY(log.write(at(27, 11, 0), {{kC, QStringLiteral("Zeile 1\r\nZeile 2"), 20, 20, 1, {}}}, {}));
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));

        // The week has both number forms and both passes of the repeated hour.
        QVERIFY(readFile(log.filePath(QDate(2026, 10, 22))).contains(";1,5625E-05;"));
        QVERIFY(readFile(log.filePath(QDate(2026, 10, 26))).contains(";1.5625E-05;"));
        const QByteArray dst = readFile(log.filePath(QDate(2026, 10, 25)));
        QVERIFY(dst.contains("T02:59:50;") && dst.indexOf("T02:00:00;") > dst.indexOf("T02:59:50;"));
    }

    void week_data()
    {
        QTest::addColumn<int>("threads");
        QTest::newRow("one file at a time") << 1;
        QTest::newRow("two side by side") << 2;
    }
    void week()
    {
        QFETCH(int, threads);
        const DayData d = DayFileReader::read(::week(m_folder, threads));
        QCOMPARE(d.filesTotal, 7);
        QCOMPARE(d.filesRead, 7);
        QCOMPARE(d.samples, quint64(657));
        QCOMPARE(d.stations.size(), size_t(3));
        const DayStation *a = d.station(kA.toLower());
        const DayStation *b = d.station(kB);
        QVERIFY(a && b && d.station(kC));
        QCOMPARE(a->samples, quint64(476)); // 6 days of 60, one of 55, 121 around the clock change
        QCOMPARE(b->samples, quint64(180));
        QCOMPARE(a->maker, QStringLiteral("Intel"));
        QCOMPARE(b->name, kNameB);
        QCOMPARE(d.station(kC)->name, QStringLiteral("Zeile 1\r\nZeile 2"));
        QCOMPARE(a->firstMs, ms(21, 10, 0));
        QCOMPARE(a->lastMs, ms(27, 10, 9, 50));
        // The junk line and the line with "abc" for a number; the line cut off at the end.
        QCOMPARE(d.skippedLines, 3);
        QCOMPARE(d.skipped, (std::vector<SkippedLines>{{fileName(22), 2}, {fileName(26), 1}}));

        // One band a day; the pause of 50 s on the 23rd ends one, the single miss (20 s,
        // less than three cycles) does not; the night of the clock change is one band.
        QCOMPARE(bandList(a),
                 (QList<qint64>{ms(21, 10, 0), ms(21, 10, 9, 50), ms(22, 10, 0), ms(22, 10, 9, 50),
                                ms(23, 10, 0), ms(23, 10, 3, 10), ms(23, 10, 4), ms(23, 10, 9, 50),
                                ms(24, 10, 0), ms(24, 10, 9, 50), utc(0, 50), utc(1, 10), ms(26, 10, 0),
                                ms(26, 10, 9, 50), ms(27, 10, 0), ms(27, 10, 9, 50)}));
        QCOMPARE(bandList(b).size(), 12);

        QCOMPARE(d.events.size(), size_t(20));
        const DayEvent &alert = d.events[12];
        QCOMPARE(alert.kind, DayEvent::Kind::Alert);
        QCOMPARE(alert.text, QStringLiteral("Station getrennt"));
        QCOMPARE(alert.ms, ms(24, 10, 6));
        const DayEvent &roam = d.events[13];
        QCOMPARE(roam.kind, DayEvent::Kind::Roamed);
        QCOMPARE(roam.fromAp + QLatin1Char('>') + roam.toAp, QStringLiteral("127.0.0.2>127.0.0.3"));
        QCOMPARE(roam.maker, QStringLiteral("Intel"));
        QCOMPARE(d.events[14].kind, DayEvent::Kind::Connected);
        QCOMPARE(d.events[16].kind, DayEvent::Kind::Disconnected);
    }

    void spans_data()
    {
        QTest::addColumn<qint64>("from");
        QTest::addColumn<qint64>("to");
        QTest::addColumn<int>("samplesA");
        QTest::addColumn<int>("samplesB");
        QTest::newRow("one minute") << ms(22, 10, 2) << ms(22, 10, 3) << 6 << 6;
        QTest::newRow("second pass of 02:00") << utc(0, 55) << utc(1, 5) << 60 << 0;
        QTest::newRow("winter time only") << utc(1, 0) << utc(2, 0) << 61 << 0;
        QTest::newRow("older form") << ms(21, 0, 0) << ms(22, 0, 0) << 60 << 30;
        QTest::newRow("no file") << ms(28, 0, 0) << ms(29, 0, 0) << 0 << 0;
    }
    void spans()
    {
        QFETCH(qint64, from);
        QFETCH(qint64, to);
        QFETCH(int, samplesA);
        QFETCH(int, samplesB);
        const DayData d = DayFileReader::read(span(m_folder, from, to));
        const DayStation *a = d.station(kA);
        const DayStation *b = d.station(kB);
        QCOMPARE(a ? int(a->samples) : 0, samplesA);
        QCOMPARE(b ? int(b->samples) : 0, samplesB);
    }

    // Ten minutes in ten columns: each column holds exactly its minute's range.
    void reducedColumns()
    {
        const DayData d = DayFileReader::read(span(m_folder, ms(22, 10, 0), ms(22, 10, 10)));
        const ReducedHistory r = reduce(d, ms(22, 10, 0), ms(22, 10, 10), 10);
        QCOMPARE(r.stations.size(), size_t(2));
        const std::vector<SignalRange> &a = r.stations[0].columns;
        const std::vector<SignalRange> &b = r.stations[1].columns;
        QCOMPARE(r.stations[0].mac, kA);
        const float rxMin[] = {50, 53, 56, 59, 62, 65, 68, 71, 74, 77};
        for (int c = 0; c < 10; ++c) {
            QCOMPARE(a[size_t(c)].rxMin, rxMin[c]);
            QCOMPARE(a[size_t(c)].rxMax, rxMin[c] + 2.5f);
            QCOMPARE(a[size_t(c)].ackMax, 31.25f);
            QCOMPARE(b[size_t(c)].hasSamples(), c < 5);
        }
        QCOMPARE(b[0].ackMin, 0.000015625f);
        // As many columns as seconds: each sample in the column of its own second.
        QString seconds;
        const ReducedHistory perSecond = reduce(d, ms(22, 10, 0), ms(22, 10, 0, 25), 25);
        for (const SignalRange &c : perSecond.stations[0].columns)
            seconds += c.hasSamples() ? QLatin1Char('x') : QLatin1Char('-');
        QCOMPARE(seconds, QStringLiteral("x---------x---------x----"));

        // A week in seven columns: nothing of B on the day of the clock change.
        const DayData w = DayFileReader::read(::week(m_folder));
        const ReducedHistory days = reduce(w, w.fromMs, w.toMs, 7);
        QString has;
        for (const SignalRange &c : days.stations[1].columns)
            has += c.hasSamples() ? QLatin1Char('x') : QLatin1Char('-');
        QCOMPARE(has, QStringLiteral("xxxx-xx"));
    }

    // Over two files: the first alone has more than the bound, both together too.
    void eventsKeepTheNewest()
    {
        QTemporaryDir dir;
        for (int day : {22, 23}) {
            QByteArray text = HistoryLog::header().toLatin1();
            for (int i = 0; i < (day == 22 ? DayData::kMaxEvents + 5 : 10); ++i)
                text += HistoryLog::eventLine(
                            logEvent(at(day, 0, 0).addSecs(i), kA, QStringLiteral("Laptop"), i % 2 != 0))
                            .toLatin1();
            QVERIFY(writeFile(QDir(dir.path()).filePath(fileName(day)), text));
        }
        const DayData d = DayFileReader::read(span(dir.path(), ms(22, 0, 0), ms(24, 0, 0)));
        QCOMPARE(d.events.size(), size_t(DayData::kMaxEvents));
        QCOMPARE(d.eventsDropped, quint64(15));
        QCOMPARE(d.events.front().ms, ms(22, 0, 0, 15));
        QCOMPARE(d.events.back().ms, ms(23, 0, 0, 9));
    }

    // A line far longer than any the log writes is broken, also where it spans blocks.
    void overlongLines()
    {
        QTemporaryDir dir;
        const QByteArray good =
            HistoryLog::sampleLine(at(22, 10, 0), {kA, QStringLiteral("Laptop"), 50, 50, 54, {}}).toLatin1();
        QByteArray text = HistoryLog::header().toLatin1() + good;
        for (int size : {70'000, 5'000'000})
            text += QByteArray(size, 'x') + "\r\n" + good;
        QVERIFY(writeFile(QDir(dir.path()).filePath(fileName(22)), text));
        const DayData d = DayFileReader::read(span(dir.path(), ms(22, 0, 0), ms(23, 0, 0)));
        QCOMPARE(d.samples, quint64(3));
        QCOMPARE(d.skippedLines, 2);
    }

    // A station there across midnight has one band, over both files.
    void bandAcrossMidnight()
    {
        QTemporaryDir dir;
        HistoryLog log(dir.path());
        log.setEnabled(true);
        for (int k = 0; k < 30; ++k) {
            const QDateTime t = at(22, 23, 59, 0).addSecs(4 * k);
            QVERIFY(log.write(t, {{kA, QStringLiteral("Laptop"), 50, 50, 54, QStringLiteral("11g")}}, {}));
        }
        const DayData d = DayFileReader::read(span(dir.path(), ms(22, 0, 0), ms(24, 0, 0)));
        QCOMPARE(d.filesRead, 2);
        QCOMPARE(bandList(d.station(kA)), (QList<qint64>{ms(22, 23, 59), ms(23, 0, 0, 56)}));
    }

    // In the background with progress; a newer request cancels the older one.
    void backgroundReader()
    {
        DayFileReader reader;
        QSignalSpy progress(&reader, &DayFileReader::progress);
        QSignalSpy finished(&reader, &DayFileReader::finished);
        const quint64 older = reader.request(::week(m_folder));
        const quint64 newer = reader.request(span(m_folder, ms(22, 10, 2), ms(22, 10, 3)));
        QVERIFY(newer != older);
        QVERIFY(finished.wait(20000));
        QTest::qWait(100); // whatever the older one still posts
        QCOMPARE(finished.size(), 1);
        QCOMPARE(finished[0][0].toULongLong(), newer);
        const auto data = finished[0][1].value<std::shared_ptr<const DayData>>();
        QCOMPARE(data->samples, quint64(12));
        QCOMPARE(progress.last()[0].toULongLong(), newer);
        QCOMPARE(progress.last()[1].toInt(), 1);
        QCOMPARE(progress.last()[2].toInt(), 1);
        QVERIFY(!reader.isBusy());
    }

    // Only the log's own files go: right name and the log's header (either form).
    void retention()
    {
        QTemporaryDir dir;
        const QDir d(dir.path());
        for (int day = 21; day <= 27; ++day)
            QVERIFY(QFile::copy(QDir(m_folder).filePath(fileName(day)), d.filePath(fileName(day))));
        const QByteArray header = HistoryLog::header().toLatin1();
        QVERIFY(writeFile(d.filePath(fileName(20)), "Hallo\r\n" + header));
        QVERIFY(writeFile(d.filePath(QStringLiteral("senvaro-verlauf-2026-10-19.csv")), header));
        QVERIFY(writeFile(d.filePath(QStringLiteral("SENVARO-Verlauf-2026-10-19.csv.bak")), header));
        QVERIFY(writeFile(d.filePath(QStringLiteral("SENVARO-Verlauf-2026-10-1.csv")), header));
        QVERIFY(writeFile(d.filePath(QStringLiteral("notizen.txt")), header));
        QVERIFY(d.mkdir(fileName(18)));

        QString error;
        const QStringList removed = removeOldDayFiles(dir.path(), 3, QDate(2026, 10, 27), &error);
        QCOMPARE(removed, (QStringList{fileName(21), fileName(22), fileName(23), fileName(24)}));
        QCOMPARE(error, QString());
        QCOMPARE(d.entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name),
                 (QStringList{QStringLiteral("SENVARO-Verlauf-2026-10-1.csv"), fileName(18),
                              QStringLiteral("SENVARO-Verlauf-2026-10-19.csv.bak"), fileName(20),
                              fileName(25), fileName(26), fileName(27), QStringLiteral("notizen.txt"),
                              QStringLiteral("senvaro-verlauf-2026-10-19.csv")}));
    }

    void exportFile_data()
    {
        QTest::addColumn<qint64>("from");
        QTest::addColumn<qint64>("to");
        QTest::addColumn<QString>("mac");
        QTest::addColumn<QString>("expected");
        const QString header = HistoryLog::header();
        QTest::newRow("a station's samples and event")
            << ms(22, 10, 4, 30) << ms(22, 10, 5, 10) << kB.toLower()
            << header + QStringLiteral(
                            "2026-10-22T10:04:30;Messwert;F0:18:98:AA:00:01;\"Telefon; "
                            "Büro\";40;1,5625E-05;54;11g;\r\n"
                            "2026-10-22T10:04:40;Messwert;F0:18:98:AA:00:01;\"Telefon; "
                            "Büro\";40;1,5625E-05;54;11g;\r\n"
                            "2026-10-22T10:04:50;Messwert;F0:18:98:AA:00:01;\"Telefon; "
                            "Büro\";40;1,5625E-05;54;11g;\r\n"
                            "2026-10-22T10:05:00;getrennt;F0:18:98:AA:00:01;\"Telefon; Büro\";;;;;\r\n");
        QTest::newRow("English numbers in German, across the clock change")
            << utc(0, 59, 50) << utc(1, 0, 10) << kA
            << header +
                   QStringLiteral(
                       "2026-10-25T02:59:50;Messwert;00:11:22:33:44:55;Laptop;70;31,25;5,5;11g;Intel\r\n"
                       "2026-10-25T02:00:00;Messwert;00:11:22:33:44:55;Laptop;70;31,25;5,5;11g;Intel\r\n");
        QTest::newRow("older form, nothing of others")
            << ms(21, 10, 9, 50) << ms(21, 10, 10) << kA
            << header + QStringLiteral(
                            "2026-10-21T10:09:50;Messwert;00:11:22:33:44:55;Laptop;79,5;31,25;5,5;11g;\r\n");
    }
    void exportFile()
    {
        QFETCH(qint64, from);
        QFETCH(qint64, to);
        QFETCH(QString, mac);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString path = QDir(dir.path()).filePath(QStringLiteral("export.csv"));
        QString error;
        QVERIFY2(exportCsv(path, m_folder, from, to, {mac}, &error), qPrintable(error));
        QCOMPARE(readFile(path), expected.toLatin1());
    }

    // All or nothing: a folder that is missing, a day file that fails half-way.
    void exportFailsWhole()
    {
        QTemporaryDir dir;
        const QDir d(dir.path());
        QString error;
        QVERIFY(!exportCsv(d.filePath(QStringLiteral("fehlt/export.csv")), std::vector<DayRow>{DayRow{}},
                           &error));
        QVERIFY2(error.startsWith(QStringLiteral("Die Datei ")), qPrintable(error));
        QVERIFY(!QFileInfo::exists(d.filePath(QStringLiteral("fehlt/export.csv"))));

        // The 23rd opens but cannot be read (the memory of a process at address 0).
        QVERIFY(QFile::copy(QDir(m_folder).filePath(fileName(22)), d.filePath(fileName(22))));
        QVERIFY(QFile::link(QStringLiteral("/proc/self/mem"), d.filePath(fileName(23))));
        const QString path = d.filePath(QStringLiteral("export.csv"));
        QVERIFY(writeFile(path, "alt\r\n"));
        QVERIFY(!exportCsv(path, dir.path(), ms(22, 0, 0), ms(24, 0, 0), {kA}, &error));
        QVERIFY2(error.contains(fileName(23)), qPrintable(error));
        QCOMPARE(readFile(path), QByteArray("alt\r\n"));
        QCOMPARE(d.entryList(QDir::Files, QDir::Name),
                 (QStringList{fileName(22), fileName(23), QStringLiteral("export.csv")}));
    }
};

int main(int argc, char **argv)
{
    // The fixture's week has the change back to winter time in it.
    qputenv("TZ", "Europe/Berlin");
    QCoreApplication app(argc, argv);
    TestDayFiles test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_dayfiles.moc"
