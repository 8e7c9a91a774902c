// measure_idle: the window's own CPU time and resident memory while it polls an access
// point, page by page. Run it through measure_idle.sh, which starts the simulator in a
// private network namespace and a virtual X server; alone it needs an access point
// listening on port 23 of the given loopback address.
//
//   measure_idle [--address 127.0.0.2] [--seconds 120] [--warmup 10] [--cycle 2]
//                [--user admin] [--password admin] [--pages " Clients,Diagramm,Verlauf"]
//                [--grab DIR] [--paints] [--history-window] [--presence-window]
//
// Prints one line per page: CPU in per cent of one core, CPU per poll (all CPU time on
// the page divided by the polls sent meanwhile), polls, and the resident memory before
// and after. Only this process counts: the simulator and the
// X server run apart. --paints also counts, per page, the paint events each widget got
// (the counting costs a little CPU of its own, so use it apart from the figures).
// --history-window opens the history in its own window ("Fenster ..." on the page
// "Verlauf") after the login, so it draws beside every page measured.
#include <QApplication>
#include <QComboBox>
#include <QCommandLineParser>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QHostAddress>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QTabWidget>
#include <QTcpSocket>
#include <QTextStream>
#include <QTimer>
#include <QToolButton>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

#include "ui/controls.h"
#include "ui/frmMonitor.h"

namespace {

QTextStream out(stdout);
QTextStream err(stderr);

// User plus system time of every thread of this process, in ms.
double cpuMs()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    const auto ms = [](const timeval &t) { return double(t.tv_sec) * 1000.0 + double(t.tv_usec) / 1000.0; };
    return ms(u.ru_utime) + ms(u.ru_stime);
}

// The resident set in kB, from the kernel's own accounting (0 when unreadable).
qint64 rssKb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

// Runs the event loop for ms without spinning: the process sleeps between events,
// so the measurement adds nothing of its own.
void idleFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// The measured stretch, a function of its own so that a profiler can count just it
// (valgrind --tool=callgrind --collect-atstart=no --toggle-collect='*measuredIdle*').
[[gnu::noinline]] void measuredIdle(int ms)
{
    idleFor(ms);
}

// Waits for pred, looking every 100 ms; false when ms passed first.
template <typename Pred> bool waitFor(Pred pred, int ms)
{
    QDeadlineTimer deadline(ms);
    while (!pred()) {
        if (deadline.hasExpired())
            return false;
        idleFor(100);
    }
    return true;
}

template <typename T> T *control(QWidget &w, const char *name)
{
    T *c = w.findChild<T *>(QLatin1String(name));
    if (!c) {
        err << "measure_idle: control " << name << " not found\n";
        err.flush();
        std::exit(2);
    }
    return c;
}

int wholeOption(const QCommandLineParser &p, const QString &name, int min)
{
    bool ok = false;
    const int v = p.value(name).toInt(&ok);
    if (!ok || v < min) {
        err << "measure_idle: --" << name << " needs a whole number >= " << min << "\n";
        err.flush();
        std::exit(2);
    }
    return v;
}

// Counts paint events per receiving widget, named by object name or class, the update
// requests of windows (each one paint-and-flush of the window's changes: a frame) and the
// timer events per receiver (named by its parent, which owns a QTimer).
class PaintCounter : public QObject
{
public:
    QMap<QString, int> counts;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::UpdateRequest && watched->isWidgetType() &&
            static_cast<QWidget *>(watched)->isWindow())
            ++counts[QStringLiteral("(frames) ") + watched->objectName()];
        if (event->type() == QEvent::Timer) {
            // Each one a wake-up of the process: which objects' timers run while idle.
            QObject *owner = watched->parent() ? watched->parent() : watched;
            ++counts[QStringLiteral("(timer) ") + owner->objectName() + QLatin1Char(' ') +
                     QLatin1String(owner->metaObject()->className()) + QLatin1Char('/') +
                     QLatin1String(watched->metaObject()->className())];
        }
        if (event->type() == QEvent::Paint) {
            QString name = watched->objectName();
            if (name.isEmpty() && watched->parent())
                name = watched->parent()->objectName() + QLatin1Char('/');
            ++counts[name + QLatin1Char(' ') + QLatin1String(watched->metaObject()->className())];
        }
        return false;
    }
};

struct Figures
{
    QString page;
    double wallMs = 0;
    double cpuMs = 0;
    int polls = 0;
    qint64 rssBefore = 0;
    qint64 rssAfter = 0;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral("CPU and memory of the window while it polls, per page."));
    p.addHelpOption();
    p.addOptions({
        {QStringLiteral("address"), QStringLiteral("Access point address (loopback only)."),
         QStringLiteral("ip"), QStringLiteral("127.0.0.2")},
        {QStringLiteral("user"), QStringLiteral("User name."), QStringLiteral("name"),
         QStringLiteral("admin")},
        {QStringLiteral("password"), QStringLiteral("Password."), QStringLiteral("text"),
         QStringLiteral("admin")},
        {QStringLiteral("cycle"), QStringLiteral("Polling cycle in seconds."), QStringLiteral("s"),
         QStringLiteral("2")},
        {QStringLiteral("seconds"), QStringLiteral("Measured seconds per page."), QStringLiteral("s"),
         QStringLiteral("120")},
        {QStringLiteral("warmup"), QStringLiteral("Unmeasured seconds on a page before measuring."),
         QStringLiteral("s"), QStringLiteral("10")},
        {QStringLiteral("pages"), QStringLiteral("Comma-separated tab captions, measured in this order."),
         QStringLiteral("list"), QStringLiteral(" Clients,Diagramm,Verlauf")},
        {QStringLiteral("grab"),
         QStringLiteral("Save each page as PNG here after measuring it, to check what was shown."),
         QStringLiteral("dir")},
        {QStringLiteral("paints"), QStringLiteral("Count the paint events per widget on each page.")},
        {QStringLiteral("history-window"), QStringLiteral("Open the history's own window after the login.")},
        {QStringLiteral("presence-window"),
         QStringLiteral("Open the window \"Wer ist da?\" after the login.")},
    });
    p.process(app);

    const QString address = p.value(QStringLiteral("address"));
    const QHostAddress host(address);
    if (host.isNull() || !host.isLoopback()) {
        err << "measure_idle: only a loopback address is allowed, not \"" << address << "\"\n";
        return 2;
    }
    const int seconds = wholeOption(p, QStringLiteral("seconds"), 1);
    const int warmup = wholeOption(p, QStringLiteral("warmup"), 0);
    const int cycle = wholeOption(p, QStringLiteral("cycle"), 1);

    frmMonitor w;
    w.Form_Load();
    w.show();

    auto *tabs = control<QTabWidget>(w, "SSTab1");
    auto *ip = control<QLineEdit>(w, "txtIP");
    auto *status = control<QLabel>(w, "lblStatus");
    auto *socket = control<QTcpSocket>(w, "TCPClient");
    auto *zyklus = control<QComboBox>(w, "cmbZyklus");

    // Typed as a user would: the address into the visible box, which copies it on.
    if (auto *combo = w.findChild<QComboBox *>(QStringLiteral("Combo1")))
        combo->setEditText(address);
    ip->setText(address);
    control<QLineEdit>(w, "txtUser")->setText(p.value(QStringLiteral("user")));
    control<QLineEdit>(w, "txtPassw")->setText(p.value(QStringLiteral("password")));
    zyklus->setEditText(QString::number(cycle));

    // Every write on the socket after the login is one "get station".
    int writes = 0;
    QObject::connect(socket, &QTcpSocket::bytesWritten, &app, [&writes] { ++writes; });

    idleFor(500); // let the window appear before the first click
    control<QToolButton>(w, "CmdLogin")->click();
    const auto loggedIn = [&] {
        const QString s = status->text();
        return s.startsWith(QLatin1String("Verbindung zu AP")) && s.endsWith(QLatin1String(" aufgebaut"));
    };
    if (!waitFor(loggedIn, 20000)) {
        err << "measure_idle: no login within 20 s; status: \""
            << status->text().replace(QLatin1String("\r\n"), " / ") << "\"\n";
        return 1;
    }
    out << "logged in to " << address << ", cycle " << zyklus->currentText() << " s, " << warmup
        << " s warm-up + " << seconds << " s per page\n";
    out.flush();

    if (p.isSet(QStringLiteral("history-window"))) {
        // Found under the page "Verlauf": the window's own page has a button too.
        control<QPushButton>(*control<QWidget>(w, "Verlauf"), "cmdVerlaufFenster")->click();
        out << "history window open\n";
        out.flush();
    }

    if (p.isSet(QStringLiteral("presence-window"))) {
        control<QPushButton>(*control<QWidget>(w, "Verlauf"), "cmdWerIstDa")->click();
        out << "presence window open\n";
        out.flush();
    }

    PaintCounter paints;
    if (p.isSet(QStringLiteral("paints")))
        app.installEventFilter(&paints);

    QList<Figures> results;
    for (const QString &caption : p.value(QStringLiteral("pages")).split(QLatin1Char(','))) {
        int index = -1;
        for (int i = 0; i < tabs->count(); ++i) {
            if (tabs->tabText(i) == caption)
                index = i;
        }
        if (index < 0) {
            err << "measure_idle: no page \"" << caption << "\"\n";
            return 2;
        }
        tabs->setCurrentIndex(index);
        idleFor(warmup * 1000);

        Figures f;
        f.page = caption;
        paints.counts.clear();
        f.rssBefore = rssKb();
        const int writesBefore = writes;
        const double cpuBefore = cpuMs();
        QElapsedTimer wall;
        wall.start();
        measuredIdle(seconds * 1000);
        f.cpuMs = cpuMs() - cpuBefore;
        f.wallMs = double(wall.nsecsElapsed()) / 1e6;
        f.polls = writes - writesBefore;
        f.rssAfter = rssKb();
        results.append(f);
        out << QStringLiteral("measured %1: %2 ms CPU in %3 s, %4 polls\n")
                   .arg(caption.trimmed())
                   .arg(f.cpuMs, 0, 'f', 1)
                   .arg(f.wallMs / 1000.0, 0, 'f', 1)
                   .arg(f.polls);
        for (auto it = paints.counts.cbegin(); it != paints.counts.cend(); ++it)
            out << QStringLiteral("  %1 paints  %2\n").arg(it.value(), 5).arg(it.key());
        out.flush();
        if (p.isSet(QStringLiteral("grab"))) {
            const QString file = p.value(QStringLiteral("grab")) + QStringLiteral("/page%1.png").arg(index);
            if (!w.grab().save(file))
                err << "measure_idle: could not save " << file << "\n";
        }
        if (!loggedIn())
            err << "measure_idle: warning: status now \"" << status->text() << "\"\n";
    }

    out << "\npage        CPU %   ms/poll  polls  RSS before kB  RSS after kB  growth kB\n";
    for (const Figures &f : results) {
        char line[160];
        std::snprintf(line, sizeof line, "%-10s %6.3f  %8.2f  %5d  %13lld  %12lld  %9lld\n",
                      qPrintable(f.page.trimmed()), 100.0 * f.cpuMs / f.wallMs,
                      f.polls ? f.cpuMs / f.polls : 0.0, f.polls, f.rssBefore, f.rssAfter,
                      f.rssAfter - f.rssBefore);
        out << line;
    }
    out.flush();
    w.Form_Unload();
    return 0;
}
