#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QTime>
#include <QTimer>

class WinTimer;

// Moves timers that do not run by themselves. The program's timers run on Qt's precise
// timers and have none; a clock that steps time (in the tests) drives its timers.
class TimerDriver
{
public:
    virtual ~TimerDriver() = default;
    virtual qint64 nowMs() const = 0;
    // The timer goes away: the driver forgets it.
    virtual void release(WinTimer *timer) = 0;
};

// A window timer: enabled or not, with an interval in ms. Interval 0 never fires
// (a plain QTimer would fire continuously). Changing the interval of a running timer
// restarts its interval. Precise, since the login robot counts ticks. A timer with a
// driver never runs by itself: it fires when the driver's time reaches it.
class WinTimer : public QObject
{
    Q_OBJECT
public:
    explicit WinTimer(int intervalMs, QObject *parent = nullptr, TimerDriver *driver = nullptr);
    ~WinTimer() override;

    bool enabled() const { return m_enabled; }
    void setEnabled(bool on);
    int interval() const { return m_interval; }
    void setInterval(int ms);
    bool isRunning() const;

    // ---- For the driver ----
    // The driver's time of the next tick, -1 when the timer does not run.
    qint64 dueMs() const { return m_due; }
    // The tick that is due: the next one is one interval later.
    void drivenTick();
    // The driver goes first: the timer no longer looks back at it.
    void releaseDriver() { m_driver = nullptr; }

signals:
    void timeout();

private:
    void apply();

    QTimer m_timer;
    bool m_enabled = false;
    int m_interval;
    TimerDriver *m_driver;
    qint64 m_due = -1;
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
