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

// Resident memory of this process in bytes.
qint64 rssBytes()
{
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = f.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * 4096 : 0;
}

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

// One whole load as the worker thread does it. The counters show what the loaded
// table holds and how much the process grew while holding it.
void BM_LoadRegistry(benchmark::State &state)
{
    if (!registryInstalled()) {
        state.SkipWithError("ieee-data is not installed");
        return;
    }
    qint64 growth = 0;
    qsizetype held = 0, blocks = 0;
    for (auto _ : state) {
        const qint64 before = rssBytes();
        VendorTable table = VendorTable::load(VendorRegistry::defaultFolder());
        growth = std::max(growth, rssBytes() - before);
        held = table.bytesHeld();
        blocks = table.blockCount();
        benchmark::DoNotOptimize(table);
    }
    state.counters["blocks"] = double(blocks);
    state.counters["held_MB"] = double(held) / (1024.0 * 1024.0);
    state.counters["rss_growth_MB"] = double(growth) / (1024.0 * 1024.0);
}
BENCHMARK(BM_LoadRegistry)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
