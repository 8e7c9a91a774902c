#pragma once

// A simulated DWL-2100AP telnet command line for tests and demonstrations.
//
// ApSim listens on one address and port (23 by default) and speaks a plain-text
// layout built around the markers the monitoring tool reads:
//
//   on connect            "login: "
//   after the user name   "password: "
//   wrong credentials     "Incorrect login" CR LF, then "login: " again
//   correct login         a welcome line, then the prompt "DWL-2100AP> "
//   version               "SOFTWARE_VERSION: v2.50", "HARDWARE_VERSION: A5", prompt
//   get station           per station: a line of 49 asterisks, the MAC address,
//                         " RxSignalStrength: n" (or " RxSignalStrength(per cent): n"),
//                         " AckSignalStrength: n", " Authentication Type: ...",
//                         " WLAN Mode: 11g, Rx Data Rate: 54 Mbps", " Encryption: ...";
//                         "No station associated." without stations; then the prompt
//   reboot                "Rebooting ..." and the connection closes
//   quit                  the connection closes
//   get rate|channel|ssid|hardware|power|antenna|eth2sta, set antenna 1|2|best,
//   set eth2sta enable|disable: short answers; anything else "Unknown command".
//
// Every reply line ends with the configured line end (CR LF by default). Received
// lines may end with CR LF, LF or CR. Every received line is logged with the time in
// ms since its connection opened. Faults (chunking, delays, drip, garbage, a huge
// reply, closing after a number of lines, silence, refusing every login) are options.
// Several connections may be open at once; each gets its own login dialogue.

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>
#include <QTcpServer>

class QTcpSocket;

namespace apsim {

// One associated station as "get station" reports it.
struct Station
{
    QString mac;          // 17 characters, e.g. "F0:18:98:00:00:01"
    int rx = 40;          // 0..64, or 0..100 when perCent
    int ack = 32;         // always 0..64
    bool perCent = false; // report "RxSignalStrength(per cent):"
    QString authentication = QStringLiteral("Open System");
    QString wlanMode = QStringLiteral("11g");
    int rxRate = 54; // Mbps
    QString encryption = QStringLiteral("Off");
};

// The MAC of makeStations' station index (from 0): in turn an Apple phone, an Intel
// laptop, a locally administered (private) address and a Samsung phone, with middle as
// the fourth and fifth byte and index + 1 as the last:
// F0:18:98:00:00:01, AC:ED:5C:00:00:02, 02:11:A0:00:00:03, 88:29:9C:00:00:04, F0:18:98:00:00:05 ...
QString stationMac(int index, quint16 middle = 0);

// n stations with distinct MACs stationMac(0), stationMac(1), ... and differing levels.
QList<Station> makeStations(int count, bool perCent = false);

// Bytes that are not text: NUL, 0xFF (also as telnet IAC sequences), control codes.
QByteArray defaultGarbage();

enum class LineEnd { CrLf, Cr, Lf };

struct Options
{
    // Credentials; compared exactly as received (no trimming).
    QByteArray user = "admin";
    QByteArray password = "admin";
    bool rejectEveryLogin = false; // answer "Incorrect login" whatever is sent

    QList<Station> stations;   // empty: "No station associated."
    bool movingValues = false; // each "get station" moves rx/ack by a few steps
    quint32 seed = 1;          // for movingValues, so runs repeat
    QByteArray stationHeader;  // text put before the first separator (may be empty)
    int hugeReplyBytes = 0;    // >0: "get station" starts with this many filler bytes
    // Stations that come and go: >0 makes every station but the first leave and return,
    // each keeping its state for this many "get station" replies (at most one of three
    // is away at a time, the first never).
    int comeAndGoPolls = 0;
    // Levels that drift: >0 swings rx and ack of each station slowly up and down (by a
    // quarter of the scale), one full swing in this many "get station" replies.
    int driftPolls = 0;
    // One station gone for long: >0 keeps the last station (of at least two) away for
    // this many "get station" replies in every twice as many, the first time from the
    // sixth reply on (it then takes no part in coming and going).
    int awayPolls = 0;
    // One level that fades: >0 drops the first station's receive level to a tenth of its
    // scale for this many replies in every six times as many, the first time from the
    // eleventh reply on.
    int fadePolls = 0;

    QByteArray firmware = "v2.50";
    QByteArray hardware = "A5";
    QByteArray ssid = "senvaro-demo";
    int channel = 6;

    LineEnd lineEnd = LineEnd::CrLf; // line end of every reply line
    bool echo = false;               // send each received line back (not the password)

    int replyDelayMs = 0;    // wait before a reply starts
    int chunkSize = 0;       // >0: write replies in pieces of this many bytes
    int chunkDelayMs = 0;    // pause between pieces (chunkSize 1 + delay = drip)
    int closeAfterLines = 0; // >0: close after answering this many received lines
    bool noReply = false;    // accept, log, never send anything
    QByteArray garbage;      // put in front of every reply (see defaultGarbage)
    QByteArray stationError; // non-empty: "get station" is answered with this line instead

    // Shapes of a "get station" reply that does not begin with the separator.
    QByteArray stationHeaderLine; // a line (with line end) before the first separator
    bool leadingLineEnd = false;  // the reply begins with an empty line
    bool echoApart = false;       // echo each received line (not the password) in a write
    int echoApartGapMs = 50;      // of its own, the answer following this many ms later
    int blockGapMs = 0;           // >0: each station block after the first in a write of its
                                  // own, this many ms after the one before
};

// One received line (line end removed), with the connection's number (1, 2, ... in
// order of acceptance) and the time in ms since that connection was accepted.
struct LogEntry
{
    int connection = 0;
    qint64 ms = 0;
    QByteArray line;
};

class ApSimConnection;

class ApSim : public QObject
{
    Q_OBJECT
public:
    explicit ApSim(QObject *parent = nullptr);
    explicit ApSim(const Options &options, QObject *parent = nullptr);
    ~ApSim() override;

    // Starts listening; false (see errorString) when the address cannot be bound.
    bool listen(const QHostAddress &address, quint16 port = 23);
    bool isListening() const;
    QString errorString() const;
    QHostAddress address() const;
    quint16 port() const;
    // Stops listening and drops every open connection.
    void stop();

    // Options apply to everything sent from now on (also on open connections).
    Options &options() { return m_options; }
    const Options &options() const { return m_options; }
    void setOptions(const Options &options) { m_options = options; }

    // Received lines of all connections, in arrival order.
    const QList<LogEntry> &log() const { return m_log; }
    // Just the lines (of one connection, or of all with 0).
    QList<QByteArray> lines(int connection = 0) const;
    void clearLog() { m_log.clear(); }
    // Every byte a connection has received, exactly (line ends included).
    QByteArray receivedBytes(int connection) const;

    int connectionsAccepted() const { return m_accepted; }
    int openConnections() const;

    // Writes bytes to every open connection at once, in one write, bypassing options.
    void sendRaw(const QByteArray &bytes);
    // Closes every open connection from the access point's side.
    void closeConnections();

    // Stations that join by hand (a group's "join" command, or a test directly): listed
    // after the generated ones from the next "get station" reply on, in the order they
    // joined, each with levels that move with every reply whatever movingValues says.
    // mac in colon form, any case; it is listed in upper case. False when mac is no such
    // MAC address or a generated station already has it; joining again changes nothing.
    bool addStation(const QString &mac);
    // False when the station had not joined here.
    bool removeStation(const QString &mac);
    bool hasStation(const QString &mac) const;
    QStringList joinedStations() const;
    // "aa:bb:cc:dd:ee:ff" in any case as upper case; empty when text is not of that form.
    static QString normalizedMac(const QString &text);

    // The reply a command line gets after login (without garbage, delay or chunking).
    QByteArray replyTo(const QByteArray &line, bool *closeAfter = nullptr);
    QByteArray stationReply();

    static QByteArray prompt() { return "DWL-2100AP> "; }
    static QByteArray separator() { return QByteArray(49, '*'); }

signals:
    void clientConnected(int connection);
    void lineReceived(int connection, qint64 ms, const QByteArray &line);
    void clientDisconnected(int connection);

private:
    friend class ApSimConnection;
    void onNewConnection();
    void record(int connection, qint64 ms, const QByteArray &line);
    QByteArray eol() const;
    void moveValues();
    // The stations one "get station" reply shows (come and go, drift applied).
    QList<Station> shownStations(int poll) const;
    qsizetype joinedIndex(const QString &mac) const; // -1 when not joined
    void moveJoined();

    Options m_options;
    QTcpServer m_server;
    QList<LogEntry> m_log;
    QList<ApSimConnection *> m_connections; // open ones
    QList<QByteArray> m_received;           // per connection, index = number - 1
    int m_accepted = 0;
    QRandomGenerator m_random;
    bool m_seeded = false;
    QByteArray m_antenna = "best";
    bool m_eth2sta = true;
    int m_stationPolls = 0;  // "get station" replies with stations so far
    QList<Station> m_joined; // upper-case MACs
    QRandomGenerator m_joinRandom;
    bool m_joinSeeded = false;
};

} // namespace apsim
