#include "base/wintimer.h"

WinTimer::WinTimer(int intervalMs, QObject *parent, TimerDriver *driver)
    : QObject(parent), m_interval(intervalMs), m_driver(driver)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(intervalMs);
    connect(&m_timer, &QTimer::timeout, this, &WinTimer::timeout);
}

WinTimer::~WinTimer()
{
    if (m_driver)
        m_driver->release(this);
}

void WinTimer::drivenTick()
{
    m_due += m_interval;
    emit timeout();
}

bool WinTimer::isRunning() const
{
    return m_driver ? m_due >= 0 : m_timer.isActive();
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
    if (m_driver) {
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
    if (m_driver) {
        if (!run)
            m_due = -1;
        else if (m_due < 0)
            m_due = m_driver->nowMs() + m_interval;
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
