// Cost of one scrape's text: 50 (and 1000) access points with 12 stations each, names to
// escape, and for the campus the presence series of every device with a vendor label; made
// afresh, and by the exporter's renderer that keeps what did not change since the last scrape.
#include <benchmark/benchmark.h>

#include "exporter/metrics.h"

namespace {

QList<ApSample> accessPoints(int count)
{
    QList<ApSample> aps;
    for (int a = 1; a <= count; ++a) {
        ApSample s;
        s.ap = QStringLiteral("127.0.%1.%2").arg(1 + a / 256).arg(a % 256);
        s.up = true;
        s.firmware = QStringLiteral("v2.50");
        s.stationCount = 12;
        s.lastSuccessMs = 1796600000123;
        s.answered = 1000 + a;
        for (int i = 1; i <= 12; ++i) {
            StationSample st;
            st.mac = QStringLiteral("F0:18:98:%1:%2:%3")
                         .arg(a / 256, 2, 16, QLatin1Char('0'))
                         .arg(a % 256, 2, 16, QLatin1Char('0'))
                         .arg(i, 2, 16, QLatin1Char('0'));
            st.name = i % 3 ? st.mac : QStringLiteral("Büro \"%1\"").arg(i);
            st.mode = QStringLiteral("11g");
            st.authentication = QStringLiteral("WPA-PSK");
            st.encryption = QStringLiteral("AES");
            st.rxPerCent = 62.5 + i;
            st.ackPerCent = 33.333333333333336;
            st.rateMbps = 54;
            st.connectedSinceMs = 1796600000123 - i * 1000;
            s.stations << st;
        }
        aps << s;
    }
    return aps;
}

void BM_Exposition50x12(benchmark::State &state)
{
    const QList<ApSample> aps = accessPoints(50);
    for (auto _ : state) {
        QByteArray text = renderExposition(aps);
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(BM_Exposition50x12)->Unit(benchmark::kMillisecond);

void BM_Exposition1000x12WithDevices(benchmark::State &state)
{
    const QList<ApSample> aps = accessPoints(1000);
    QList<DeviceSample> devices;
    for (const ApSample &a : aps) {
        for (const StationSample &s : a.stations)
            devices << DeviceSample{s.mac, "present", quint64(s.rxPerCent.value_or(0)) % 3};
    }
    const VendorOf vendor = [](const QString &) { return QStringLiteral("Apple, Inc."); };
    for (auto _ : state) {
        QByteArray text = renderExposition(aps, devices, vendor);
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(BM_Exposition1000x12WithDevices)->Unit(benchmark::kMillisecond);

QList<DeviceSample> devicesOf(const QList<ApSample> &aps)
{
    QList<DeviceSample> devices;
    for (const ApSample &a : aps) {
        for (const StationSample &s : a.stations)
            devices << DeviceSample{s.mac, "present", quint64(s.rxPerCent.value_or(0)) % 3};
    }
    return devices;
}

// Scrapes closer together than the polling cycle: nothing changed in between.
void BM_Scrape1000x12Unchanged(benchmark::State &state)
{
    const QList<ApSample> aps = accessPoints(1000);
    const QList<DeviceSample> devices = devicesOf(aps);
    const VendorOf vendor = [](const QString &) { return QStringLiteral("Apple, Inc."); };
    ExpositionRenderer renderer;
    renderer.render(aps, devices, vendor);
    for (auto _ : state) {
        QByteArray text = renderer.render(aps, devices, vendor);
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(BM_Scrape1000x12Unchanged)->Unit(benchmark::kMillisecond);

// Scrapes a polling cycle or more apart: every access point answered again (its counters
// and times moved) and every station's signal changed; names, modes and makers stay.
void BM_Scrape1000x12AfterARound(benchmark::State &state)
{
    QList<ApSample> aps = accessPoints(1000);
    const QList<DeviceSample> devices = devicesOf(aps);
    const VendorOf vendor = [](const QString &) { return QStringLiteral("Apple, Inc."); };
    ExpositionRenderer renderer;
    renderer.render(aps, devices, vendor);
    for (auto _ : state) {
        state.PauseTiming();
        for (ApSample &a : aps) {
            ++a.answered;
            *a.lastSuccessMs += 2000;
            a.pollDurationMs = a.answered % 50;
            for (StationSample &s : a.stations)
                s.rxPerCent = 40 + (a.answered + s.mac.size()) % 50;
        }
        state.ResumeTiming();
        QByteArray text = renderer.render(aps, devices, vendor);
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(BM_Scrape1000x12AfterARound)->Unit(benchmark::kMillisecond);

} // namespace
