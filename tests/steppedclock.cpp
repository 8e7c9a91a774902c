#include "steppedclock.h"

WinTimer *SteppedClock::createTimer(int intervalMs, QObject *parent)
{
    auto *timer = new WinTimer(intervalMs, parent, this);
    m_timers.append(timer);
    return timer;
}

SteppedClock::~SteppedClock()
{
    // Timers that outlive their clock no longer look back at it.
    for (WinTimer *t : std::as_const(m_timers))
        t->releaseDriver();
}

void SteppedClock::advance(qint64 ms)
{
    const qint64 until = m_now + ms;
    for (;;) {
        // The earliest due timer; on equal times the one made first. A handler may
        // start, stop or delete timers, so the list is looked at anew for each tick.
        WinTimer *next = nullptr;
        for (WinTimer *t : std::as_const(m_timers)) {
            if (t->dueMs() >= 0 && t->dueMs() <= until && (!next || t->dueMs() < next->dueMs()))
                next = t;
        }
        if (!next)
            break;
        m_now = next->dueMs();
        next->drivenTick();
    }
    m_now = until;
}
