#include "exporter/apwatch.h"

#include "monitor/reply.h"
#include "monitor/stationmonitor.h"
#include "monitor/stations.h"
#include "session/apsession.h"

StationSample stationSample(const StationValue &v)
{
    return StationSample{v.mac, v.name, v.mode, v.authentication, v.encryption,
                         v.rx,  v.ack,  v.rate, std::nullopt};
}

ApWatch::ApWatch(const QString &ap, std::shared_ptr<const WatchConfig> config,
                 std::shared_ptr<SessionClock> clock, std::function<qint64()> wallClockMs,
                 StationMonitor *monitor, QObject *parent)
    : QObject(parent), m_config(std::move(config)), m_clock(std::move(clock)),
      m_wallClockMs(std::move(wallClockMs)), m_monitor(monitor), m_retryMs(m_config->cycleMs),
      m_refusedRetryMs(m_config->cycleMs)
{
    m_sample.ap = ap;
    if (m_monitor)
        m_sample.name = accessPointName(m_config->known, ap);
    m_session = new ApSession(this, m_clock);
    m_session->setPollInterval(m_config->cycleMs);
    m_session->setFilter(m_config->known, m_config->knownOnly);
    m_session->setUserNameSource([cfg = m_config] { return cfg->user; });
    m_session->setAddressSource([ap] { return ap; });
    m_retry = m_clock->createTimer(m_retryMs, this);
    // The same limit as an unanswered poll: a connection not made by then will not be.
    m_connectWatch = m_clock->createTimer(int(ApSession::noAnswerAfterMs(m_config->cycleMs)), this);

    connect(m_retry, &WinTimer::timeout, this, &ApWatch::connectAgain);
    connect(m_connectWatch, &WinTimer::timeout, this, &ApWatch::checkConnect);
    connect(m_session, &ApSession::firmware, this,
            [this](const QString &version) { m_sample.firmware = version.trimmed(); });
    connect(m_session, &ApSession::connected, this, [this] { m_connectWatch->setEnabled(false); });
    connect(m_session, &ApSession::replyEvaluated, this, [this](const Reply &reply, bool duringLogin) {
        if (!duringLogin && reply.kind == Reply::Kind::Completed)
            evaluated(reply);
    });
    connect(m_session, &ApSession::noAnswer, this, [this] {
        ++m_sample.noAnswer;
        fail(State::NoAnswer);
    });
    connect(m_session, &ApSession::loginRefused, this, [this] {
        ++m_sample.loginRefused;
        fail(State::LoginRefused);
    });
    connect(m_session, &ApSession::rebooting, this, [this] {
        ++m_sample.closed;
        fail(State::Closed);
    });
    connect(m_session, &ApSession::connectionClosed, this, [this] {
        if (!m_attemptOpen)
            return;
        ++m_sample.closed;
        fail(State::Closed);
    });
    // A connection that could not be made at all (nobody listens, no route).
    connect(m_session, &ApSession::connectFailed, this, [this] {
        if (!m_attemptOpen || !m_connectWatch->enabled())
            return;
        ++m_sample.connectFailed;
        fail(State::ConnectFailed);
    });
}

ApWatch::~ApWatch()
{
    m_session->closeDown();
}

QString ApWatch::stateText(State state)
{
    switch (state) {
    case State::Starting:
        return QStringLiteral("Verbindungsaufbau");
    case State::LoggedIn:
        return QStringLiteral("angemeldet");
    case State::NoAnswer:
        return QStringLiteral("keine Antwort");
    case State::LoginRefused:
        return QStringLiteral("Anmeldung abgelehnt (Benutzer oder Passwort falsch)");
    case State::ConnectFailed:
        return QStringLiteral("keine Verbindung zu Port 23");
    case State::Closed:
        return QStringLiteral("Verbindung beendet");
    case State::Unreadable:
        return QStringLiteral("Antwort auf \"get station\" nicht lesbar");
    }
    return {};
}

void ApWatch::start()
{
    m_attemptOpen = true;
    m_pollSentMs = -1;
    if (m_monitor)
        m_monitor->watch(m_sample.ap);
    m_connectWatch->setEnabled(true);
    m_session->login(m_sample.ap, m_config->password);
}

void ApWatch::evaluated(const Reply &reply)
{
    const qint64 sent = m_session->pollSentAtMs();
    if (sent != m_pollSentMs) {
        m_pollSentMs = sent;
        m_sample.pollDurationMs = m_clock->elapsedMs() - sent;
    }
    if (!isStationReply(reply)) {
        // An error text is no poll with 0 stations: the stations keep what they had.
        ++m_sample.unreadable;
        setState(State::Unreadable);
        return;
    }
    const QList<StationValue> stations = stationValues(reply);
    ++m_sample.answered;
    m_retryMs = m_refusedRetryMs = m_config->cycleMs;
    m_sample.up = true;
    m_sample.lastSuccessMs = m_wallClockMs();
    m_sample.stationCount = int(stations.size());
    m_sample.stations.clear();
    for (const StationValue &v : stations)
        m_sample.stations.append(stationSample(v));
    if (m_monitor) {
        m_monitor->evaluated(m_sample.ap, stations);
        m_monitor->setApState(m_sample.ap, StationMonitor::ApState::Answered);
    }
    setState(State::LoggedIn);
}

void ApWatch::checkConnect()
{
    m_connectWatch->setEnabled(false);
    if (!m_attemptOpen)
        return;
    ++m_sample.connectFailed;
    fail(State::ConnectFailed);
}

void ApWatch::fail(State state)
{
    m_attemptOpen = false;
    m_connectWatch->setEnabled(false);
    m_session->stop();
    m_session->closeDown();
    m_sample.up = false;
    m_sample.stationCount.reset();
    m_sample.stations.clear();
    if (m_monitor) {
        using S = StationMonitor::ApState;
        m_monitor->setApState(m_sample.ap, state == State::NoAnswer       ? S::Silent
                                           : state == State::LoginRefused ? S::Refused
                                                                          : S::Lost);
    }
    setState(state);
    // Only a refused login waits long, so the account is not locked; anything else may be
    // back at any moment.
    int &delay = state == State::LoginRefused ? m_refusedRetryMs : m_retryMs;
    m_retry->setInterval(delay);
    m_retry->setEnabled(true);
    delay = qMin(delay * 2, state == State::LoginRefused ? maxRefusedRetryMs : maxRetryMs);
}

void ApWatch::connectAgain()
{
    m_retry->setEnabled(false);
    start();
}

void ApWatch::setState(State state)
{
    if (state == m_state)
        return;
    m_state = state;
    emit stateChanged(m_sample.ap, state);
}
