// Cost of the reply evaluation: parsing a normal 12-station reply and 1 MiB replies of
// each shape, the window showing a reply, and the field functions on 20 000 separators.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLineEdit>
#include <QTabWidget>

#include "../tests/findcontrol.h"
#include "base/allgemein.h"
#include "config/knownclients.h"
#include "monitor/reply.h"
#include "ui/frmMonitor.h"

namespace {

constexpr qsizetype MiB = qsizetype(1) << 20;

const QString &separator()
{
    static const QString sep(49, QLatin1Char('*'));
    return sep;
}

QString stationBlock(int i)
{
    return separator() +
           QStringLiteral("02:11:A0:00:%1:%2")
               .arg(i / 256 % 100, 2, 10, QLatin1Char('0'))
               .arg(i % 256, 2, 16, QLatin1Char('0')) +
           QStringLiteral(" RxSignalStrength: %1 AckSignalStrength: %2").arg(40 + i % 20).arg(30 - i % 20) +
           QStringLiteral(
               " Authentication Type: Open System WLAN Mode: 11g, Rx Data Rate: 54 Mbps Encryption: Off");
}

// A reply as the evaluation sees it in polling mode: line ends removed.
QString stationReply(int stations)
{
    QString out;
    for (int i = 1; i <= stations; ++i)
        out += stationBlock(i);
    return out + QStringLiteral("DWL-2100AP> ");
}

// 1 MiB of station blocks (kind 0), of asterisks only (1), or without any separator (2).
QString mebibyteReply(int kind)
{
    QString s;
    if (kind == 1)
        return QString(MiB, QLatin1Char('*'));
    while (s.size() < MiB)
        s += kind == 0 ? stationBlock(int(s.size() / 160))
                       : QStringLiteral("Wireless Station List 0123456789 ");
    s.truncate(MiB);
    return s;
}

const KnownClients &knownClients()
{
    static const KnownClients known = [] {
        KnownClients k;
        k.resize(20);
        for (int i = 1; i <= 20; ++i)
            k[i - 1] = {QStringLiteral("02:11:A0:00:00:%1").arg(i * 3, 2, 16, QLatin1Char('0')),
                        QStringLiteral("Station %1").arg(i),
                        {},
                        {}};
        return k;
    }();
    return known;
}

void BM_Parse12Stations(benchmark::State &state)
{
    const QString reply = stationReply(12);
    for (auto _ : state)
        benchmark::DoNotOptimize(parseReply(reply, knownClients(), state.range(0) != 0));
    state.SetBytesProcessed(int64_t(state.iterations()) * reply.size());
}
BENCHMARK(BM_Parse12Stations)->ArgName("knownOnly")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// Goal: at most 50 ms for each shape.
void BM_Parse1MiB(benchmark::State &state)
{
    const QString reply = mebibyteReply(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(parseReply(reply, knownClients(), false));
    state.SetBytesProcessed(int64_t(state.iterations()) * reply.size());
}
BENCHMARK(BM_Parse1MiB)
    ->ArgName("kind") // 0 station blocks, 1 asterisks only, 2 no separator
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond);

frmMonitor &window(int page)
{
    static frmMonitor *w = [] {
        auto *win = new frmMonitor;
        win->Form_Load();
        ctl<QLineEdit>(*win, "Text1")->setText(QStringLiteral("3"));
        return win;
    }();
    ctl<QTabWidget>(*w, "SSTab1")->setCurrentIndex(page);
    return *w;
}

// The whole evaluation in the window: parse, show, record.
void BM_Evaluate12Stations(benchmark::State &state)
{
    frmMonitor &w = window(int(state.range(0)));
    const QString reply = stationReply(12);
    for (auto _ : state) {
        w.session().evaluate(reply);
        benchmark::DoNotOptimize(w.session().IamReady());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * reply.size());
}
BENCHMARK(BM_Evaluate12Stations)->ArgName("page")->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

QString separators20000()
{
    QString text;
    for (int i = 0; i < 20000; ++i)
        text += separator() + QStringLiteral("00:11:22:33:44:55");
    return text;
}

void BM_FieldCount20000Separators(benchmark::State &state)
{
    const QString text = separators20000();
    for (auto _ : state)
        benchmark::DoNotOptimize(fFieldCount(text, separator()));
    state.SetItemsProcessed(int64_t(state.iterations()) * 20000);
}
BENCHMARK(BM_FieldCount20000Separators)->Unit(benchmark::kMicrosecond);

void BM_GetLastOf20000Fields(benchmark::State &state)
{
    const QString text = separators20000();
    for (auto _ : state)
        benchmark::DoNotOptimize(fGetField(text, separator(), 20001));
    state.SetItemsProcessed(int64_t(state.iterations()) * 20000);
}
BENCHMARK(BM_GetLastOf20000Fields)->Unit(benchmark::kMicrosecond);

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
