// Maker names from the installed ieee-data: looking up one address (goal: at most
// 2 µs) and loading the whole registry (goal: at most 150 ms and 8 MB).
#include <benchmark/benchmark.h>

#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include "monitor/vendors.h"

namespace {

bool registryInstalled()
{
    return QFile::exists(VendorRegistry::defaultFolder() + QStringLiteral("/oui.csv"));
}

// A line of /proc/self/status in bytes ("VmRSS:" resident now, "VmHWM:" its peak).
qint64 processMemory(const char *key)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(qsizetype(qstrlen(key))).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return 0;
}

// One whole load as the worker thread does it; registered first, so its first load is
// the process's first. Counters: what the table holds, how much the process grew
// holding it, and how far its peak rose during that first load.
void BM_LoadRegistry(benchmark::State &state)
{
    if (!registryInstalled()) {
        state.SkipWithError("ieee-data is not installed");
        return;
    }
    static const qint64 rssBefore = processMemory("VmRSS:"), peakBefore = processMemory("VmHWM:");
    static qint64 growth = -1, peakRise = -1;
    qsizetype held = 0, blocks = 0;
    for (auto _ : state) {
        VendorTable table = VendorTable::load(VendorRegistry::defaultFolder());
        if (growth < 0) {
            growth = processMemory("VmRSS:") - rssBefore;
            peakRise = processMemory("VmHWM:") - peakBefore;
        }
        held = table.bytesHeld();
        blocks = table.blockCount();
        benchmark::DoNotOptimize(table);
    }
    state.counters["blocks"] = double(blocks);
    state.counters["held_MB"] = double(held) / (1024.0 * 1024.0);
    state.counters["first_rss_growth_MB"] = double(growth) / (1024.0 * 1024.0);
    state.counters["first_peak_rise_MB"] = double(peakRise) / (1024.0 * 1024.0);
}
BENCHMARK(BM_LoadRegistry)->Unit(benchmark::kMillisecond)->Iterations(5);

// Through the registry as the window asks it: parsing the text, three block sizes,
// the name copied out. The addresses mix a 24-, a 28- and a 36-bit block, an
// address no block holds and a private one.
void BM_LookupOne(benchmark::State &state)
{
    if (!registryInstalled()) {
        state.SkipWithError("ieee-data is not installed");
        return;
    }
    VendorRegistry registry;
    QEventLoop loop;
    QObject::connect(&registry, &VendorRegistry::namesReady, &loop, &QEventLoop::quit);
    QTimer::singleShot(10'000, &loop, &QEventLoop::quit);
    registry.lookup(u"00:03:93:00:00:01");
    loop.exec();
    if (!registry.hasNames()) {
        state.SkipWithError("the registry did not load");
        return;
    }
    const QString addresses[] = {
        QStringLiteral("00:03:93:12:34:56"), QStringLiteral("74:1a:e0:9a:bc:de"),
        QStringLiteral("70-B3-D5-F2-F1-23"), QStringLiteral("FC:FF:F0:00:00:01"),
        QStringLiteral("02:00:5E:10:00:01"),
    };
    size_t i = 0;
    qsizetype found = 0;
    for (auto _ : state) {
        const VendorRegistry::Result r = registry.lookup(addresses[i++ % std::size(addresses)]);
        found += r.name.size();
        benchmark::DoNotOptimize(r);
    }
    if (found == 0)
        state.SkipWithError("no address found a maker");
}
BENCHMARK(BM_LookupOne);

} // namespace
