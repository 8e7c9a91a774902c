#pragma once

#include <QAbstractSocket>
#include <QObject>
#include <QString>
#include <QTime>
#include <functional>
#include <memory>

#include "base/wintimer.h"
#include "config/knownclients.h"
#include "monitor/reply.h"

class QTcpSocket;

// How the status line shows a text: its background. Unchanged keeps what it had.
enum class StatusKind { Unchanged, Connected, NoConnection, Refused };

// How a one-shot login ended at its last robot tick.
enum class OneShotOutcome {
    Sent,           // the action went out on a live connection that had answered
    ConnectionLost, // the connection was gone
    NoAnswer,       // the access point never sent a byte
};

// The telnet session with one access point: the socket, the login robot with its
// 200 ms clock, polling and evaluation, the received text with its bounds and the
// no-answer watch. It knows no widget: whoever shows it listens to its signals, and
// deciding that the program ends is left to that listener.
class ApSession : public QObject
{
    Q_OBJECT
public:
    explicit ApSession(QObject *parent = nullptr, std::shared_ptr<SessionClock> clock = {});
    ~ApSession() override;

    // The received reply text and the manual answer text each keep at most this many
    // characters (one byte each on the wire): the reply its beginning, the answers the
    // newest text.
    static constexpr qsizetype maxReceivedChars = qsizetype(1) << 20;
    // The no-answer rule, for every watcher of an access point: a poll unanswered for
    // three cycles, and never less than this, means the access point has gone silent.
    static constexpr qint64 minNoAnswerMs = 10000;
    static qint64 noAnswerAfterMs(int pollIntervalMs)
    {
        return qMax<qint64>(3 * qint64(pollIntervalMs), minNoAnswerMs);
    }

    // What a reply is judged by: the known clients and whether only they pass. Read at each
    // evaluation, so the owner hands over every change as it happens.
    void setFilter(const KnownClients &known, bool knownOnly);
    // The polling cycle; a poll under way keeps its time.
    void setPollInterval(int ms);
    // Read when they are needed: the user name at the robot's tick 4, the address for
    // the connected caption.
    void setUserNameSource(std::function<QString()> source) { m_userName = std::move(source); }
    void setAddressSource(std::function<QString()> source) { m_address = std::move(source); }
    // A one-shot run sends command at tick 13 and ends at tick 19 instead of polling.
    void setOneShot(bool on, const QString &command = {});
    // While the manual page is shown, received text goes to the manual answers.
    void setManualMode(bool on) { m_manualMode = on; }

    // ---- The designed flags (the window shows them under these names) ----
    bool IamReady() const { return m_iamReady; }   // last reply evaluated: the next poll may go out
    bool verbunden() const { return m_verbunden; } // the telnet connection is up
    bool loginPhase() const
    {
        return m_loginPhase;
    } // the login dialogue runs: every chunk goes to the parser

    // ---- Actions ----
    // LOGIN: connects to host port 23 and keeps the password trimmed.
    void login(const QString &host, const QString &password);
    // Writes text and CR LF as one send; nothing without a connection.
    void sendCommand(const QString &text);
    // Logout: polling and robot stop at once, the socket closes 1000 ms later;
    // loggedOut() follows.
    void logout();
    // Stops every clock of the session (robot, polling, evaluation) and the login phase.
    void stop();
    // The window goes: the connection is dropped without a close event, and the session's
    // timers tick on without effect.
    void closeDown();
    // The parser's call with a reply text and the decisions after it.
    void evaluate(const QString &text);
    // One chunk's routing (no lamp, no pause).
    void routeChunk(const QString &chunk);
    // A status text from outside the session (it is the robot's base at tick 4).
    void showStatus(const QString &text, StatusKind kind);

    // ---- Received text ----
    const QString &replyText() const { return m_reply; }
    void setReplyText(const QString &text);
    const QString &manualAnswer() const { return m_manual; }
    void setManualAnswer(const QString &text);
    void appendManualAnswer(const QString &piece);
    // The user edited the shown answers: this is their text now (nothing is reported).
    void adoptManualAnswer(const QString &text) { m_manual = text; }

    // ---- State, for listeners and tests ----
    qint16 robotTick() const { return m_robotTick; }
    const QString &sPassword() const { return m_password; }
    const QString &statusBase() const { return m_statusBase; }
    const QString &sReplyLine() const { return m_replyLine; }
    const QString &statusText() const { return m_statusText; }
    bool dataArrived() const { return m_dataArrived; }
    bool receivedSinceConnect() const { return m_receivedSinceConnect; }
    bool replyCut() const { return m_replyCut; }
    bool pollOutstanding() const { return m_pollOutstanding; }
    bool pollAgain() const { return m_pollAgain; }
    QTime lastEvaluation() const { return m_lastEvaluation; }
    // When the last "get station" went out, on the clock's elapsed time.
    qint64 pollSentAtMs() const { return m_pollSentAt; }
    enum class StatusNote { None, ReplyCut, NoAnswer };
    StatusNote statusNote() const { return m_statusNote; }

    // The address of the last login, as typed.
    const QString &host() const { return m_host; }
    QTcpSocket *TCPClient() const { return m_socket; }
    WinTimer *timPWRobot() const { return m_robot; }
    WinTimer *timPoll_Power() const { return m_poll; }
    WinTimer *timAuswertung() const { return m_evaluation; }
    SessionClock &clock() const { return *m_clock; }
    const std::shared_ptr<SessionClock> &sharedClock() const { return m_clock; }

    // ---- Handlers of the socket and the clocks ----
    void TCPClient_Connect();
    void TCPClient_DataArrival();
    void TCPClient_Close();
    void TCPClient_Error(); // a failed attempt (refused, unreachable, unresolved)
    void timPWRobot_Timer();
    void timPoll_Power_Timer();
    void timAuswertung_Timer();

signals:
    void statusChanged(const QString &text, StatusKind kind);
    void dataLamp(bool lit);       // dark while a chunk is handled and its pause runs
    void connectionLamp(bool lit); // lit on connect, blinks while a reply settles
    void replyTextReset(const QString &text);
    void replyTextAppended(const QString &piece);
    void manualAnswerReset(const QString &text);
    void manualAnswerAppended(const QString &piece);
    void firmware(const QString &version);
    // A completed reply, or one too short to be a reply (it may name the firmware).
    void replyEvaluated(const Reply &reply, bool duringLogin);
    void loginRefused(); // robot and polling are off
    void rebooting();    // polling is off
    // A connection that could not be made (refused, unreachable, unresolved), with the
    // German reason the status line shows.
    void connectFailed(QAbstractSocket::SocketError error, const QString &reason);
    void connected();        // the connect event
    void connectionClosed(); // the access point closed the connection
    void noAnswer();         // the access point has gone silent (after the login, or a poll)
    void loggedOut();        // the end of a logout: socket closed, texts emptied
    void oneShotFinished(OneShotOutcome outcome);

private:
    void evaluationCompleted();
    void showReplyCut();
    void showConnectedCaption();
    void showClosed();
    void chunkPauseOver();
    void finishLogout();
    void setDataLamp(bool lit);
    void setConnectionLamp(bool lit);
    QString address() const;

    std::shared_ptr<SessionClock> m_clock;
    QTcpSocket *m_socket;
    WinTimer *m_robot;       // 200 ms, login robot
    WinTimer *m_poll;        // 5000 ms or the chosen cycle, polling
    WinTimer *m_evaluation;  // 1000 ms, evaluation
    WinTimer *m_chunkPause;  // 100 ms after a chunk: further bytes wait
    WinTimer *m_logoutPause; // 1000 ms before the logout closes the socket

    KnownClients m_known;
    bool m_knownOnly = false;
    std::function<QString()> m_userName;
    std::function<QString()> m_address;
    QString m_host;
    bool m_oneShot = false;
    QString m_oneShotCommand;
    bool m_manualMode = false;
    bool m_closedDown = false;
    bool m_iamReady = false;
    bool m_verbunden = false;
    bool m_loginPhase = false;

    qint16 m_robotTick = 0;
    QString m_password;
    QString m_statusBase; // kept by the robot between ticks, also from one login to the next
    QString m_statusText = QStringLiteral("keine Verbindung zum AP");
    QString m_replyLine;
    QString m_reply;
    QString m_manual;
    bool m_dataArrived = false;
    bool m_dataLampLit = true;
    bool m_connectionLampLit = false;

    StatusNote m_statusNote = StatusNote::None;
    bool m_receivedSinceConnect = false;
    bool m_replyCut = false;        // the current reply lost text to the bound
    bool m_pollOutstanding = false; // "get station" sent, no evaluation completed since
    bool m_pollAgain = false;       // the next polling tick sends even without IamReady
    qint64 m_pollSentAt = 0;
    QTime m_lastEvaluation; // of the last completed evaluation (or of the connect)
};
