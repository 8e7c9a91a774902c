// Cost of the history beyond one day: reading a month of day files (30 days of 12
// stations at a 2 s cycle, 15.55 million samples, written once by the set-up) and
// reducing it to pixel columns, with the process's peak and held memory; and the span
// of 30 days drawn again on the page "Verlauf".
#include <benchmark/benchmark.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>

#include "base/allgemein.h"
#include "base/wintimer.h"
#include "monitor/dayfiles.h"
#include "monitor/history.h"
#include "monitor/historylog.h"
#include "ui/historypage.h"
#include "ui/historyplot.h"

namespace {

constexpr int kDays = 30;
constexpr int kStations = 12;
constexpr int kCycleS = 2;
const QDate kFirstDay(2026, 1, 1);

QString mac(int i)
{
    return QStringLiteral("00:1B:21:0A:00:%1").arg(i + 1, 2, 10, QLatin1Char('0'));
}

// The levels as the access point's 64-step scale gives them in per cent: 62,5 / 1,5625 / ...
QByteArray level(int step)
{
    return fNumText(step * 100.0 / 64).toLatin1();
}

// What the log writes for a month, written the fast way: the lines are checked against
// the log's own once, then put together from pieces.
class Month
{
public:
    Month()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        for (int s = 0; s < 64; ++s)
            m_levels[s] = level(s);
        for (int i = 0; i < kStations; ++i)
            m_middle[i] = ";Messwert;" + mac(i).toLatin1() + ";Station " + QByteArray::number(i + 1) + ";";
        const QDateTime t(kFirstDay, QTime(1, 2, 4));
        const QString expected = HistoryLog::sampleLine(
            t, HistorySample{mac(3), QStringLiteral("Station 4"), 62.5, 1.5625, 54, QStringLiteral("11g")},
            QStringLiteral("Intel Corporate"));
        if (line(0, 3600 + 120 + 4, 3, 40, 1) != expected.toLatin1())
            qFatal("generated line differs from the log's: %s", qPrintable(expected));
        // SENVARO_BENCH_MONTH names a folder to keep the month in between runs.
        const QString kept = qEnvironmentVariable("SENVARO_BENCH_MONTH");
        if (kept.isEmpty())
            m_dir.emplace();
        m_folder = kept.isEmpty() ? m_dir->path() : kept;
        const QString lastFile = QDir(m_folder).filePath(HistoryLog::fileName(kFirstDay.addDays(kDays - 1)));
        if (!kept.isEmpty() && QFileInfo(lastFile).size() > 40'000'000)
            return;
        QByteArray text;
        text.reserve(1 << 21);
        for (int d = 0; d < kDays; ++d) {
            QFile f(QDir(m_folder).filePath(HistoryLog::fileName(kFirstDay.addDays(d))));
            if (!f.open(QIODevice::WriteOnly))
                qFatal("cannot write %s", qPrintable(f.fileName()));
            text = HistoryLog::header().toLatin1();
            for (int t = 0; t < 86400 / kCycleS; ++t) {
                for (int i = 0; i < kStations; ++i)
                    text += line(d, t * kCycleS, i, (t * 7 + i * 13) % 64, (t * 3 + i * 5) % 64);
                if (text.size() > (1 << 20)) {
                    f.write(text);
                    text.clear();
                }
            }
            f.write(text);
        }
    }
    QString folder() const { return m_folder; }
    qint64 fromMs() const { return QDateTime(kFirstDay, QTime(0, 0)).toMSecsSinceEpoch(); }
    qint64 toMs() const { return QDateTime(kFirstDay.addDays(kDays), QTime(0, 0)).toMSecsSinceEpoch(); }

private:
    QByteArray line(int day, int second, int station, int rx, int ack) const
    {
        char time[32];
        const QDate d = kFirstDay.addDays(day);
        std::snprintf(time, sizeof time, "%04d-%02d-%02dT%02d:%02d:%02d", d.year(), d.month(), d.day(),
                      second / 3600, second / 60 % 60, second % 60);
        return time + m_middle[station] + m_levels[rx] + ';' + m_levels[ack] + ";54;11g;Intel Corporate\r\n";
    }

    std::optional<QTemporaryDir> m_dir; // removed at exit
    QString m_folder;
    QByteArray m_levels[64];
    QByteArray m_middle[kStations];
};

Month &month()
{
    static Month m; // generated once; its folder goes at exit
    return m;
}

qint64 statusKb(const char *field)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &l : f.readAll().split('\n')) {
        if (l.startsWith(field))
            return l.mid(qsizetype(std::strlen(field))).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

void resetPeak()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly))
        f.write("5"); // resets VmHWM to the current VmRSS
}

// Arg: files read side by side (0: as many as the reader chooses).
void BM_ReadMonthAndReduce(benchmark::State &state)
{
    Month &m = month();
    DayRequest request = DayRequest::lastDays(m.folder(), kDays, m.toMs());
    request.threads = int(state.range(0));
    // The process before reading (the set-up's application and month writer included);
    // freed memory is not given back at once, so later rounds start higher.
    static const qint64 baseKb = statusKb("VmRSS:");
    qint64 peakKb = 0, heldKb = 0;
    quint64 samples = 0;
    qsizetype bytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        resetPeak();
        state.ResumeTiming();
        auto data = std::make_unique<DayData>(DayFileReader::read(request));
        const ReducedHistory r = reduce(*data, data->fromMs, data->toMs, 1600);
        benchmark::DoNotOptimize(r.stations.data());
        state.PauseTiming();
        peakKb = std::max(peakKb, statusKb("VmHWM:"));
        heldKb = std::max(heldKb, statusKb("VmRSS:"));
        samples = data->samples;
        bytes = data->bytesHeld();
        data.reset();
        state.ResumeTiming();
    }
    state.counters["samples"] = double(samples);
    state.counters["baseMB"] = double(baseKb) / 1024;
    state.counters["peakMB"] = double(peakKb) / 1024;
    state.counters["heldMB"] = double(heldKb) / 1024;
    state.counters["dataMB"] = double(bytes) / (1 << 20);
}
BENCHMARK(BM_ReadMonthAndReduce)->Arg(0)->Arg(1)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReduceMonth(benchmark::State &state)
{
    Month &m = month();
    const DayData data = DayFileReader::read(DayRequest::lastDays(m.folder(), kDays, m.toMs()));
    for (auto _ : state) {
        const ReducedHistory r = reduce(data, data.fromMs, data.toMs, int(state.range(0)));
        benchmark::DoNotOptimize(r.stations.data());
    }
}
BENCHMARK(BM_ReduceMonth)->Arg(1600)->Unit(benchmark::kMillisecond);

// The span "30 Tage" of the page "Verlauf" drawn again once its day files are read: the
// reduction to the plot's pixel columns, the lines, and one paint of the plot (what the
// user waits for when the window is resized or a line is switched).
void BM_RedrawMonth(benchmark::State &state)
{
    Month &m = month();
    StationHistory history; // one evaluation at the month's end, where the span ends
    history.addEvaluation(
        QDateTime::fromMSecsSinceEpoch(m.toMs() - 1000),
        {HistorySample{QStringLiteral("02:11:A0:00:00:01"), QString(), 50, 50, 54, QString()}});
    HistoryPage page(&history);
    page.resize(1700, 600);
    page.show();
    page.setActive(true);
    page.setDayFolder(m.folder());
    page.findChild<QComboBox *>(QStringLiteral("cmbVerlaufZeitraum"))->setCurrentIndex(5);
    QElapsedTimer waited;
    waited.start();
    while (page.statusText().startsWith(QStringLiteral("Lese")) && waited.elapsed() < 120'000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents); // no spinning beside the readers
    const qint64 readMs = waited.elapsed(); // the read and the first drawing, not the redraws below
    auto *view = static_cast<QWidget *>(page.plot());
    QImage image(view->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        page.refresh();
        view->render(&image);
    }
    state.counters["plotWidth"] = page.plotWidth();
    state.counters["readMs"] = double(readMs);
}
BENCHMARK(BM_RedrawMonth)->Unit(benchmark::kMillisecond);

} // namespace
