// Cost of the window "Wer ist da?" following the monitor: 200 devices (100 known clients,
// 100 strangers) in its table view, sorted by duration with a selected row, the window
// shown; one evaluation of all 200 stations, the view's update and its repaint.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QItemSelectionModel>
#include <QTableView>

#include <memory>

#include "../tests/steppedclock.h"
#include "monitor/history.h"
#include "monitor/presencemodel.h"
#include "monitor/stationmonitor.h"
#include "ui/presencewindow.h"

namespace {

const QString kAp = QStringLiteral("127.0.0.2");

void BM_PresenceWindowUpdate(benchmark::State &state)
{
    auto clock = std::make_shared<SteppedClock>();
    StationMonitor monitor(clock);
    monitor.setHistoryEnabled(false);
    QList<StationValue> stations;
    KnownClients known;
    known.resize(100);
    for (int i = 0; i < 200; ++i) {
        StationValue v;
        v.mac = QStringLiteral("00:1B:21:0B:%1:%2")
                    .arg(i / 100, 2, 10, QLatin1Char('0'))
                    .arg(i % 100, 2, 10, QLatin1Char('0'));
        v.known = i < 100;
        v.name = v.known ? QStringLiteral("Client %1").arg(i) : v.mac;
        v.rx = 50;
        stations << v;
        if (v.known)
            known[i] = tMAC{v.mac, v.name, {}, QStringLiteral("Falsch")};
    }
    monitor.setKnownClients(known);
    monitor.watch(kAp);
    PresenceWindow window(&monitor, &monitor.history(), nullptr);
    window.resize(900, 700);
    window.show();
    window.table()->sortByColumn(PresenceModel::Duration, Qt::DescendingOrder);
    monitor.evaluated(kAp, stations);
    window.table()->selectRow(7);
    QApplication::processEvents();
    for (auto _ : state) {
        clock->advance(2000);
        monitor.evaluated(kAp, stations);
        if (state.range(0))
            QApplication::processEvents(); // paints what the update marked dirty
    }
    state.counters["rows"] = window.model()->rowCount();
}
// Arg 0: the evaluation and the table's update; arg 1: also the repaint that follows it.
BENCHMARK(BM_PresenceWindowUpdate)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace
