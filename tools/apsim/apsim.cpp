#include "apsim.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTimer>
#include <deque>

namespace apsim {

QString stationMac(int index, quint16 middle)
{
    static const char *const prefixes[] = {"F0:18:98", "AC:ED:5C", "02:11:A0", "88:29:9C"};
    return QStringLiteral("%1:%2:%3:%4")
        .arg(QLatin1String(prefixes[index % 4]))
        .arg(middle >> 8, 2, 16, QLatin1Char('0'))
        .arg(middle & 0xff, 2, 16, QLatin1Char('0'))
        .arg((index + 1) & 0xff, 2, 16, QLatin1Char('0'))
        .toUpper();
}

QList<Station> makeStations(int count, bool perCent)
{
    static const char *const auths[] = {"Open System", "Shared Key", "WPA-PSK"};
    static const char *const modes[] = {"11g", "11b", "11g"};
    static const char *const encs[] = {"Off", "On", "AES"};
    QList<Station> list;
    for (int i = 0; i < count; ++i) {
        Station s;
        s.mac = stationMac(i);
        s.perCent = perCent;
        s.rx = perCent ? 80 - (i * 7) % 60 : 48 - (i * 5) % 40;
        s.ack = 40 - (i * 3) % 30;
        s.authentication = QString::fromLatin1(auths[i % 3]);
        s.wlanMode = QString::fromLatin1(modes[i % 3]);
        s.rxRate = (i % 3 == 1) ? 11 : 54 - (i % 4) * 6;
        s.encryption = QString::fromLatin1(encs[i % 3]);
        list.append(s);
    }
    return list;
}

QByteArray defaultGarbage()
{
    // NUL, telnet IAC DO/WILL sequences (0xFF), bytes above 0x7F, an escape sequence.
    static const char bytes[] = "\x00\xff\xfd\x01\xff\xfb\x03\x1b[2J\x07\x80\xfe\x7f\x00";
    return QByteArray(bytes, sizeof(bytes) - 1);
}

// One accepted connection: its login dialogue, line splitting and output queue.
class ApSimConnection : public QObject
{
public:
    enum class State { User, Password, Shell, Closing };

    ApSimConnection(ApSim *sim, QTcpSocket *socket, int number)
        : QObject(sim), m_sim(sim), m_socket(socket), m_number(number)
    {
        m_clock.start();
        m_socket->setParent(this);
        m_pump.setSingleShot(true);
        m_pump.setTimerType(Qt::PreciseTimer);
        connect(&m_pump, &QTimer::timeout, this, [this] { pump(); });
        connect(m_socket, &QTcpSocket::readyRead, this, [this] { onReadyRead(); });
        connect(m_socket, &QTcpSocket::disconnected, this, [this] { onDisconnected(); });
    }

    int number() const { return m_number; }

    void start() { reply("login: ", false); }

    void writeNow(const QByteArray &bytes)
    {
        if (m_socket->state() == QAbstractSocket::ConnectedState) {
            m_socket->write(bytes);
            m_socket->flush();
        }
    }

    // Gone at once, without the disconnect bookkeeping (the simulator is stopping).
    void dropQuietly()
    {
        m_pump.stop();
        m_socket->disconnect(this);
        m_socket->abort();
        delete this;
    }

    void closeNow()
    {
        m_state = State::Closing;
        m_queue.clear();
        m_socket->disconnectFromHost();
    }

private:
    struct Out
    {
        qint64 due;
        QByteArray bytes;
        bool close;
    };

    void onReadyRead()
    {
        const QByteArray data = m_socket->readAll();
        m_sim->m_received[m_number - 1].append(data);
        for (char c : data) {
            if (c == '\n' && m_lastWasCr) {
                m_lastWasCr = false;
                continue;
            }
            m_lastWasCr = (c == '\r');
            if (c == '\r' || c == '\n') {
                const QByteArray line = m_line;
                m_line.clear();
                handleLine(line);
            } else {
                m_line.append(c);
            }
        }
    }

    void handleLine(const QByteArray &line)
    {
        if (m_state == State::Closing)
            return;
        m_sim->record(m_number, m_clock.elapsed(), line);
        ++m_lines;
        const Options &o = m_sim->m_options;
        const QByteArray eol = m_sim->eol();
        QByteArray out;
        bool close = false;
        if (o.echo && m_state != State::Password)
            out += line + eol;
        if (o.echoApart && !o.noReply && m_state != State::Password)
            m_queue.push_back({m_clock.elapsed(), line + eol, false});
        switch (m_state) {
        case State::User:
            m_user = line;
            out += "password: ";
            m_state = State::Password;
            break;
        case State::Password:
            if (!o.rejectEveryLogin && m_user == o.user && line == o.password) {
                out += eol + "Welcome to the DWL-2100AP command line." + eol + ApSim::prompt();
                m_state = State::Shell;
            } else {
                out += eol + "Incorrect login" + eol + "login: ";
                m_state = State::User;
            }
            break;
        case State::Shell:
            out += m_sim->replyTo(line, &close);
            break;
        case State::Closing:
            return;
        }
        if (o.closeAfterLines > 0 && m_lines >= o.closeAfterLines)
            close = true;
        reply(out, close);
    }

    void reply(const QByteArray &bytes, bool close)
    {
        const Options &o = m_sim->m_options;
        if (close)
            m_state = State::Closing;
        if (o.noReply) {
            if (close)
                m_queue.push_back({m_clock.elapsed(), QByteArray(), true});
        } else {
            QByteArray body = bytes.isEmpty() ? bytes : o.garbage + bytes;
            qint64 due = m_clock.elapsed() + o.replyDelayMs + (o.echoApart ? o.echoApartGapMs : 0);
            if (o.blockGapMs > 0) {
                // Every station block after the first in a write of its own.
                for (qsizetype at = body.indexOf(ApSim::separator(), 1); at > 0;
                     at = body.indexOf(ApSim::separator(), 1)) {
                    m_queue.push_back({due, body.left(at), false});
                    body.remove(0, at);
                    due += o.blockGapMs;
                }
            }
            m_queue.push_back({due, body, close});
        }
        if (!m_pump.isActive())
            pump();
    }

    void pump()
    {
        const Options &o = m_sim->m_options;
        while (!m_queue.empty()) {
            Out &head = m_queue.front();
            const qint64 now = m_clock.elapsed();
            if (head.due > now) {
                m_pump.start(int(head.due - now));
                return;
            }
            if (head.bytes.isEmpty()) {
                const bool close = head.close;
                m_queue.pop_front();
                if (close) {
                    m_queue.clear();
                    m_socket->disconnectFromHost();
                    return;
                }
                continue;
            }
            const qsizetype n =
                o.chunkSize > 0 ? qMin<qsizetype>(o.chunkSize, head.bytes.size()) : head.bytes.size();
            writeNow(head.bytes.left(n));
            head.bytes.remove(0, n);
            if (o.chunkSize > 0 && o.chunkDelayMs > 0) {
                if (head.bytes.isEmpty() && !head.close)
                    m_queue.pop_front();
                m_pump.start(o.chunkDelayMs);
                return;
            }
        }
    }

    void onDisconnected()
    {
        m_pump.stop();
        m_queue.clear();
        m_state = State::Closing;
        m_sim->m_connections.removeAll(this);
        emit m_sim->clientDisconnected(m_number);
        deleteLater();
    }

    ApSim *m_sim;
    QTcpSocket *m_socket;
    int m_number;
    QElapsedTimer m_clock;
    QTimer m_pump;
    std::deque<Out> m_queue;
    State m_state = State::User;
    QByteArray m_line;
    bool m_lastWasCr = false;
    QByteArray m_user;
    int m_lines = 0;
};

ApSim::ApSim(QObject *parent) : ApSim(Options(), parent) {}

ApSim::ApSim(const Options &options, QObject *parent) : QObject(parent), m_options(options)
{
    connect(&m_server, &QTcpServer::newConnection, this, &ApSim::onNewConnection);
}

ApSim::~ApSim()
{
    stop();
}

bool ApSim::listen(const QHostAddress &address, quint16 port)
{
    return m_server.listen(address, port);
}

bool ApSim::isListening() const
{
    return m_server.isListening();
}

QString ApSim::errorString() const
{
    return m_server.errorString();
}

QHostAddress ApSim::address() const
{
    return m_server.serverAddress();
}

quint16 ApSim::port() const
{
    return m_server.serverPort();
}

void ApSim::stop()
{
    m_server.close();
    const auto open = m_connections;
    m_connections.clear();
    for (ApSimConnection *c : open)
        c->dropQuietly();
}

QList<QByteArray> ApSim::lines(int connection) const
{
    QList<QByteArray> out;
    for (const LogEntry &e : m_log) {
        if (connection == 0 || e.connection == connection)
            out.append(e.line);
    }
    return out;
}

QByteArray ApSim::receivedBytes(int connection) const
{
    if (connection < 1 || connection > m_received.size())
        return QByteArray();
    return m_received[connection - 1];
}

int ApSim::openConnections() const
{
    return int(m_connections.size());
}

void ApSim::sendRaw(const QByteArray &bytes)
{
    for (ApSimConnection *c : m_connections)
        c->writeNow(bytes);
}

void ApSim::closeConnections()
{
    const auto open = m_connections;
    for (ApSimConnection *c : open)
        c->closeNow();
}

void ApSim::onNewConnection()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        ++m_accepted;
        m_received.append(QByteArray());
        auto *c = new ApSimConnection(this, socket, m_accepted);
        m_connections.append(c);
        emit clientConnected(m_accepted);
        c->start();
    }
}

void ApSim::record(int connection, qint64 ms, const QByteArray &line)
{
    m_log.append({connection, ms, line});
    emit lineReceived(connection, ms, line);
}

QByteArray ApSim::eol() const
{
    switch (m_options.lineEnd) {
    case LineEnd::Cr:
        return "\r";
    case LineEnd::Lf:
        return "\n";
    case LineEnd::CrLf:
        break;
    }
    return "\r\n";
}

void ApSim::moveValues()
{
    if (!m_seeded) {
        m_random.seed(m_options.seed);
        m_seeded = true;
    }
    for (Station &s : m_options.stations) {
        const int top = s.perCent ? 100 : 64;
        s.rx = qBound(3, s.rx + int(m_random.bounded(9)) - 4, top);
        s.ack = qBound(3, s.ack + int(m_random.bounded(7)) - 3, 64);
    }
}

QString ApSim::normalizedMac(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^[0-9A-Fa-f]{2}(:[0-9A-Fa-f]{2}){5}$"));
    return form.match(text).hasMatch() ? text.toUpper() : QString();
}

qsizetype ApSim::joinedIndex(const QString &mac) const
{
    const QString upper = normalizedMac(mac);
    for (qsizetype i = 0; i < m_joined.size(); ++i) {
        if (m_joined[i].mac == upper)
            return i;
    }
    return -1;
}

bool ApSim::addStation(const QString &mac)
{
    const QString upper = normalizedMac(mac);
    if (upper.isEmpty())
        return false;
    for (const Station &s : m_options.stations) {
        if (s.mac.compare(upper, Qt::CaseInsensitive) == 0)
            return false;
    }
    if (joinedIndex(upper) >= 0)
        return true;
    Station s;
    s.mac = upper;
    // The same form as the generated ones, and starting levels of its own (drawn from the
    // MAC), so two joined stations do not move in step.
    s.perCent = !m_options.stations.isEmpty() && m_options.stations.first().perCent;
    const size_t h = qHash(upper, m_options.seed);
    s.rx = s.perCent ? 30 + int(h % 50) : 20 + int(h % 30);
    s.ack = 15 + int((h >> 8) % 30);
    m_joined.append(s);
    return true;
}

bool ApSim::removeStation(const QString &mac)
{
    const qsizetype i = joinedIndex(mac);
    if (i < 0)
        return false;
    m_joined.removeAt(i);
    return true;
}

bool ApSim::hasStation(const QString &mac) const
{
    return joinedIndex(mac) >= 0;
}

QStringList ApSim::joinedStations() const
{
    QStringList macs;
    for (const Station &s : m_joined)
        macs.append(s.mac);
    return macs;
}

// Every reply moves each level by 1 to 4 steps, turning at the ends of the scale, so the
// bars of a joined station never stand still.
void ApSim::moveJoined()
{
    if (m_joined.isEmpty())
        return;
    if (!m_joinSeeded) {
        m_joinRandom.seed(m_options.seed ^ 0x5a5a5a5au);
        m_joinSeeded = true;
    }
    const auto step = [this](int value, int low, int high) {
        int by = int(m_joinRandom.bounded(1, 5));
        if (m_joinRandom.bounded(2) == 0)
            by = -by;
        if (value + by < low || value + by > high)
            by = -by;
        return qBound(low, value + by, high);
    };
    for (Station &s : m_joined) {
        s.rx = step(s.rx, 3, s.perCent ? 100 : 64);
        s.ack = step(s.ack, 3, 64);
    }
}

QByteArray ApSim::stationReply()
{
    const QByteArray e = eol();
    QByteArray out;
    if (m_options.hugeReplyBytes > 0) {
        static const QByteArray filler = "filler line of a very long reply, nothing to read here";
        while (out.size() < m_options.hugeReplyBytes)
            out += filler + e;
        out.truncate(m_options.hugeReplyBytes);
    }
    if (m_options.leadingLineEnd)
        out += e;
    if (!m_options.stationHeaderLine.isEmpty())
        out += m_options.stationHeaderLine + e;
    out += m_options.stationHeader;
    if (m_options.stations.isEmpty() && m_joined.isEmpty()) {
        out += "No station associated." + e;
        return out;
    }
    QList<Station> shown;
    if (!m_options.stations.isEmpty()) {
        if (m_options.movingValues)
            moveValues();
        shown = shownStations(m_stationPolls++);
    }
    moveJoined();
    shown += m_joined;
    for (const Station &s : shown) {
        out += separator() + e;
        out += s.mac.toLatin1() + e;
        if (s.perCent)
            out += " RxSignalStrength(per cent): " + QByteArray::number(s.rx) + e;
        else
            out += " RxSignalStrength: " + QByteArray::number(s.rx) + e;
        out += " AckSignalStrength: " + QByteArray::number(s.ack) + e;
        out += " Authentication Type: " + s.authentication.toLatin1() + e;
        out += " WLAN Mode: " + s.wlanMode.toLatin1() + ", Rx Data Rate: " + QByteArray::number(s.rxRate) +
               " Mbps" + e;
        out += " Encryption: " + s.encryption.toLatin1() + e;
    }
    return out;
}

QByteArray ApSim::replyTo(const QByteArray &line, bool *closeAfter)
{
    const QByteArray e = eol();
    const QByteArray cmd = line.simplified().toLower();
    if (closeAfter)
        *closeAfter = false;
    QByteArray out;
    if (cmd.isEmpty()) {
        // just a new prompt
    } else if (cmd == "version") {
        out = "SOFTWARE_VERSION: " + m_options.firmware + e + "HARDWARE_VERSION: " + m_options.hardware + e;
    } else if (cmd == "get station") {
        out = m_options.stationError.isEmpty() ? stationReply() : m_options.stationError + e;
    } else if (cmd == "reboot") {
        if (closeAfter)
            *closeAfter = true;
        return "Rebooting ..." + e;
    } else if (cmd == "quit" || cmd == "exit" || cmd == "logout") {
        if (closeAfter)
            *closeAfter = true;
        return QByteArray();
    } else if (cmd == "get rate") {
        out = "Data Rate: Auto" + e;
    } else if (cmd == "get channel") {
        out = "Channel: " + QByteArray::number(m_options.channel) + e;
    } else if (cmd == "get ssid") {
        out = "SSID: " + m_options.ssid + e;
    } else if (cmd == "get hardware") {
        out = "Hardware Version: " + m_options.hardware + e;
    } else if (cmd == "get power") {
        out = "Transmit Power: full" + e;
    } else if (cmd == "get antenna") {
        out = "Antenna: " + m_antenna + e;
    } else if (cmd == "get eth2sta") {
        out = QByteArray("Eth2sta: ") + (m_eth2sta ? "enable" : "disable") + e;
    } else if (cmd.startsWith("set antenna")) {
        const QByteArray arg = cmd.mid(11).trimmed();
        if (arg == "1" || arg == "2" || arg == "best") {
            m_antenna = arg;
            out = "Antenna set to " + arg + e;
        } else {
            out = "Invalid antenna setting (1, 2 or best)" + e;
        }
    } else if (cmd.startsWith("set eth2sta")) {
        const QByteArray arg = cmd.mid(11).trimmed();
        if (arg == "enable" || arg == "disable") {
            m_eth2sta = (arg == "enable");
            out = "Eth2sta set to " + arg + e;
        } else {
            out = "Invalid eth2sta setting (enable or disable)" + e;
        }
    } else {
        out = "Unknown command" + e;
    }
    return out + prompt();
}

} // namespace apsim
