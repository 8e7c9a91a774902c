// The yardstick for bench/measure_start.sh: a bare Qt window of the same kind as Senvaro's
// (a tab widget, one page holding a Qt Charts view), nothing else. With
// SENVARO_EXIT_WHEN_SHOWN=1 it reports like senvaro does once its window is first painted.

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QDateTime>
#include <QFile>
#include <QLabel>
#include <QLineSeries>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <cstdio>
#include <cstdlib>

namespace {

// "shown EPOCH_MS rss_kb N hwm_kb N": the wall clock and the memory at the first paint.
class ExitWhenShown : public QObject
{
protected:
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (e->type() == QEvent::Paint && o->isWidgetType() && static_cast<QWidget *>(o)->isWindow()) {
            QCoreApplication::instance()->removeEventFilter(this);
            QTimer::singleShot(0, [] {
                const qint64 now = QDateTime::currentMSecsSinceEpoch();
                QFile status(QStringLiteral("/proc/self/status"));
                qint64 rss = 0;
                qint64 hwm = 0;
                if (status.open(QIODevice::ReadOnly))
                    for (const QByteArray &line : status.readAll().split('\n')) {
                        if (line.startsWith("VmRSS:"))
                            rss = line.mid(6).trimmed().split(' ').value(0).toLongLong();
                        if (line.startsWith("VmHWM:"))
                            hwm = line.mid(6).trimmed().split(' ').value(0).toLongLong();
                    }
                std::printf("shown %lld rss_kb %lld hwm_kb %lld\n", now, rss, hwm);
                std::fflush(stdout);
                std::_Exit(0);
            });
        }
        return false;
    }
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    ExitWhenShown reporter;
    if (qEnvironmentVariable("SENVARO_EXIT_WHEN_SHOWN") == QLatin1String("1"))
        app.installEventFilter(&reporter);

    QWidget window;
    window.setWindowTitle(QStringLiteral("bare"));
    auto *tabs = new QTabWidget(&window);
    auto *series = new QLineSeries;
    for (int i = 0; i < 20; ++i)
        series->append(i, (i * 37) % 100);
    auto *chart = new QChart;
    chart->addSeries(series);
    chart->createDefaultAxes();
    tabs->addTab(new QChartView(chart), QStringLiteral("Diagramm"));
    tabs->addTab(new QLabel(QStringLiteral("Text")), QStringLiteral("Text"));
    auto *layout = new QVBoxLayout(&window);
    layout->addWidget(tabs);
    window.resize(478, 418);
    window.show();
    return app.exec();
}
