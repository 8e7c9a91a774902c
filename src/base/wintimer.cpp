#include "base/wintimer.h"

WinTimer::WinTimer(int intervalMs, QObject *parent, SteppedClock *stepped)
    : QObject(parent), m_interval(intervalMs), m_stepped(stepped)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(intervalMs);
    connect(&m_timer, &QTimer::timeout, this, &WinTimer::timeout);
    if (m_stepped)
        m_stepped->m_timers.append(this);
}

WinTimer::~WinTimer()
{
    if (m_stepped)
        m_stepped->m_timers.removeOne(this);
}

bool WinTimer::isRunning() const
{
    return m_stepped ? m_due >= 0 : m_timer.isActive();
}

void WinTimer::setEnabled(bool on)
{
    if (on == m_enabled)
        return;
    m_enabled = on;
    apply();
}

void WinTimer::setInterval(int ms)
{
    if (ms < 0)
        return;
    m_interval = ms;
    if (m_stepped) {
        m_due = -1; // a changed interval starts anew
    } else {
        m_timer.setInterval(ms);
        if (m_timer.isActive())
            m_timer.start();
    }
    apply();
}

void WinTimer::apply()
{
    const bool run = m_enabled && m_interval > 0;
    if (m_stepped) {
        if (!run)
            m_due = -1;
        else if (m_due < 0)
            m_due = m_stepped->m_now + m_interval;
        return;
    }
    if (run && !m_timer.isActive())
        m_timer.start();
    else if (!run && m_timer.isActive())
        m_timer.stop();
}

WinTimer *RealClock::createTimer(int intervalMs, QObject *parent)
{
    return new WinTimer(intervalMs, parent);
}

WinTimer *SteppedClock::createTimer(int intervalMs, QObject *parent)
{
    return new WinTimer(intervalMs, parent, this);
}

SteppedClock::~SteppedClock()
{
    // Timers that outlive their clock no longer look back at it.
    for (WinTimer *t : std::as_const(m_timers))
        t->m_stepped = nullptr;
}

void SteppedClock::advance(qint64 ms)
{
    const qint64 until = m_now + ms;
    for (;;) {
        // The earliest due timer; on equal times the one made first. A handler may
        // start, stop or delete timers, so the list is looked at anew for each tick.
        WinTimer *next = nullptr;
        for (WinTimer *t : std::as_const(m_timers)) {
            if (t->m_due >= 0 && t->m_due <= until && (!next || t->m_due < next->m_due))
                next = t;
        }
        if (!next)
            break;
        m_now = next->m_due;
        next->m_due += next->m_interval;
        emit next->timeout();
    }
    m_now = until;
}
