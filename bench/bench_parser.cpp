// Cost of the reply evaluation: a normal 12-station reply, a reply of several MB, and
// the field functions on 10 000 separators.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLineEdit>
#include <QTabWidget>

#include "monitor/allgemein.h"
#include "monitor/auswerten.h"
#include "ui/frmMonitor.h"

namespace {

const QString &separator()
{
    static const QString sep(49, QLatin1Char('*'));
    return sep;
}

// A reply as the evaluation sees it in polling mode: line ends removed.
QString stationReply(int stations, int fillerBytes = 0)
{
    QString out = QString(fillerBytes, QLatin1Char('f'));
    for (int i = 1; i <= stations; ++i) {
        out += separator();
        out += QStringLiteral("00:1B:11:A0:00:%1").arg(i, 2, 10, QLatin1Char('0'));
        out += QStringLiteral(" RxSignalStrength: %1 AckSignalStrength: %2").arg(40 + i).arg(30 - i);
        out += QStringLiteral(" Authentication Type: Open System WLAN Mode: 11g, Rx Data Rate: 54 "
                              "Mbps Encryption: Off");
    }
    return out + QStringLiteral("DWL-2100AP> ");
}

frmMonitor &window(int page)
{
    static frmMonitor *w = [] {
        auto *win = new frmMonitor;
        win->Form_Load();
        win->Text1->setText(QStringLiteral("3"));
        return win;
    }();
    w->SSTab1->setCurrentIndex(page);
    return *w;
}

void BM_Evaluate12Stations(benchmark::State &state)
{
    frmMonitor &w = window(int(state.range(0)));
    const QString reply = stationReply(12);
    for (auto _ : state) {
        AntwortAuswertung(w, reply);
        benchmark::DoNotOptimize(w.IamReady);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * reply.size());
}
BENCHMARK(BM_Evaluate12Stations)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

void BM_EvaluateSeveralMB(benchmark::State &state)
{
    frmMonitor &w = window(1);
    const QString reply = stationReply(12, int(state.range(0)));
    for (auto _ : state) {
        AntwortAuswertung(w, reply);
        benchmark::DoNotOptimize(w.IamReady);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * reply.size());
}
BENCHMARK(BM_EvaluateSeveralMB)->Arg(4 << 20)->Unit(benchmark::kMillisecond);

void BM_FieldCount10000Separators(benchmark::State &state)
{
    QString text;
    for (int i = 0; i < 10000; ++i)
        text += separator() + QStringLiteral("00:11:22:33:44:55");
    for (auto _ : state)
        benchmark::DoNotOptimize(fFieldCount(text, separator()));
    state.SetItemsProcessed(int64_t(state.iterations()) * 10000);
}
BENCHMARK(BM_FieldCount10000Separators)->Unit(benchmark::kMicrosecond);

void BM_FieldCount10000SeparatorsYielding(benchmark::State &state)
{
    // As in the program: pending events are processed once per occurrence.
    QString text;
    for (int i = 0; i < 10000; ++i)
        text += separator() + QStringLiteral("00:11:22:33:44:55");
    setFieldYield([] { QCoreApplication::processEvents(); });
    for (auto _ : state)
        benchmark::DoNotOptimize(fFieldCount(text, separator()));
    setFieldYield({});
    state.SetItemsProcessed(int64_t(state.iterations()) * 10000);
}
BENCHMARK(BM_FieldCount10000SeparatorsYielding)->Unit(benchmark::kMillisecond);

void BM_FieldCountOverlapping(benchmark::State &state)
{
    // Asterisks only: every position starts an occurrence.
    const QString text(int(state.range(0)), QLatin1Char('*'));
    for (auto _ : state)
        benchmark::DoNotOptimize(fFieldCount(text, separator()));
    state.SetBytesProcessed(int64_t(state.iterations()) * text.size());
}
BENCHMARK(BM_FieldCountOverlapping)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

void BM_NumberText(benchmark::State &state)
{
    double v = 0.0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(fNumText(v / 64 * 100));
        v += 1.0;
    }
}
BENCHMARK(BM_NumberText);

} // namespace
