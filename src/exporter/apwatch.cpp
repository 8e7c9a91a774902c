#include "exporter/apwatch.h"

#include <QTcpSocket>

#include "monitor/reply.h"
#include "session/apsession.h"

namespace {
// The login dialogue takes 19 robot ticks of 200 ms before the first poll may go out.
constexpr qint64 loginMs = 4000;
} // namespace

ApWatch::ApWatch(const QString &ap, std::shared_ptr<const WatchConfig> config,
                 std::shared_ptr<SessionClock> clock, std::function<qint64()> wallClockMs, QObject *parent)
    : QObject(parent), m_config(std::move(config)), m_clock(std::move(clock)),
      m_wallClockMs(std::move(wallClockMs)), m_retryMs(m_config->cycleMs)
{
    m_sample.ap = ap;
    m_session = new ApSession(this, m_clock);
    m_session->timPoll_Power()->setInterval(m_config->cycleMs);
    m_session->setEvaluator(
        [cfg = m_config](const QString &text) { return parseReply(text, cfg->known, cfg->knownOnly); });
    m_session->setUserNameSource([cfg = m_config] { return cfg->user; });
    m_session->setAddressSource([ap] { return ap; });
    m_retry = m_clock->createTimer(m_retryMs, this);
    m_watch = m_clock->createTimer(m_config->cycleMs, this);

    connect(m_retry, &WinTimer::timeout, this, &ApWatch::connectAgain);
    connect(m_watch, &WinTimer::timeout, this, &ApWatch::checkAnswer);
    connect(m_session, &ApSession::firmware, this,
            [this](const QString &version) { m_sample.firmware = version.trimmed(); });
    connect(m_session, &ApSession::connected, this, [this] { m_lastProgressMs = m_clock->elapsedMs(); });
    connect(m_session, &ApSession::replyEvaluated, this, [this](const Reply &reply, bool duringLogin) {
        if (!duringLogin && reply.kind == Reply::Kind::Completed)
            answered(reply);
    });
    connect(m_session, &ApSession::loginRefused, this, [this] {
        ++m_sample.refused;
        fail(State::Refused);
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
    connect(m_session->TCPClient(), &QTcpSocket::errorOccurred, this,
            [this](QAbstractSocket::SocketError error) {
                if (!m_attemptOpen || m_session->verbunden || error == QAbstractSocket::RemoteHostClosedError)
                    return;
                ++m_sample.refused;
                fail(State::Refused);
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
    case State::Refused:
        return QStringLiteral("abgelehnt");
    case State::Closed:
        return QStringLiteral("Verbindung beendet");
    }
    return {};
}

void ApWatch::start()
{
    m_attemptOpen = true;
    m_answeredSinceConnect = false;
    m_lastProgressMs = m_clock->elapsedMs();
    m_session->login(m_sample.ap, m_config->password);
    m_watch->setEnabled(true);
}

void ApWatch::answered(const Reply &reply)
{
    ++m_sample.answered;
    m_answeredSinceConnect = true;
    m_lastProgressMs = m_clock->elapsedMs();
    m_retryMs = m_config->cycleMs;
    m_sample.up = true;
    m_sample.lastSuccessMs = m_wallClockMs();
    m_sample.stationCount = reply.stationCount;
    m_sample.stations.clear();
    for (const StationBlock &b : reply.blocks) {
        if (!b.passed)
            continue;
        StationSample s;
        s.mac = b.mac;
        s.name = b.name.isEmpty() ? b.mac : b.name;
        // Labels without the padding the access point puts around its words.
        s.mode = b.mode.value_or(QString()).trimmed();
        s.authentication = b.authentication.value_or(QString()).trimmed();
        s.encryption = b.encryption.value_or(QString()).trimmed();
        s.rxPerCent = b.rx;
        s.ackPerCent = b.ack;
        s.rateMbps = b.rate;
        m_sample.stations.append(s);
    }
    setState(State::LoggedIn);
}

// The session would keep asking a silent access point for ever; here it counts as down
// once three cycles (after the login's own time) went by without an answer.
void ApWatch::checkAnswer()
{
    if (!m_attemptOpen)
        return;
    const qint64 limit = 3 * qint64(m_config->cycleMs) + (m_answeredSinceConnect ? 0 : loginMs);
    if (m_clock->elapsedMs() - m_lastProgressMs < limit)
        return;
    ++m_sample.noAnswer;
    fail(State::NoAnswer);
}

void ApWatch::fail(State state)
{
    m_attemptOpen = false;
    m_watch->setEnabled(false);
    m_session->stop();
    m_session->closeDown();
    m_session->verbunden = false;
    m_sample.up = false;
    m_sample.stationCount.reset();
    m_sample.stations.clear();
    setState(state);
    m_retry->setInterval(m_retryMs);
    m_retry->setEnabled(true);
    m_retryMs = qMin(m_retryMs * 2, maxRetryMs);
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
