#pragma once

#include <QList>
#include <QTime>

#include "base/wintimer.h"

// Time that moves only when told: advance() fires every due tick of its timers in the
// order of their times, so a test walks the robot tick by tick without waiting.
class SteppedClock final : public SessionClock, private TimerDriver
{
public:
    explicit SteppedClock(QTime startOfDay = QTime(12, 0, 0)) : m_startOfDay(startOfDay) {}
    ~SteppedClock() override;
    SteppedClock(const SteppedClock &) = delete;
    SteppedClock &operator=(const SteppedClock &) = delete;
    WinTimer *createTimer(int intervalMs, QObject *parent) override;
    qint64 elapsedMs() const override { return m_now; }
    QTime currentTime() const override { return m_startOfDay.addMSecs(int(m_now % 86400000)); }
    // On 1 March 2026 at the start of day (local time), moved on with the clock.
    QDateTime currentDateTimeUtc() const override
    {
        return QDateTime(QDate(2026, 3, 1), m_startOfDay).addMSecs(m_now).toUTC();
    }

    void advance(qint64 ms);

private:
    qint64 nowMs() const override { return m_now; }
    void release(WinTimer *timer) override { m_timers.removeOne(timer); }

    QList<WinTimer *> m_timers;
    qint64 m_now = 0;
    QTime m_startOfDay;
};
