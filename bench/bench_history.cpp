// Cost of the signal history: recording one evaluation of 12 stations, redrawing the
// page "Verlauf" with a full day of 12 stations at a 2 s cycle (518,400 samples), and
// the memory that day takes.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QImage>

#include <memory>
#include <vector>

#include "monitor/history.h"
#include "ui/historypage.h"
#include "ui/historyplot.h"

namespace {

const QDateTime T0(QDate(2026, 3, 1), QTime(0, 0, 0));
constexpr int kStations = 12;
constexpr int kDayAt2s = 43'200;

QList<HistorySample> twelve(int tick)
{
    QList<HistorySample> list;
    for (int i = 0; i < kStations; ++i) {
        const QString mac = QStringLiteral("02:11:A0:00:00:%1").arg(i + 1, 2, 16, QLatin1Char('0'));
        list.append(HistorySample{mac, QStringLiteral("Station %1").arg(i + 1),
                                  double((tick * 7 + i * 13) % 100), double((tick * 3 + i * 5) % 100), 54,
                                  QStringLiteral("11g")});
    }
    return list;
}

void fillDay(StationHistory &h)
{
    for (int t = 0; t < kDayAt2s; ++t)
        h.addEvaluation(T0.addSecs(2 * t), twelve(t));
}

// Resident memory of this process in bytes.
qint64 rssBytes()
{
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = f.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * 4096 : 0;
}

// Steady state: a full day held, so every evaluation also drops the oldest samples.
// Arg 0: the time given in UTC (QDateTime::currentDateTimeUtc()); arg 1: in local
// time, whose conversion asks the C library for the time zone on every call.
void BM_AddEvaluation12Stations(benchmark::State &state)
{
    StationHistory h;
    fillDay(h);
    const QList<HistorySample> samples = twelve(1);
    constexpr int kIterations = 200'000;
    std::vector<QDateTime> times;
    times.reserve(kIterations);
    for (int i = 0; i < kIterations; ++i)
        times.push_back(state.range(0) ? T0.addSecs(2 * (kDayAt2s + i))
                                       : T0.toUTC().addSecs(2 * (kDayAt2s + i)));
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(h.addEvaluation(times[i++], samples));
    }
    state.counters["points"] = double(h.pointCount());
}
BENCHMARK(BM_AddEvaluation12Stations)->Arg(0)->Arg(1)->Iterations(200'000)->Unit(benchmark::kMicrosecond);

struct Fixture
{
    StationHistory history;
    std::unique_ptr<HistoryPage> page;
    Fixture()
    {
        fillDay(history);
        page = std::make_unique<HistoryPage>(&history);
        page->resize(900, 600);
        page->show();
        page->setActive(true);
        QCoreApplication::processEvents();
    }
};

// Kept for the whole run and never destroyed: its widgets must not outlive the
// application object at exit.
Fixture &fixture()
{
    static Fixture *f = new Fixture;
    return *f;
}

// Arg: the span box's index (0 = 10 min, 3 = 24 h). Thinning plus replacing the data.
void BM_Redraw(benchmark::State &state)
{
    Fixture &f = fixture();
    f.page->findChild<QComboBox *>(QStringLiteral("cmbVerlaufZeitraum"))
        ->setCurrentIndex(int(state.range(0)));
    for (auto _ : state)
        f.page->refresh();
    qsizetype shown = 0;
    for (const StationHistory::Track &t : f.history.tracks())
        for (const QList<QPointF> &piece : f.page->plot()->pieces(t.mac))
            shown += piece.size();
    state.counters["shownPoints"] = double(shown);
    state.counters["plotWidth"] = f.page->plotWidth();
}
BENCHMARK(BM_Redraw)->Arg(3)->Arg(0)->Unit(benchmark::kMillisecond);

// The same and painting the chart once into an image of the view's size (what the
// user waits for).
void BM_RedrawAndPaint(benchmark::State &state)
{
    Fixture &f = fixture();
    f.page->findChild<QComboBox *>(QStringLiteral("cmbVerlaufZeitraum"))
        ->setCurrentIndex(int(state.range(0)));
    auto *view = f.page->plot();
    QImage image(view->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        f.page->refresh();
        static_cast<QWidget *>(view)->render(&image);
    }
}
BENCHMARK(BM_RedrawAndPaint)->Arg(3)->Arg(0)->Unit(benchmark::kMillisecond);

// What each poll costs while the page is shown: one more evaluation of 12 stations, the
// page brought up to date (its posted layout requests too) and the chart painted. Arg:
// the span box's index.
void BM_EvaluationShown(benchmark::State &state)
{
    Fixture &f = fixture();
    f.page->findChild<QComboBox *>(QStringLiteral("cmbVerlaufZeitraum"))
        ->setCurrentIndex(int(state.range(0)));
    auto *view = f.page->plot();
    QImage image(view->size(), QImage::Format_ARGB32_Premultiplied);
    static int tick = kDayAt2s;
    for (auto _ : state) {
        f.history.addEvaluation(T0.addSecs(2 * tick), twelve(tick));
        ++tick;
        QCoreApplication::sendPostedEvents();
        static_cast<QWidget *>(view)->render(&image);
    }
}
BENCHMARK(BM_EvaluationShown)->Arg(0)->Arg(3)->Unit(benchmark::kMillisecond);

// For comparison: every sample of the day drawn, without thinning.
void BM_RedrawUnthinned24h(benchmark::State &state)
{
    Fixture &f = fixture();
    HistoryPlot *plot = f.page->plot();
    QImage image(plot->size(), QImage::Format_ARGB32_Premultiplied);
    const qint64 t1 = f.history.lastMs();
    int round = 0;
    for (auto _ : state) {
        ++round; // every round new data, as from a poll
        for (size_t i = 0; i < f.history.tracks().size(); ++i) {
            QList<QPointF> pts =
                HistoryPage::decimate(f.history, int(i), false, t1 - StationHistory::kKeepMs, t1, 1 << 24);
            for (QPointF &p : pts)
                p.rx() -= qreal(t1 + round);
            plot->setLine(f.history.tracks()[i].mac, Qt::blue, {pts});
        }
        static_cast<QWidget *>(plot)->render(&image);
    }
}
BENCHMARK(BM_RedrawUnthinned24h)->Unit(benchmark::kMillisecond);

// Memory of a full day of 12 stations at 2 s beyond an empty history.
void BM_MemoryDay(benchmark::State &state)
{
    for (auto _ : state) {
        const qint64 before = rssBytes();
        auto h = std::make_unique<StationHistory>();
        fillDay(*h);
        const qint64 after = rssBytes();
        state.counters["rssMB"] = double(after - before) / (1024.0 * 1024.0);
        state.counters["sampleMB"] =
            double(h->pointCount()) * double(sizeof(StationHistory::Point)) / (1024.0 * 1024.0);
        state.counters["points"] = double(h->pointCount());
    }
}
BENCHMARK(BM_MemoryDay)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
