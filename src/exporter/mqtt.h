#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>
#include <map>
#include <optional>

#include "config/mqttsettings.h"

class QSocketNotifier;
struct mosquitto;
struct mosquitto_message;

// One tracked device (a MAC address over all watched access points), as MQTT publishes it.
struct MqttDevice
{
    QString mac;        // "AA:BB:CC:DD:EE:FF" as the access point lists it (any case)
    QString name;       // as the clients page names it (never empty: falls back to the MAC)
    QString maker;      // maker name, "private Adresse", or empty while unknown
    bool known = false; // among the known clients (records with ist_AP=Falsch)
    enum class Presence { Present, Absent, Unknown } presence = Presence::Unknown;
    QString ap;     // address of the access point that lists it (or listed it last); may be empty
    QString apName; // that access point's name from the known-client records; may be empty
    std::optional<double> rxPerCent; // 0..100; published as signal_ratio 0..1
    std::optional<double> rateMbps;
    QString mode;
    std::optional<qint64> connectedSinceMs; // ms since the epoch (UTC)
};

// Presence for Home Assistant over MQTT: a device tracker per tracked device and a sensor
// per access point, announced by discovery, all retained.
//
// libmosquitto runs on this object's thread, driven by the Qt event loop: notifiers on its
// socket and a timer for the keep-alive call mosquitto_loop with no wait, which steps the
// connection (the TLS handshake included) as far as it can without blocking. So there is no
// second thread and no lock, the callbacks run here, and the retry policy is our own.
//
// Nothing waits for the broker: a broker that is down or refuses the login is tried again
// after 1 s, doubling to 60 s, and each change of the connection's state is one German log
// line (never with the password). The latest value of every topic is kept while
// disconnected and everything is published again on each connect, so the retained messages
// reflect the latest even after the broker lost them.
class MqttPublisher : public QObject
{
    Q_OBJECT
public:
    explicit MqttPublisher(const MqttSettings &settings, QObject *parent = nullptr);
    // Leaves "offline" on senvaro/status to the broker's last will.
    ~MqttPublisher() override;

    void start();                           // connects asynchronously; never blocks
    void updateDevice(const MqttDevice &d); // call on every evaluation/change; publishes what changed
    void updateAccessPoint(const QString &ap, std::optional<int> stations); // nullopt while down

    bool isConnected() const { return m_phase == Phase::Connected; }

signals:
    void logLine(const QString &germanText); // once per change of the broker connection state
                                             // (and once when the bound of devices is reached)

private:
    enum class Phase { Off, Resolving, Connecting, Connected, Waiting };
    struct AccessPoint
    {
        QString address;
        std::optional<int> stations;
    };

    static void onConnect(mosquitto *, void *self, int rc);
    static void onDisconnect(mosquitto *, void *self, int rc);
    static void onMessage(mosquitto *, void *self, const mosquitto_message *message);
    void connected(int rc);
    void disconnected(int rc, int err);

    void connectNow();
    void connectTo(const QString &host);
    void step();
    void watchSocket();
    void dropNotifiers();
    void failed(const QString &state);
    void setState(const QString &text);
    QString where() const;
    int keepAliveSeconds() const;

    void publishAll();
    void publishDevice(const QString &key, const MqttDevice &d);
    void publishAccessPoint(const QString &key, const AccessPoint &ap);
    void publish(const QString &topic, const QByteArray &payload);

    const MqttSettings m_settings;
    mosquitto *m_mosq = nullptr;
    Phase m_phase = Phase::Off;
    int m_connack = -1; // the broker's answer to this attempt's login, -1 before it
    int m_fd = -1;
    QSocketNotifier *m_readable = nullptr;
    QSocketNotifier *m_writable = nullptr;
    QTimer m_keepAlive; // runs while there is a socket
    QTimer m_retry;
    int m_retryMs;
    QString m_state; // the last logged state

    std::map<QString, MqttDevice> m_devices; // by 12 lower-case hex digits
    std::map<QString, AccessPoint> m_aps;    // by the address with dots as underscores
    bool m_tooMany = false;
    QHash<QString, QByteArray> m_sent; // topic -> payload published on this connection
};
