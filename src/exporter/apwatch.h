#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "config/knownclients.h"
#include "exporter/metrics.h"
#include "session/wintimer.h"

class ApSession;
struct Reply;

// What every watched access point shares: the account, the cycle and the known stations.
struct WatchConfig
{
    QString user;
    QString password;
    int cycleMs = 5000;
    KnownClients known;
    bool knownOnly = false;
};

// One access point watched by its own session with the window's login and polling. A
// silent, refusing or closing access point is dropped and tried again after a delay that
// grows from one cycle to five minutes; an answered poll brings the delay back to one cycle.
class ApWatch : public QObject
{
    Q_OBJECT
public:
    enum class State { Starting, LoggedIn, NoAnswer, Refused, Closed };
    static constexpr int maxRetryMs = 5 * 60 * 1000;

    ApWatch(const QString &ap, std::shared_ptr<const WatchConfig> config, std::shared_ptr<SessionClock> clock,
            std::function<qint64()> wallClockMs, QObject *parent = nullptr);
    ~ApWatch() override;

    void start();
    const ApSample &sample() const { return m_sample; }
    State state() const { return m_state; }
    int retryDelayMs() const { return m_retryMs; }
    ApSession &session() const { return *m_session; }

    // The German text a state change is logged with.
    static QString stateText(State state);

signals:
    void stateChanged(const QString &ap, ApWatch::State state);

private:
    void answered(const Reply &reply);
    void fail(State state);
    void connectAgain();
    void checkAnswer();
    void setState(State state);

    std::shared_ptr<const WatchConfig> m_config;
    std::shared_ptr<SessionClock> m_clock;
    std::function<qint64()> m_wallClockMs;
    ApSession *m_session;
    WinTimer *m_retry;
    WinTimer *m_watch; // once a cycle: has the access point answered lately?
    ApSample m_sample;
    State m_state = State::Starting;
    int m_retryMs;
    bool m_attemptOpen = false; // a login or a connection is under way
    qint64 m_lastProgressMs = 0;
    bool m_answeredSinceConnect = false;
};
