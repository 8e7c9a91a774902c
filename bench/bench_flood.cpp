// An access point that sends without end, against the whole window over a real socket:
// memory growth of the process over 10 s and the longest wait of a 1 ms probe timer
// (how long a click would wait). Uses only what the window has always had, so the same
// file measures older builds too.
//
// Binds 127.0.0.1 port 23: run it inside the test network namespace
// (source scripts/common.sh; senvaro_in_netns build/bench/bench_flood).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTcpSocket>
#include <QTimer>

#include "../tests/findcontrol.h"
#include "apsim.h"
#include "ui/controls.h"
#include "ui/frmMonitor.h"
#include "ui/loginpage.h"

namespace {

constexpr qint64 MiB = qint64(1) << 20;

qint64 residentBytes()
{
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = f.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * 4096 : 0;
}

void BM_EndlessSender(benchmark::State &state)
{
    for (auto _ : state) {
        apsim::ApSim sim;
        if (!sim.listen(QHostAddress(QStringLiteral("127.0.0.1")), 23)) {
            state.SkipWithError("cannot bind 127.0.0.1:23 (run inside senvaro_in_netns)");
            return;
        }
        auto *w = new frmMonitor;
        w->Form_Load();
        ctl<QLineEdit>(*w, "txtIP")->setText(QStringLiteral("127.0.0.1"));
        ctl<QLineEdit>(*w, "txtUser")->setText(QStringLiteral("admin"));
        ctl<QLineEdit>(*w, "txtPassw")->setText(QStringLiteral("admin"));
        ctl<LoginPage>(*w, "LoginPage")->CmdLogin_Click();
        QElapsedTimer wait;
        wait.start();
        while (!w->session().timPoll_Power()->enabled() && wait.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        w->session().timPoll_Power()->setEnabled(false);

        const QByteArray block(256 * 1024, 'x');
        QTcpSocket *peer = nullptr;
        const qint64 before = residentBytes();
        QElapsedTimer clock;
        clock.start();
        qint64 lastProbe = 0;
        qint64 worstProbe = 0;
        qint64 peak = before;
        qint64 lastRss = 0;
        qint64 sent = 0;
        QTimer probe;
        probe.setTimerType(Qt::PreciseTimer);
        QObject::connect(&probe, &QTimer::timeout, [&] {
            const qint64 now = clock.elapsed();
            worstProbe = qMax(worstProbe, now - lastProbe);
            if (now - lastRss >= 100) {
                peak = qMax(peak, residentBytes());
                lastRss = now;
            }
            lastProbe = now;
            // Keep about 4 MiB on its way, as an access point stuck in a loop would.
            if (!peer)
                peer = sim.findChild<QTcpSocket *>();
            if (peer && peer->bytesToWrite() < 4 * MiB && now < 10000) {
                sim.sendRaw(block);
                sent += block.size();
            }
        });
        probe.start(1);
        // The session reads a chunk, pauses 100 ms on a timer and reads the next; the loop
        // keeps running meanwhile.
        while ((clock.elapsed() < 10000 || (peer && peer->bytesToWrite() > 0)) && clock.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        probe.stop();
        state.counters["sent_MiB"] = double(sent) / double(MiB);
        state.counters["peak_rss_growth_MiB"] = double(peak - before) / double(MiB);
        state.counters["probe_worst_ms"] = double(worstProbe);
        state.counters["monitor_KiB"] = double(ctl<TextBox>(*w, "Monitor")->text().size()) / 1024.0;
        sim.stop();
        delete w;
    }
}
BENCHMARK(BM_EndlessSender)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
