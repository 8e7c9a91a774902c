#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QSet>
#include <QTimer>

#include "base/wintimer.h"

// Real time for the exporter's many sessions. Each session has its own robot, polling,
// evaluation and pause timers; a thousand access points would mean thousands of Qt timers,
// each waking the event loop (and its poll over every socket) on its own. Here one Qt timer
// moves them all, waking at most once per slot: a tick fires up to one slot late, never
// early, and the next tick stays on the timer's own schedule, so nothing drifts. A tick
// missed by more than a whole interval is not made up: the timer starts afresh, as a Qt
// timer does.
class CoalescingClock final : public SessionClock, private TimerDriver
{
public:
    explicit CoalescingClock(int slotMs = 25);
    ~CoalescingClock() override;
    CoalescingClock(const CoalescingClock &) = delete;
    CoalescingClock &operator=(const CoalescingClock &) = delete;

    WinTimer *createTimer(int intervalMs, QObject *parent) override;
    qint64 elapsedMs() const override { return m_start.elapsed(); }
    QTime currentTime() const override { return QTime::currentTime(); }
    QDateTime currentDateTimeUtc() const override { return QDateTime::currentDateTimeUtc(); }

    // Wake-ups so far (for measuring what the slots save).
    quint64 wakeUps() const { return m_wakeUps; }

private:
    qint64 nowMs() const override { return m_start.elapsed(); }
    void release(WinTimer *timer) override;
    void wake();
    void plan(qint64 now);

    QElapsedTimer m_start;
    QTimer m_wake;
    int m_slotMs;
    QList<WinTimer *> m_timers;  // in the order they were made: equal times fire in that order
    QSet<WinTimer *> m_released; // during a wake-up: timers a handler deleted
    bool m_waking = false;
    quint64 m_wakeUps = 0;
};
