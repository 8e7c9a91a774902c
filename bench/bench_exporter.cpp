// Cost of one scrape's text: 50 access points with 12 stations each, names to escape.
#include <benchmark/benchmark.h>

#include "exporter/metrics.h"

namespace {

QList<ApSample> fiftyAccessPoints()
{
    QList<ApSample> aps;
    for (int a = 1; a <= 50; ++a) {
        ApSample s;
        s.ap = QStringLiteral("127.0.1.%1").arg(a);
        s.up = true;
        s.firmware = QStringLiteral("v2.50");
        s.stationCount = 12;
        s.lastSuccessMs = 1796600000123;
        s.answered = 1000 + a;
        for (int i = 1; i <= 12; ++i) {
            StationSample st;
            st.mac = QStringLiteral("F0:18:98:01:%1:%2")
                         .arg(a, 2, 16, QLatin1Char('0'))
                         .arg(i, 2, 16, QLatin1Char('0'));
            st.name = i % 3 ? st.mac : QStringLiteral("Büro \"%1\"").arg(i);
            st.mode = QStringLiteral("11g");
            st.authentication = QStringLiteral("WPA-PSK");
            st.encryption = QStringLiteral("AES");
            st.rxPerCent = 62.5 + i;
            st.ackPerCent = 33.333333333333336;
            st.rateMbps = 54;
            s.stations << st;
        }
        aps << s;
    }
    return aps;
}

void BM_Exposition50x12(benchmark::State &state)
{
    const QList<ApSample> aps = fiftyAccessPoints();
    for (auto _ : state) {
        QByteArray text = renderExposition(aps);
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(BM_Exposition50x12)->Unit(benchmark::kMillisecond);

} // namespace
