#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTime>
#include <QTimer>

class SteppedClock;

// A window timer: enabled or not, with an interval in ms. Interval 0 never fires
// (a plain QTimer would fire continuously). Changing the interval of a running timer
// restarts its interval. Precise, since the login robot counts ticks. A timer made by
// a SteppedClock never runs by itself: it fires when its clock is advanced.
class WinTimer : public QObject
{
    Q_OBJECT
public:
    explicit WinTimer(int intervalMs, QObject *parent = nullptr, SteppedClock *stepped = nullptr);
    ~WinTimer() override;

    bool enabled() const { return m_enabled; }
    void setEnabled(bool on);
    int interval() const { return m_interval; }
    void setInterval(int ms);
    bool isRunning() const;

signals:
    void timeout();

private:
    friend class SteppedClock;
    void apply();

    QTimer m_timer;
    bool m_enabled = false;
    int m_interval;
    SteppedClock *m_stepped;
    qint64 m_due = -1; // stepped: the clock's time of the next tick, -1 when not running
};

// Where the session gets its timers and the times it reads.
class SessionClock
{
public:
    virtual ~SessionClock() = default;
    virtual WinTimer *createTimer(int intervalMs, QObject *parent) = 0;
    virtual qint64 elapsedMs() const = 0; // monotonic, from the clock's creation
    virtual QTime currentTime() const = 0;
    // The date and time of day in UTC, for what is recorded with a time stamp.
    virtual QDateTime currentDateTimeUtc() const = 0;
};

// Real precise timers and the system's time of day.
class RealClock final : public SessionClock
{
public:
    RealClock() { m_start.start(); }
    WinTimer *createTimer(int intervalMs, QObject *parent) override;
    qint64 elapsedMs() const override { return m_start.elapsed(); }
    QTime currentTime() const override { return QTime::currentTime(); }
    QDateTime currentDateTimeUtc() const override { return QDateTime::currentDateTimeUtc(); }

private:
    QElapsedTimer m_start;
};

// Time that moves only when told: advance() fires every due tick of its timers in the
// order of their times, so a test walks the robot tick by tick without waiting.
class SteppedClock final : public SessionClock
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
    friend class WinTimer;
    QList<WinTimer *> m_timers;
    qint64 m_now = 0;
    QTime m_startOfDay;
};
