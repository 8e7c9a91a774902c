#include "session/apsession.h"

#include <QSignalBlocker>
#include <QTcpSocket>

#include "base/allgemein.h"
#include "session/robotticks.h"

namespace {

// 64 KiB: a chunk of that size is routed and shown in a few milliseconds.
constexpr qint64 socketReadBufferBytes = 64 * 1024;

const QString &noConnection()
{
    static const QString text = QStringLiteral("keine Verbindung zum AP");
    return text;
}

QString germanSocketError(QAbstractSocket::SocketError error, const QString &host)
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return QStringLiteral("Verbindung abgelehnt");
    case QAbstractSocket::HostNotFoundError:
        if (host.trimmed().isEmpty())
            return QStringLiteral("keine Adresse eingegeben");
        return QStringLiteral("Adresse nicht gefunden");
    case QAbstractSocket::SocketTimeoutError:
        return QStringLiteral("Zeitüberschreitung");
    case QAbstractSocket::NetworkError:
        return QStringLiteral("Netzwerk nicht erreichbar");
    case QAbstractSocket::SocketAccessError:
        return QStringLiteral("Zugriff verweigert");
    case QAbstractSocket::SocketResourceError:
        return QStringLiteral("zu wenig Systemressourcen");
    case QAbstractSocket::UnsupportedSocketOperationError:
        return QStringLiteral("Adresse wird nicht unterstützt");
    case QAbstractSocket::AddressInUseError:
        return QStringLiteral("Adresse wird bereits verwendet");
    case QAbstractSocket::SocketAddressNotAvailableError:
        return QStringLiteral("Adresse nicht verfügbar");
    default:
        return QStringLiteral("Fehler %1").arg(int(error));
    }
}

} // namespace

ApSession::ApSession(QObject *parent, std::shared_ptr<SessionClock> clock)
    : QObject(parent), m_clock(clock ? std::move(clock) : std::make_shared<RealClock>())
{
    setObjectName(QStringLiteral("session"));
    const auto timer = [this](int ms, const char *name) {
        WinTimer *t = m_clock->createTimer(ms, this);
        t->setObjectName(QLatin1String(name));
        return t;
    };
    m_evaluation = timer(1000, "timAuswertung");
    m_robot = timer(200, "timPWRobot");
    m_poll = timer(5000, "timPoll_Power");
    m_chunkPause = timer(100, "chunkPause");
    m_logoutPause = timer(1000, "logoutPause");
    m_socket = new QTcpSocket(this);
    m_socket->setObjectName(QStringLiteral("TCPClient"));

    connect(m_evaluation, &WinTimer::timeout, this, &ApSession::timAuswertung_Timer);
    connect(m_robot, &WinTimer::timeout, this, &ApSession::timPWRobot_Timer);
    connect(m_poll, &WinTimer::timeout, this, &ApSession::timPoll_Power_Timer);
    connect(m_chunkPause, &WinTimer::timeout, this, &ApSession::chunkPauseOver);
    connect(m_logoutPause, &WinTimer::timeout, this, &ApSession::finishLogout);
    connect(m_socket, &QTcpSocket::connected, this, &ApSession::TCPClient_Connect);
    connect(m_socket, &QTcpSocket::readyRead, this, &ApSession::TCPClient_DataArrival);
    connect(m_socket, &QTcpSocket::disconnected, this, &ApSession::TCPClient_Close);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &ApSession::TCPClient_Error);
}

ApSession::~ApSession()
{
    // The socket goes with the children and would report its close to listeners that
    // are half gone.
    m_socket->disconnect(this);
}

void ApSession::setFilter(const KnownClients &known, bool knownOnly)
{
    m_known = known;
    m_knownOnly = knownOnly;
}

void ApSession::setPollInterval(int ms)
{
    m_poll->setInterval(ms);
}

void ApSession::setOneShot(bool on, const QString &command)
{
    m_oneShot = on;
    m_oneShotCommand = command;
}

QString ApSession::address() const
{
    return m_address ? m_address() : m_host;
}

void ApSession::showStatus(const QString &text, StatusKind kind)
{
    m_statusText = text;
    emit statusChanged(text, kind);
}

void ApSession::setDataLamp(bool lit)
{
    m_dataLampLit = lit;
    emit dataLamp(lit);
}

void ApSession::setConnectionLamp(bool lit)
{
    m_connectionLampLit = lit;
    emit connectionLamp(lit);
}

void ApSession::setReplyText(const QString &text)
{
    m_reply = text;
    emit replyTextReset(m_reply);
}

void ApSession::setManualAnswer(const QString &text)
{
    m_manual = text;
    emit manualAnswerReset(m_manual);
}

void ApSession::appendManualAnswer(const QString &piece)
{
    m_manual += piece;
    emit manualAnswerAppended(piece);
}

// ---- Connection ----

void ApSession::login(const QString &host, const QString &password)
{
    m_loginPhase = true;
    // A connection dropped by closeDown() reported no close: this attempt starts unconnected.
    m_verbunden = false;
    m_closedDown = false;
    m_logoutPause->setEnabled(false);
    if (m_socket->state() != QAbstractSocket::UnconnectedState) {
        // A leftover attempt is dropped quietly; only the new one counts.
        const QSignalBlocker blocker(m_socket);
        m_socket->abort();
    }
    // A bounded read buffer lets TCP hold back an access point that keeps sending,
    // instead of memory filling up while chunks wait for their pause to end.
    m_socket->setReadBufferSize(socketReadBufferBytes);
    m_host = host;
    // The system picks the local port. The address goes to the socket as typed; an
    // unusable one comes back as an error event and leaves the session connecting.
    m_socket->connectToHost(host, 23);
    m_password = fTrim(password);
}

void ApSession::sendCommand(const QString &text)
{
    if (m_socket->state() != QAbstractSocket::ConnectedState)
        return;
    m_socket->write((text + QStringLiteral("\r\n")).toLatin1());
    // Out now: the access point goes by the robot's clock.
    m_socket->flush();
}

void ApSession::TCPClient_Connect()
{
    showStatus(QStringLiteral("AP lokalisiert"), StatusKind::Connected);
    setConnectionLamp(true);
    m_verbunden = true;
    m_receivedSinceConnect = false;
    m_replyCut = false;
    m_pollOutstanding = false;
    m_pollAgain = false;
    m_statusNote = StatusNote::None;
    m_lastEvaluation = m_clock->currentTime();
    m_robotTick = 0;
    m_robot->setEnabled(true);
    emit connected();
}

void ApSession::TCPClient_DataArrival()
{
    // Bytes that come during the pause after a chunk wait in the socket; the end of
    // the pause takes them up as the next chunk.
    if (m_chunkPause->enabled() || m_closedDown)
        return;
    do {
        setDataLamp(false);
        const QByteArray bytes = m_socket->readAll();
        if (!bytes.isEmpty())
            m_receivedSinceConnect = true;
        const bool login = m_loginPhase;
        routeChunk(QString::fromLatin1(bytes));
        if (!login) {
            m_chunkPause->setEnabled(true); // the 100 ms for the rest of a reply to come in
            return;
        }
    } while (!m_closedDown && m_socket->bytesAvailable() > 0);
}

void ApSession::chunkPauseOver()
{
    m_chunkPause->setEnabled(false);
    setDataLamp(true);
    if (!m_closedDown && m_socket->bytesAvailable() > 0)
        TCPClient_DataArrival();
}

void ApSession::routeChunk(const QString &chunk)
{
    if (m_loginPhase) {
        if (chunk.size() > maxReceivedChars)
            showReplyCut();
        setReplyText(chunk.left(maxReceivedChars));
        evaluate(m_reply);
        return;
    }

    // A chunk that begins with "*" replaces whatever stands before it (an echo, a header),
    // unless the text already holds a station block: then it continues the same reply, and
    // emptying it would lose the blocks received so far.
    if (chunk.startsWith(QLatin1Char('*')) && !m_reply.contains(stationSeparator())) {
        setReplyText(QString());
        m_replyCut = false;
    }
    m_replyLine.clear();
    QString shown;
    shown.reserve(chunk.size());
    m_replyLine.reserve(chunk.size());
    // Copied in runs between line ends, not character by character.
    qsizetype runStart = 0;
    for (qsizetype i = 0; i <= chunk.size(); ++i) {
        if (i < chunk.size() && chunk[i] != QLatin1Char('\r') && chunk[i] != QLatin1Char('\n'))
            continue;
        const QStringView run = QStringView(chunk).mid(runStart, i - runStart);
        m_replyLine += run;
        shown += run;
        if (i < chunk.size() && chunk[i] == QLatin1Char('\r'))
            m_replyLine += QLatin1Char(',');
        runStart = i + 1;
    }
    // The reply text keeps its beginning: that is what the evaluation reads.
    const qsizetype room = maxReceivedChars - m_reply.size();
    if (shown.size() > room) {
        if (!m_replyCut)
            showReplyCut();
        m_replyCut = true;
        shown.truncate(qMax<qsizetype>(room, 0));
    }
    m_reply += shown;
    emit replyTextAppended(shown);
    if (m_manualMode) {
        // The answers keep the newest text. They are cut down to seven eighths at a time,
        // so that a steady stream rebuilds the box only once per 128 KiB.
        if (m_manual.size() + m_replyLine.size() > maxReceivedChars) {
            const QString all = m_manual + m_replyLine;
            setManualAnswer(all.right(maxReceivedChars - maxReceivedChars / 8));
            showReplyCut();
        } else {
            appendManualAnswer(m_replyLine);
        }
        // The answer to an open poll came here instead of to the evaluation: the next
        // polling tick asks again.
        if (m_pollOutstanding) {
            m_pollOutstanding = false;
            m_pollAgain = true;
        }
    } else {
        m_dataArrived = true;
        m_evaluation->setEnabled(true);
    }
}

void ApSession::showReplyCut()
{
    if (!m_verbunden)
        return;
    showStatus(QStringLiteral("Antwort des AP gekürzt: mehr als 1 MiB empfangen"), StatusKind::Unchanged);
    m_statusNote = StatusNote::ReplyCut;
}

void ApSession::showClosed()
{
    showStatus(noConnection(), StatusKind::NoConnection);
    m_verbunden = false;
}

void ApSession::TCPClient_Close()
{
    showClosed();
    emit connectionClosed();
}

void ApSession::TCPClient_Error()
{
    // Only a failed attempt is reported; an established connection that breaks ends in
    // the close event instead.
    if (m_verbunden || m_closedDown)
        return;
    const QAbstractSocket::SocketError error = m_socket->error();
    if (error == QAbstractSocket::RemoteHostClosedError)
        return;
    const QString reason = germanSocketError(error, m_socket->peerName());
    showStatus(QStringLiteral("Verbindung fehlgeschlagen: ") + reason, StatusKind::Unchanged);
    emit connectFailed(error, reason);
}

// ---- Login robot ----

void ApSession::timPWRobot_Timer()
{
    if (m_closedDown)
        return;
    ++m_robotTick;
    const auto showStep = [this](const char *step) {
        showStatus(m_statusBase + QStringLiteral("\r\n") + QString::fromUtf8(step), StatusKind::Unchanged);
    };
    switch (m_robotTick) {
    case RobotTick::SendUser:
        sendCommand(fTrim(m_userName ? m_userName() : QString()));
        m_statusBase = m_statusText;
        showStep("sende Username");
        break;
    case RobotTick::SendPassword:
        sendCommand(m_password);
        showStep("sende Passwort");
        break;
    case RobotTick::AskFirmware:
        setReplyText(QString());
        sendCommand(QStringLiteral("version"));
        showStep("hole Firmware");
        break;
    case RobotTick::ReadFirmware:
        evaluate(m_reply);
        // The evaluation may have ended the dialogue (refused login, restart): its status stays.
        if (m_closedDown || !m_robot->enabled())
            return;
        showStep("Antwort erhalten");
        break;
    case RobotTick::SendAction:
        if (m_oneShot) {
            sendCommand(m_oneShotCommand);
            showStep("sende Befehl");
        }
        break;
    case RobotTick::LoginDone: {
        m_loginPhase = false;
        m_robot->setEnabled(false);
        // A connection that is gone, or an access point that never said a word, is no
        // established connection, whatever the clock says.
        const bool closed = !m_verbunden || m_socket->state() != QAbstractSocket::ConnectedState;
        if (m_oneShot) {
            emit oneShotFinished(closed                    ? OneShotOutcome::ConnectionLost
                                 : !m_receivedSinceConnect ? OneShotOutcome::NoAnswer
                                                           : OneShotOutcome::Sent);
            return;
        }
        m_poll->setEnabled(true);
        if (closed) {
            // The later steps have written over what the close event said: say it again.
            showClosed();
        } else if (!m_receivedSinceConnect) {
            showStatus(QStringLiteral("keine Antwort vom AP"), StatusKind::NoConnection);
            m_statusNote = StatusNote::NoAnswer;
            emit noAnswer();
        } else {
            showStatus(QStringLiteral("Verbindung zu AP") + fGetField(address(), QStringLiteral("."), 4) +
                           QStringLiteral(" aufgebaut"),
                       StatusKind::Unchanged);
        }
        break;
    }
    default:
        break;
    }
}

// ---- Polling and evaluation ----

// Polling: at most one "get station" per finished evaluation; a tick that finds the
// previous reply still open is lost. An access point that stops answering is asked
// again once three intervals have passed without an evaluation.
void ApSession::timPoll_Power_Timer()
{
    if (!m_verbunden || m_closedDown)
        return;
    if (m_iamReady || m_pollAgain) {
        // Everything received has been evaluated: the text holds only the coming reply,
        // so a reply that does not begin with the separator cannot pile up on earlier ones.
        setReplyText(QString());
        m_replyCut = false;
        sendCommand(QStringLiteral("get station"));
        m_iamReady = false;
        m_pollAgain = false;
        m_pollOutstanding = true;
        m_pollSentAt = m_clock->elapsedMs();
        return;
    }
    if (m_pollOutstanding && m_clock->elapsedMs() - m_pollSentAt >= noAnswerAfterMs(m_poll->interval())) {
        showStatus(QStringLiteral("keine Antwort vom AP seit ") +
                       m_lastEvaluation.toString(QStringLiteral("HH:mm:ss")),
                   StatusKind::NoConnection);
        m_statusNote = StatusNote::NoAnswer;
        m_pollAgain = true;
        emit noAnswer();
    }
}

// A reply counts as complete once a whole interval passed without a new chunk. The
// connection lamp blinks on every tick while a reply settles.
void ApSession::timAuswertung_Timer()
{
    if (m_closedDown)
        return;
    if (!m_dataArrived) {
        evaluate(m_reply);
        m_evaluation->setEnabled(false);
    }
    m_dataArrived = false;
    setConnectionLamp(!m_connectionLampLit);
}

void ApSession::evaluate(const QString &text)
{
    const bool duringLogin = m_loginPhase;
    const Reply reply = parseReply(text, m_known, m_knownOnly);
    switch (reply.kind) {
    case Reply::Kind::Refused:
        m_robot->setEnabled(false);
        m_poll->setEnabled(false);
        emit loginRefused();
        m_iamReady = true;
        return;
    case Reply::Kind::Rebooting:
        m_poll->setEnabled(false);
        emit rebooting();
        return;
    case Reply::Kind::TooShort:
    case Reply::Kind::Completed:
        break;
    }
    if (reply.firmware)
        emit firmware(*reply.firmware);
    emit replyEvaluated(reply, duringLogin);
    if (reply.kind == Reply::Kind::TooShort)
        return; // too short to be a reply; IamReady stays as it is
    m_iamReady = true;
    evaluationCompleted();
}

void ApSession::evaluationCompleted()
{
    m_lastEvaluation = m_clock->currentTime();
    m_pollOutstanding = false;
    m_pollAgain = false;
    if (m_statusNote == StatusNote::None || m_loginPhase || !m_verbunden || m_closedDown)
        return;
    if (m_replyCut) {
        showReplyCut(); // the evaluated reply itself was cut: the note stays
        return;
    }
    m_statusNote = StatusNote::None;
    showConnectedCaption();
}

void ApSession::showConnectedCaption()
{
    showStatus(QStringLiteral("Verbindung zu AP") + fGetField(address(), QStringLiteral("."), 4) +
                   QStringLiteral(" aufgebaut"),
               StatusKind::Connected);
}

// ---- Logout and end ----

void ApSession::logout()
{
    setConnectionLamp(false);
    showStatus(QStringLiteral("Verbindung wird getrennt"), StatusKind::Unchanged);
    m_poll->setEnabled(false);
    // Nothing may go out after a logout, so the login robot stops as well.
    m_robot->setEnabled(false);
    m_logoutPause->setEnabled(true);
}

void ApSession::finishLogout()
{
    m_logoutPause->setEnabled(false);
    {
        // Our own close: the peer-close handler must not run for it. Harmless when the
        // socket never connected or the peer has already closed.
        const QSignalBlocker blocker(m_socket);
        m_socket->abort();
    }
    showClosed();
    setManualAnswer(QString());
    setReplyText(QString());
    emit loggedOut();
}

void ApSession::stop()
{
    m_robot->setEnabled(false);
    m_poll->setEnabled(false);
    m_evaluation->setEnabled(false);
    m_loginPhase = false;
}

void ApSession::closeDown()
{
    // The three designed timers keep their state, but their ticks do nothing from now on.
    m_closedDown = true;
    m_chunkPause->setEnabled(false);
    m_logoutPause->setEnabled(false);
    // Dropped without logging out; this is our close, not the peer's, so no close event.
    const QSignalBlocker blocker(m_socket);
    m_socket->abort();
}
