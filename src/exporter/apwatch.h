#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "base/wintimer.h"
#include "config/alertsettings.h"
#include "config/knownclients.h"
#include "exporter/metrics.h"

class ApSession;
class StationMonitor;
struct Reply;
struct StationValue;

// A station's series as the exposition shows them.
StationSample stationSample(const StationValue &v);

// What every watched access point shares: the account, the cycle and the known stations.
struct WatchConfig
{
    QString user;
    QString password;
    int cycleMs = 5000;
    KnownClients known;
    bool knownOnly = false;
    AlertSettings alerts; // the grace period of presence
};

// One access point watched by its own session with the window's login, polling and
// no-answer rule. An access point that falls silent, closes or cannot be reached is
// dropped and tried again after a delay that grows from one cycle to a minute; a refused
// login backs off to five minutes, so the account is not locked out. An answered poll
// brings the delay back to one cycle. Its evaluations and states go to the station
// monitor (when one is given), which owns the presence of its stations.
class ApWatch : public QObject
{
    Q_OBJECT
public:
    enum class State { Starting, LoggedIn, NoAnswer, LoginRefused, ConnectFailed, Closed, Unreadable };
    static constexpr int maxRetryMs = 60 * 1000;
    static constexpr int maxRefusedRetryMs = 5 * 60 * 1000;

    ApWatch(const QString &ap, std::shared_ptr<const WatchConfig> config, std::shared_ptr<SessionClock> clock,
            std::function<qint64()> wallClockMs, StationMonitor *monitor = nullptr,
            QObject *parent = nullptr);
    ~ApWatch() override;

    void start();
    const ApSample &sample() const { return m_sample; }
    State state() const { return m_state; }
    int retryDelayMs() const { return m_retryMs; }
    const ApSession &session() const { return *m_session; }

    // The German text a state change is logged with.
    static QString stateText(State state);

signals:
    void stateChanged(const QString &ap, ApWatch::State state);

private:
    void evaluated(const Reply &reply);
    void fail(State state);
    void connectAgain();
    void checkConnect();
    void setState(State state);

    std::shared_ptr<const WatchConfig> m_config;
    std::shared_ptr<SessionClock> m_clock;
    std::function<qint64()> m_wallClockMs;
    StationMonitor *m_monitor;
    ApSession *m_session;
    WinTimer *m_retry;
    WinTimer *m_connectWatch; // a connection that is never made counts as failed
    ApSample m_sample;
    State m_state = State::Starting;
    int m_retryMs;
    int m_refusedRetryMs;
    bool m_attemptOpen = false; // a login or a connection is under way
    qint64 m_pollSentMs = -1;   // for the duration of the poll under way
};
