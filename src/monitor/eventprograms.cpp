#include "monitor/eventprograms.h"

#include <QDateTime>
#include <QProcess>

#include <csignal>
#include <memory>
#include <unistd.h>

namespace {

// A program runs in a process group of its own (its id is the program's), so that what it
// started itself is asked to end and killed with it: a script's hanging download must
// not outlive the script.
void signalGroup(qint64 group, int signal)
{
    if (group > 0)
        ::kill(pid_t(-group), signal);
}

QString durationText(int ms)
{
    return ms % 1000 == 0 ? QStringLiteral("%1 s").arg(ms / 1000) : QStringLiteral("%1 ms").arg(ms);
}

} // namespace

EventPrograms::EventPrograms(QObject *parent) : QObject(parent)
{
    m_next.setSingleShot(true);
    m_next.setInterval(0);
    connect(&m_next, &QTimer::timeout, this, &EventPrograms::startWaiting);
    m_dropReport.setSingleShot(true);
    connect(&m_dropReport, &QTimer::timeout, this, &EventPrograms::reportDrops);
}

EventPrograms::~EventPrograms()
{
    const QList<QProcess *> running = m_running;
    m_running.clear();
    for (QProcess *p : running) {
        p->disconnect(this);
        // Killed processes go at once; the wait only collects them (the program is ending).
        signalGroup(p->processId(), SIGKILL);
        p->kill();
        p->waitForFinished(1000);
        delete p;
    }
}

void EventPrograms::setProgram(const QString &path)
{
    if (path == m_program)
        return;
    m_program = path;
    m_failureLogged = false;
    if (path.isEmpty())
        m_waiting.clear();
}

void EventPrograms::run(const ProgramEvent &e)
{
    if (m_program.isEmpty())
        return;
    if (running() < m_limits.maxRunning && m_waiting.empty()) {
        launch(e);
        return;
    }
    if (waiting() < m_limits.maxWaiting) {
        m_waiting.push_back(e);
        return;
    }
    ++m_dropped;
    if (m_burstDropped++ == 0)
        m_dropReport.start(m_limits.dropReportMs);
}

void EventPrograms::reportDrops()
{
    if (m_burstDropped == 0)
        return;
    emit logLine(m_burstDropped == 1
                     ? QStringLiteral("Ereignisprogramm: 1 Ereignis verworfen (Warteschlange voll)")
                     : QStringLiteral("Ereignisprogramm: %1 Ereignisse verworfen (Warteschlange voll)")
                           .arg(m_burstDropped));
    m_burstDropped = 0;
}

void EventPrograms::startWaiting()
{
    // A program that cannot start is done inside launch, so this loop also empties the
    // queue of a missing program without recursion.
    while (running() < m_limits.maxRunning && !m_waiting.empty() && !m_program.isEmpty()) {
        const ProgramEvent e = m_waiting.front();
        m_waiting.pop_front();
        launch(e);
    }
}

void EventPrograms::launch(const ProgramEvent &e)
{
    auto *p = new QProcess(this);
    m_running.append(p);
    // Nobody reads its output: a full pipe would stall it until the time limit.
    p->setStandardInputFile(QProcess::nullDevice());
    p->setStandardOutputFile(QProcess::nullDevice());
    p->setStandardErrorFile(QProcess::nullDevice());
    p->setProcessEnvironment(environmentFor(e, QProcessEnvironment::systemEnvironment()));
    p->setProgram(m_program);
    p->setArguments({});
    p->setChildProcessModifier([] { ::setpgid(0, 0); });

    const QString program = m_program;
    auto *limit = new QTimer(p);
    limit->setSingleShot(true);
    // The group's id once started, and whether it went past its time.
    auto group = std::make_shared<std::pair<qint64, bool>>(0, false);
    connect(limit, &QTimer::timeout, p, [this, p, program, group, kind = e.kind] {
        emit logLine(QStringLiteral("Ereignisprogramm „%1“ nach %2 beendet (Ereignis %3)")
                         .arg(program, durationText(m_limits.timeLimitMs), kind));
        group->second = true;
        signalGroup(group->first, SIGTERM);
        QTimer::singleShot(m_limits.killAfterMs, p, [group] { signalGroup(group->first, SIGKILL); });
    });
    connect(p, &QProcess::started, this, [this, p, limit, group] {
        m_failureLogged = false;
        group->first = p->processId();
        limit->start(m_limits.timeLimitMs);
    });
    connect(p, &QProcess::finished, this, [this, p, group] {
        // Past its time, what it leaves behind goes with it, asked or not.
        if (group->second)
            signalGroup(group->first, SIGKILL);
        done(p);
    });
    connect(p, &QProcess::errorOccurred, this, [this, p, program](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return; // the others end in finished
        if (!m_failureLogged) {
            m_failureLogged = true;
            emit logLine(QStringLiteral("Ereignisprogramm „%1“ lässt sich nicht starten: %2")
                             .arg(program, p->errorString()));
        }
        done(p);
    });
    p->start();
}

void EventPrograms::done(QProcess *process)
{
    if (!m_running.removeOne(process))
        return;
    process->deleteLater();
    if (!m_waiting.empty())
        m_next.start();
}

QProcessEnvironment EventPrograms::environmentFor(const ProgramEvent &e, const QProcessEnvironment &base)
{
    QProcessEnvironment env = base;
    env.insert(QStringLiteral("SENVARO_EVENT"), e.kind);
    env.insert(QStringLiteral("SENVARO_MAC"), e.mac);
    env.insert(QStringLiteral("SENVARO_NAME"), e.name);
    env.insert(QStringLiteral("SENVARO_AP"), e.ap);
    env.insert(QStringLiteral("SENVARO_AP_NAME"), e.apName);
    env.insert(QStringLiteral("SENVARO_SINCE"), e.sinceMs ? localTimeText(*e.sinceMs) : QString());
    return env;
}

QString EventPrograms::localTimeText(qint64 ms)
{
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(ms, Qt::LocalTime);
    const int offset = local.offsetFromUtc();
    const int minutes = qAbs(offset) / 60;
    // Qt writes no offset for local time, and "Z" for an offset of 0.
    return local.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss")) + (offset < 0 ? u'-' : u'+') +
           QStringLiteral("%1:%2")
               .arg(minutes / 60, 2, 10, QLatin1Char('0'))
               .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}
