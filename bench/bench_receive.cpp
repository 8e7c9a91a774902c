// Cost of large replies: evaluating 1 MiB of ordinary blocks, of asterisks and of text
// without separators, and routing chunks into the boxes. An access point that keeps
// sending is in bench_flood.cpp. "stall_ms" is the longest stretch in which the window
// processed no events, i.e. how long a click would wait.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTabWidget>

#include "../tests/findcontrol.h"
#include "base/allgemein.h"
#include "ui/controls.h"
#include "ui/frmMonitor.h"

namespace {

constexpr qsizetype MiB = qsizetype(1) << 20;

// 1 MiB as the evaluation sees it in polling mode (line ends removed).
QString reply(int kind)
{
    if (kind == 1)
        return QString(MiB, QLatin1Char('*'));
    if (kind == 2) {
        QString s;
        while (s.size() < MiB)
            s += QStringLiteral("Wireless Station List, nothing to read here 0123456789 ");
        s.truncate(MiB);
        return s;
    }
    QString s;
    for (int i = 0; s.size() < MiB; ++i)
        s += QString(49, QLatin1Char('*')) +
             QStringLiteral("02:11:A0:00:%1:%2")
                 .arg(i / 256 % 100, 2, 10, QLatin1Char('0'))
                 .arg(i % 256, 2, 16, QLatin1Char('0')) +
             QStringLiteral(
                 " RxSignalStrength: 40 AckSignalStrength: 32 Authentication Type: Open System WLAN "
                 "Mode: 11g, Rx Data Rate: 54 Mbps Encryption: Off");
    s.truncate(MiB);
    return s;
}

frmMonitor &window()
{
    static frmMonitor *w = [] {
        auto *win = new frmMonitor;
        win->Form_Load();
        ctl<QTabWidget>(*win, "SSTab1")->setCurrentIndex(1);
        return win;
    }();
    return *w;
}

// Times the stretches between event-processing yields.
struct StallMeter
{
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 worst = 0;
    qint64 yields = 0;
    void start()
    {
        clock.start();
        last = 0;
    }
    void mark()
    {
        const qint64 now = clock.nsecsElapsed();
        worst = qMax(worst, now - last);
        last = now;
        ++yields;
    }
};

void BM_Evaluate1MiB(benchmark::State &state)
{
    frmMonitor &w = window();
    const QString text = reply(int(state.range(0)));
    StallMeter meter;
    // The evaluation processes no events: the stall is the whole evaluation.
    for (auto _ : state) {
        meter.start();
        w.session().evaluate(text);
        meter.mark();
    }
    state.counters["stall_ms"] = double(meter.worst) / 1e6;
    state.counters["yields"] = double(meter.yields) / double(state.iterations());
    state.SetBytesProcessed(int64_t(state.iterations()) * text.size());
}
BENCHMARK(BM_Evaluate1MiB)
    ->ArgName("kind") // 0 ordinary blocks, 1 asterisks, 2 no separator
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// One chunk through the receive routing into Monitor (polling) or txtmanAntw (manual
// page, already full, so every chunk pushes old text out).
void BM_RouteChunk(benchmark::State &state)
{
    ApSession &s = window().session();
    const bool manual = state.range(1) != 0;
    const QString chunk = QString(state.range(0), QLatin1Char('x')) + QStringLiteral("\r\n");
    // The connect event without a connection: polls go nowhere, but they are made. No
    // event is processed here, so the login robot it starts never ticks.
    s.TCPClient_Connect();
    s.setManualMode(manual);
    if (manual)
        s.setManualAnswer(QString(ApSession::maxReceivedChars, QLatin1Char('y')));
    QElapsedTimer clock;
    qint64 worst = 0;
    for (auto _ : state) {
        state.PauseTiming();
        if (!s.IamReady() && !s.pollAgain())
            s.evaluate(QStringLiteral("DWL-2100AP> ready")); // evaluated: the next poll may go out
        s.timPoll_Power_Timer();                             // a poll empties the reply text
        state.ResumeTiming();
        clock.start();
        s.routeChunk(chunk);
        worst = qMax(worst, clock.nsecsElapsed());
    }
    s.setManualMode(false);
    s.stop();
    s.TCPClient_Close();
    state.counters["stall_ms"] = double(worst) / 1e6;
    state.SetBytesProcessed(int64_t(state.iterations()) * chunk.size());
}
BENCHMARK(BM_RouteChunk)
    ->ArgNames({"bytes", "manual"})
    ->Args({64 << 10, 0})
    ->Args({1 << 20, 0})
    ->Args({64 << 10, 1})
    ->Unit(benchmark::kMillisecond);

} // namespace
