#include "exporter/coalescingclock.h"

#include <algorithm>

namespace {

// Nothing waits longer than this between two looks at the timers (see plan()).
constexpr qint64 maxSleepMs = 1000;

} // namespace

CoalescingClock::CoalescingClock(int slotMs) : m_slotMs(qMax(slotMs, 1))
{
    m_start.start();
    m_wake.setSingleShot(true);
    m_wake.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_wake, &QTimer::timeout, [this] { wake(); });
    plan(0);
}

CoalescingClock::~CoalescingClock()
{
    // Timers that outlive their clock no longer look back at it.
    for (WinTimer *t : std::as_const(m_timers))
        t->releaseDriver();
}

WinTimer *CoalescingClock::createTimer(int intervalMs, QObject *parent)
{
    auto *timer = new WinTimer(intervalMs, parent, this);
    m_timers.append(timer);
    // The next look may be too late for a timer this short.
    if (!m_waking && intervalMs > 0 && m_wake.remainingTime() > intervalMs)
        plan(nowMs());
    return timer;
}

void CoalescingClock::release(WinTimer *timer)
{
    m_timers.removeOne(timer);
    if (m_waking)
        m_released.insert(timer);
}

void CoalescingClock::wake()
{
    ++m_wakeUps;
    const qint64 now = nowMs();
    QList<WinTimer *> due;
    for (WinTimer *t : std::as_const(m_timers)) {
        if (t->dueMs() >= 0 && t->dueMs() <= now)
            due.append(t);
    }
    // Earliest first; equal times in the order the timers were made (the sort is stable).
    std::stable_sort(due.begin(), due.end(),
                     [](const WinTimer *a, const WinTimer *b) { return a->dueMs() < b->dueMs(); });
    m_waking = true;
    for (WinTimer *t : std::as_const(due)) {
        // An earlier handler may have deleted, stopped or restarted it.
        if (m_released.contains(t) || t->dueMs() < 0 || t->dueMs() > now)
            continue;
        t->drivenTick();
        if (!m_released.contains(t) && t->dueMs() >= 0 && t->dueMs() <= now)
            t->setInterval(t->interval()); // behind by a whole interval: start afresh
    }
    m_waking = false;
    m_released.clear();
    plan(nowMs());
}

// A timer started since the last look is due one interval after its start at the earliest,
// and the clock cannot be told of the start. So it looks again within the shortest interval
// any of its timers has: a new timer is seen before it is due. (An interval shortened below
// all others is seen at the next look only; the sessions' shortest, 100 ms, never changes.)
void CoalescingClock::plan(qint64 now)
{
    qint64 next = now + maxSleepMs;
    for (const WinTimer *t : std::as_const(m_timers)) {
        if (t->interval() > 0)
            next = qMin(next, now + t->interval());
        if (t->dueMs() >= 0)
            next = qMin(next, t->dueMs());
    }
    // Up to the next slot boundary, so that timers due close together fire together.
    const qint64 slotted = (next + m_slotMs - 1) / m_slotMs * m_slotMs;
    m_wake.start(int(qMax<qint64>(slotted - now, 0)));
}
