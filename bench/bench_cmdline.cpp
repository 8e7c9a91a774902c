// Cost of the command-line evaluation against the number of "/" fields, with pending
// events processed by the field functions as in the program. The cost per field must
// stay flat from 1 000 to 20 000 fields.
#include <benchmark/benchmark.h>

#include <QApplication>

#include "base/allgemein.h"
#include "session/cmdline.h"
#include "ui/frmMonitor.h"

namespace {

// Actions, addresses, blanks and junk in turn; the last two fields decide.
QString argument(int fields)
{
    static const char *const kinds[] = {"R", " 10.0.0.7 ", "ETH1", "", "x.y", "192.168.000.050"};
    QString s;
    for (int i = 0; i < fields; ++i)
        s += QLatin1Char('/') + QLatin1String(kinds[i % 6]);
    return s;
}

void BM_ParameterAuswertung(benchmark::State &state)
{
    static frmMonitor *w = new frmMonitor;
    const QString s = argument(int(state.range(0)));
    for (auto _ : state) {
        w->ParameterAuswertung(s);
        benchmark::DoNotOptimize(w->isParamMode());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * state.range(0));
}
BENCHMARK(BM_ParameterAuswertung)->Arg(1000)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond);

} // namespace
