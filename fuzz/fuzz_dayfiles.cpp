// A history day file of arbitrary bytes, read back: the bins, events and counts of the
// reader must agree with the lines it visits one by one, and the visited lines exported
// and read again must come back as they were (texts, times, numbers). Runs in UTC, so a
// time has one reading.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "monitor/dayfiles.h"
#include "monitor/historylog.h"

namespace {
void failed(int line)
{
    std::fprintf(stderr, "fuzz_dayfiles: check in line %d failed\n", line);
    std::abort();
}
#define check(ok) ((ok) ? void() : failed(__LINE__))

// Byte 0xFF followed by n < 15 stands for words[n], followed by another byte for that
// byte, so that the fuzzer meets whole lines often and can still write any byte.
const char *const words[] = {"\r\n",
                             ("Zeit;Ereignis;MAC-Adresse;Name;Empfangspegel (%);Ack.-Pegel (%);Datenrate "
                              "(Mbps);WLAN-Modus;Hersteller\r\n"),
                             "2026-10-22T10:00:00;",
                             "Messwert;",
                             "00:11:22:33:44:55;",
                             "\"",
                             ";",
                             "62,5;",
                             "1.5625E-05;",
                             "verbunden;",
                             "gewechselt von A nach B;",
                             "+01:00;",
                             "\"\"",
                             ";;;;;\r\n",
                             "2026-10-22T10:00:00;verbunden;00:11:22:33:44:55;"};

QByteArray expand(const uint8_t *data, size_t size)
{
    QByteArray out;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0xFF && i + 1 < size) {
            const uint8_t n = data[++i];
            if (n < std::size(words))
                out += words[n];
            else
                out += char(n);
        } else {
            out += char(data[i]);
        }
    }
    return out;
}

bool sameNumber(double a, double b)
{
    return (std::isnan(a) && std::isnan(b)) || a == b ||
           std::fabs(a - b) <= 1e-13 * std::max(std::fabs(a), std::fabs(b));
}

// Folders in memory where there is such a place: the export's sync to disk would cost
// more than all the rest. libFuzzer ends without running destructors, so the folders
// have fixed names and are emptied at the next start instead.
QString scratch(int n)
{
    static const QString base =
        (QFileInfo(QStringLiteral("/dev/shm")).isWritable() ? QStringLiteral("/dev/shm") : QDir::tempPath()) +
        QStringLiteral("/senvaro-fuzz_dayfiles");
    return base + (n ? QStringLiteral("/b") : QStringLiteral("/a"));
}
const qint64 kFrom = QDateTime(QDate(2026, 10, 22), QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();
const qint64 kTo = kFrom + 86'400'000;
} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qputenv("TZ", "UTC");
    QDir(scratch(0)).removeRecursively();
    QDir(scratch(1)).removeRecursively();
    QDir().mkpath(scratch(0));
    QDir().mkpath(scratch(1));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QDir dir(scratch(0));
    const QString day = dir.filePath(HistoryLog::fileName(QDate(2026, 10, 22)));
    QFile f(day);
    check(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    const QByteArray bytes = expand(data, size);
    check(f.write(bytes) == bytes.size());
    f.close();

    DayRequest request;
    request.folder = dir.path();
    request.fromMs = kFrom;
    request.toMs = kTo;
    request.threads = 1;
    const DayData read = DayFileReader::read(request);
    std::vector<DayRow> rows;
    check(DayFileReader::forEachRow(dir.path(), kFrom, kTo, [&](const DayRow &row) {
        rows.push_back(row);
        return true;
    }));
    quint64 samples = 0;
    for (const DayRow &r : rows)
        samples += r.isSample();
    check(read.samples == samples);
    check(read.events.size() + read.eventsDropped == rows.size() - samples);
    quint64 perStation = 0;
    for (const DayStation &s : read.stations)
        perStation += s.samples;
    check(perStation == samples);

    const QString exported = dir.filePath(QStringLiteral("export.csv"));
    QString error;
    check(exportCsv(exported, rows, &error));
    // Read the export as a day file of its own folder.
    const QString backPath = QDir(scratch(1)).filePath(HistoryLog::fileName(QDate(2026, 10, 22)));
    QFile::remove(backPath);
    check(QFile::rename(exported, backPath));
    std::vector<DayRow> back;
    check(DayFileReader::forEachRow(scratch(1), kFrom, kTo, [&](const DayRow &row) {
        back.push_back(row);
        return true;
    }));
    check(back.size() == rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        const DayRow &a = rows[i];
        const DayRow &b = back[i];
        check(a.ms == b.ms && a.event == b.event && a.mac == b.mac && a.name == b.name && a.maker == b.maker);
        check(!a.isSample() || (a.mode == b.mode && sameNumber(a.rx, b.rx) && sameNumber(a.ack, b.ack) &&
                                sameNumber(a.rate, b.rate)));
    }
    return 0;
}
