#include "exporter/mqtt.h"

#include <QDateTime>
#include <QFile>
#include <QHostAddress>
#include <QHostInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSocketNotifier>
#include <cerrno>
#include <cstring>
#include <mosquitto.h>
#include <mutex>

#ifndef SENVARO_VERSION
#define SENVARO_VERSION ""
#endif
#ifndef SENVARO_HOMEPAGE
#define SENVARO_HOMEPAGE ""
#endif

namespace {

bool isHex(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F');
}

bool isTopicSafe(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || u == u'-';
}

constexpr int kFirstRetryMs = 1000;
constexpr int kLastRetryMs = 60000;
constexpr char kStatusTopic[] = "senvaro/status";
constexpr char kHomeAssistantStatus[] = "homeassistant/status";
constexpr QByteArrayView kOnline = "online";
constexpr QByteArrayView kOffline = "offline";

// "AA:BB:CC:DD:EE:FF" (any case, any separators) as 12 lower-case hex digits; empty when it
// holds no 12 hex digits.
QString macKey(const QString &mac)
{
    QString key;
    for (const QChar c : mac) {
        if (isHex(c))
            key += c.toLower();
        else if (c.isLetterOrNumber())
            return {};
    }
    return key.size() == 12 ? key : QString();
}

QString colonMac(const QString &key)
{
    QStringList pairs;
    for (int i = 0; i < key.size(); i += 2)
        pairs << key.mid(i, 2);
    return pairs.join(QLatin1Char(':'));
}

// What a topic and an object id may hold: letters, digits, "_" and "-".
QString apKey(const QString &address)
{
    QString key = address;
    for (QChar &c : key)
        if (!isTopicSafe(c))
            c = QLatin1Char('_');
    return key;
}

QJsonValue textOrNull(const QString &text)
{
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

QByteArray json(const QJsonObject &o)
{
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

QJsonObject origin()
{
    QJsonObject o{{QStringLiteral("name"), QStringLiteral("Senvaro")},
                  {QStringLiteral("sw_version"), QStringLiteral(SENVARO_VERSION)}};
    if (!QStringLiteral(SENVARO_HOMEPAGE).isEmpty())
        o.insert(QStringLiteral("support_url"), QStringLiteral(SENVARO_HOMEPAGE));
    return o;
}

QJsonArray availability(const QString &own)
{
    return {QJsonObject{{QStringLiteral("topic"), QLatin1String(kStatusTopic)}},
            QJsonObject{{QStringLiteral("topic"), own}}};
}

// Local time with its offset, so Home Assistant and a reader agree on the instant.
QString localIso(qint64 ms)
{
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(ms);
    return local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODate);
}

QString errnoText(int err)
{
    switch (err) {
    case ECONNREFUSED:
        return QStringLiteral("Verbindung abgewiesen");
    case ECONNRESET:
        return QStringLiteral("Verbindung zurückgesetzt");
    case ETIMEDOUT:
        return QStringLiteral("Zeitüberschreitung");
    case EHOSTUNREACH:
    case ENETUNREACH:
        return QStringLiteral("Ziel nicht erreichbar");
    default:
        return QString::fromLocal8Bit(std::strerror(err));
    }
}

QString reason(int rc, int err)
{
    switch (rc) {
    case MOSQ_ERR_ERRNO:
        return errnoText(err);
    case MOSQ_ERR_CONN_LOST:
        return QStringLiteral("vom Server getrennt");
    case MOSQ_ERR_KEEPALIVE:
        return QStringLiteral("keine Antwort");
    case MOSQ_ERR_TLS:
        return QStringLiteral("TLS-Fehler");
    case MOSQ_ERR_PROTOCOL:
        return QStringLiteral("Protokollfehler");
    case MOSQ_ERR_EAI:
        return QStringLiteral("Name nicht auflösbar");
    default:
        return QString::fromUtf8(mosquitto_strerror(rc));
    }
}

QString refusal(int connack)
{
    switch (connack) {
    case 1:
        return QStringLiteral("Protokollversion nicht unterstützt");
    case 2:
        return QStringLiteral("Client-Kennung abgelehnt");
    case 3:
        return QStringLiteral("Server nicht verfügbar");
    case 4: // bad user name or password
    case 5: // not authorized: what mosquitto answers to a wrong password
        return QStringLiteral("Benutzer oder Passwort falsch");
    default:
        return QStringLiteral("Code %1").arg(connack);
    }
}

} // namespace

MqttPublisher::MqttPublisher(const MqttSettings &settings, QObject *parent)
    : QObject(parent), m_settings(settings), m_retryMs(kFirstRetryMs)
{
    static std::once_flag libraryReady;
    std::call_once(libraryReady, [] { mosquitto_lib_init(); });

    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &MqttPublisher::connectNow);
    // Often enough that a ping goes out well before the broker's 1.5 keep-alive periods.
    m_keepAlive.setInterval(keepAliveSeconds() * 1000 / 4);
    connect(&m_keepAlive, &QTimer::timeout, this, &MqttPublisher::step);
}

MqttPublisher::~MqttPublisher()
{
    dropNotifiers();
    // Closed without a goodbye, so the broker publishes the last will: "offline" as on a crash.
    if (m_mosq)
        mosquitto_destroy(m_mosq);
}

void MqttPublisher::start()
{
    if (m_phase != Phase::Off || m_mosq || !m_settings.enabled())
        return;
    m_mosq = mosquitto_new(nullptr, true, this);
    if (!m_mosq) {
        setState(QStringLiteral("MQTT: libmosquitto nicht verfügbar; MQTT bleibt aus"));
        return;
    }
    mosquitto_connect_callback_set(m_mosq, &MqttPublisher::onConnect);
    mosquitto_disconnect_callback_set(m_mosq, &MqttPublisher::onDisconnect);
    mosquitto_message_callback_set(m_mosq, &MqttPublisher::onMessage);
    if (!m_settings.user.isEmpty()) {
        const QByteArray user = m_settings.user.toUtf8();
        const QByteArray password = m_settings.password.toUtf8();
        mosquitto_username_pw_set(m_mosq, user.constData(),
                                  m_settings.password.isEmpty() ? nullptr : password.constData());
    }
    mosquitto_will_set(m_mosq, kStatusTopic, int(kOffline.size()), kOffline.data(), 1, true);
    if (!m_settings.caFile.isEmpty()) {
        const QByteArray ca = QFile::encodeName(m_settings.caFile);
        if (mosquitto_tls_set(m_mosq, ca.constData(), nullptr, nullptr, nullptr, nullptr) !=
            MOSQ_ERR_SUCCESS) {
            setState(
                QStringLiteral("MQTT: CA-Datei „%1“ nicht lesbar; MQTT bleibt aus").arg(m_settings.caFile));
            return;
        }
    }
    connectNow();
}

int MqttPublisher::keepAliveSeconds() const
{
    // libmosquitto refuses less than 5 s (and 0 would switch the broker's watch off).
    return qBound(5, m_settings.keepAliveSeconds, 65535);
}

QString MqttPublisher::where() const
{
    const bool v6 = m_settings.server.contains(QLatin1Char(':'));
    return (v6 ? QStringLiteral("[%1]:%2") : QStringLiteral("%1:%2"))
        .arg(m_settings.server)
        .arg(m_settings.port);
}

void MqttPublisher::setState(const QString &text)
{
    if (text == m_state)
        return;
    m_state = text;
    emit logLine(text);
}

void MqttPublisher::connectNow()
{
    m_connack = -1;
    m_phase = Phase::Resolving;
    if (QHostAddress().setAddress(m_settings.server)) {
        connectTo(m_settings.server);
        return;
    }
    // libmosquitto would look the name up inside the connect call, which can block on a
    // slow name server; a lookup in the background first keeps that out of the event loop.
    QHostInfo::lookupHost(m_settings.server, this, [this](const QHostInfo &info) {
        if (m_phase != Phase::Resolving)
            return;
        const QList<QHostAddress> all = info.addresses();
        if (info.error() != QHostInfo::NoError || all.isEmpty()) {
            failed(QStringLiteral("MQTT: keine Verbindung zu %1 (Name nicht auflösbar)").arg(where()));
            return;
        }
        // With TLS the name is what the certificate is checked against, so it goes to the
        // library; its own lookup of a name that just resolved is quick.
        if (!m_settings.caFile.isEmpty()) {
            connectTo(m_settings.server);
            return;
        }
        QHostAddress chosen = all.first();
        for (const QHostAddress &a : all)
            if (a.protocol() == QAbstractSocket::IPv4Protocol) {
                chosen = a;
                break;
            }
        connectTo(chosen.toString());
    });
}

void MqttPublisher::connectTo(const QString &host)
{
    m_phase = Phase::Connecting;
    errno = 0;
    const int rc =
        mosquitto_connect_async(m_mosq, host.toUtf8().constData(), m_settings.port, keepAliveSeconds());
    if (rc != MOSQ_ERR_SUCCESS) {
        failed(QStringLiteral("MQTT: keine Verbindung zu %1 (%2)").arg(where(), reason(rc, errno)));
        return;
    }
    watchSocket();
}

void MqttPublisher::step()
{
    if (!m_mosq)
        return;
    errno = 0;
    const int rc = mosquitto_loop(m_mosq, 0, 1);
    const int err = errno;
    // The library reports a broken connection through onDisconnect; this catches a step
    // that failed without telling.
    if (rc != MOSQ_ERR_SUCCESS && (m_phase == Phase::Connecting || m_phase == Phase::Connected))
        disconnected(rc, err);
    watchSocket();
}

void MqttPublisher::watchSocket()
{
    const bool active = m_phase == Phase::Connecting || m_phase == Phase::Connected;
    const int fd = active ? mosquitto_socket(m_mosq) : -1;
    if (fd != m_fd) {
        dropNotifiers();
        m_fd = fd;
        if (fd >= 0) {
            m_readable = new QSocketNotifier(fd, QSocketNotifier::Read, this);
            m_writable = new QSocketNotifier(fd, QSocketNotifier::Write, this);
            connect(m_readable, &QSocketNotifier::activated, this, &MqttPublisher::step);
            connect(m_writable, &QSocketNotifier::activated, this, &MqttPublisher::step);
        }
    }
    if (m_writable)
        m_writable->setEnabled(mosquitto_want_write(m_mosq));
    if (fd < 0)
        m_keepAlive.stop();
    else if (!m_keepAlive.isActive())
        m_keepAlive.start();
}

void MqttPublisher::dropNotifiers()
{
    // Possibly inside a notifier's own signal: switched off now, deleted later.
    for (QSocketNotifier *n : {m_readable, m_writable}) {
        if (n) {
            n->setEnabled(false);
            n->deleteLater();
        }
    }
    m_readable = m_writable = nullptr;
    m_fd = -1;
}

void MqttPublisher::failed(const QString &state)
{
    m_phase = Phase::Waiting;
    setState(state);
    m_retry.start(m_retryMs);
    m_retryMs = qMin(m_retryMs * 2, kLastRetryMs);
    watchSocket();
}

void MqttPublisher::onConnect(mosquitto *, void *self, int rc)
{
    static_cast<MqttPublisher *>(self)->connected(rc);
}

void MqttPublisher::onDisconnect(mosquitto *, void *self, int rc)
{
    const int err = errno;
    static_cast<MqttPublisher *>(self)->disconnected(rc, err);
}

void MqttPublisher::onMessage(mosquitto *, void *self, const mosquitto_message *message)
{
    auto *p = static_cast<MqttPublisher *>(self);
    // A retained "online" is as old as Home Assistant's start; everything went out on
    // connecting already.
    const QByteArrayView payload(static_cast<const char *>(message->payload), message->payloadlen);
    if (!message->retain && qstrcmp(message->topic, kHomeAssistantStatus) == 0 && payload == kOnline) {
        p->m_sent.clear();
        p->publishAll();
    }
}

void MqttPublisher::connected(int rc)
{
    m_connack = rc;
    if (rc != 0 || m_phase != Phase::Connecting)
        return; // a refusal: the library closes the connection and reports it
    m_phase = Phase::Connected;
    m_retryMs = kFirstRetryMs;
    setState(QStringLiteral("MQTT: verbunden mit %1").arg(where()));
    m_sent.clear();
    mosquitto_subscribe(m_mosq, nullptr, kHomeAssistantStatus, 0);
    publishAll();
}

void MqttPublisher::disconnected(int rc, int err)
{
    if (!(m_phase == Phase::Connecting || m_phase == Phase::Connected))
        return;
    if (m_connack > 0)
        failed(QStringLiteral("MQTT: Verbindung zu %1 abgelehnt (%2)").arg(where(), refusal(m_connack)));
    else if (m_phase == Phase::Connected)
        failed(QStringLiteral("MQTT: Verbindung zu %1 unterbrochen (%2)").arg(where(), reason(rc, err)));
    else
        failed(QStringLiteral("MQTT: keine Verbindung zu %1 (%2)").arg(where(), reason(rc, err)));
}

void MqttPublisher::updateDevice(const MqttDevice &d)
{
    if (!d.known && !m_settings.allStations)
        return;
    const QString key = macKey(d.mac);
    if (key.isEmpty())
        return;
    auto it = m_devices.find(key);
    if (it == m_devices.end()) {
        if (int(m_devices.size()) >= m_settings.maxDevices) {
            if (!m_tooMany)
                emit logLine(QStringLiteral("MQTT: mehr als %1 Geräte; weitere werden nicht veröffentlicht")
                                 .arg(m_settings.maxDevices));
            m_tooMany = true;
            return;
        }
        it = m_devices.emplace(key, d).first;
    } else {
        it->second = d;
    }
    publishDevice(key, it->second);
    watchSocket();
}

void MqttPublisher::updateAccessPoint(const QString &ap, std::optional<int> stations)
{
    const QString key = apKey(ap);
    if (key.isEmpty())
        return;
    AccessPoint &a = m_aps[key];
    a = AccessPoint{ap, stations};
    publishAccessPoint(key, a);
    watchSocket();
}

void MqttPublisher::publishAll()
{
    publish(QLatin1String(kStatusTopic), kOnline.toByteArray());
    for (const auto &[key, d] : m_devices)
        publishDevice(key, d);
    for (const auto &[key, a] : m_aps)
        publishAccessPoint(key, a);
}

void MqttPublisher::publishDevice(const QString &key, const MqttDevice &d)
{
    using P = MqttDevice::Presence;
    const QString id = QStringLiteral("senvaro_") + key;
    const QString base = QStringLiteral("senvaro/") + key;
    const QString name = d.name.isEmpty() ? d.mac : d.name;

    QJsonObject device{
        {QStringLiteral("connections"), QJsonArray{QJsonArray{QStringLiteral("mac"), colonMac(key)}}},
        {QStringLiteral("name"), name}};
    if (!d.maker.isEmpty())
        device.insert(QStringLiteral("manufacturer"), d.maker);
    const QJsonObject config{
        {QStringLiteral("name"), name},
        {QStringLiteral("unique_id"), id},
        {QStringLiteral("state_topic"), base + QStringLiteral("/state")},
        {QStringLiteral("payload_home"), QStringLiteral("home")},
        {QStringLiteral("payload_not_home"), QStringLiteral("not_home")},
        {QStringLiteral("source_type"), QStringLiteral("router")},
        {QStringLiteral("json_attributes_topic"), base + QStringLiteral("/attributes")},
        {QStringLiteral("availability"), availability(base + QStringLiteral("/availability"))},
        {QStringLiteral("availability_mode"), QStringLiteral("all")},
        {QStringLiteral("device"), device},
        {QStringLiteral("origin"), origin()}};
    publish(QStringLiteral("homeassistant/device_tracker/%1/config").arg(id), json(config));

    publish(base + QStringLiteral("/availability"),
            (d.presence == P::Unknown ? kOffline : kOnline).toByteArray());

    const auto number = [](const std::optional<double> &v, double scale) {
        return v ? QJsonValue(*v * scale) : QJsonValue();
    };
    const std::optional<double> rx =
        d.rxPerCent ? std::optional<double>(qBound(0.0, *d.rxPerCent, 100.0)) : std::nullopt;
    const QJsonObject attributes{
        {QStringLiteral("ap"), textOrNull(d.ap)},
        {QStringLiteral("ap_name"), textOrNull(d.apName)},
        {QStringLiteral("signal_ratio"), number(rx, 0.01)},
        {QStringLiteral("rate_mbps"), number(d.rateMbps, 1)},
        {QStringLiteral("mode"), textOrNull(d.mode)},
        {QStringLiteral("connected_since"),
         d.connectedSinceMs ? QJsonValue(localIso(*d.connectedSinceMs)) : QJsonValue()},
        {QStringLiteral("maker"), textOrNull(d.maker)}};
    publish(base + QStringLiteral("/attributes"), json(attributes));

    // Unknown says nothing about presence: the last state stays, the entity unavailable.
    if (d.presence != P::Unknown)
        publish(base + QStringLiteral("/state"), d.presence == P::Present ? "home" : "not_home");
}

void MqttPublisher::publishAccessPoint(const QString &key, const AccessPoint &ap)
{
    const QString id = QStringLiteral("senvaro_ap_") + key;
    const QString base = QStringLiteral("senvaro/ap/") + key;
    const QJsonObject config{
        {QStringLiteral("name"), QStringLiteral("Stationen %1").arg(ap.address)},
        {QStringLiteral("unique_id"), id},
        {QStringLiteral("state_topic"), base + QStringLiteral("/stations")},
        {QStringLiteral("state_class"), QStringLiteral("measurement")},
        {QStringLiteral("availability"), availability(base + QStringLiteral("/availability"))},
        {QStringLiteral("availability_mode"), QStringLiteral("all")},
        {QStringLiteral("origin"), origin()}};
    publish(QStringLiteral("homeassistant/sensor/%1/config").arg(id), json(config));
    publish(base + QStringLiteral("/availability"), (ap.stations ? kOnline : kOffline).toByteArray());
    if (ap.stations)
        publish(base + QStringLiteral("/stations"), QByteArray::number(*ap.stations));
}

void MqttPublisher::publish(const QString &topic, const QByteArray &payload)
{
    if (m_phase != Phase::Connected)
        return; // kept in the devices and access points, published on connecting
    const auto sent = m_sent.constFind(topic);
    if (sent != m_sent.constEnd() && *sent == payload)
        return;
    const QByteArray t = topic.toUtf8();
    if (mosquitto_publish(m_mosq, nullptr, t.constData(), int(payload.size()), payload.constData(), 0,
                          true) == MOSQ_ERR_SUCCESS)
        m_sent.insert(topic, payload);
}
