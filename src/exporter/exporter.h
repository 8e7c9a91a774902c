#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "exporter/apwatch.h"
#include "exporter/metrics.h"

struct Settings;
class MqttPublisher;
class StationMonitor;
struct DeviceState;
struct StationEvent;
class VendorRegistry;

// The access points a settings file names: the server address (when the file has one:
// the built-in default is never watched), then every known-client record marked as an
// access point, each valid address once, as written (trimmed).
QStringList watchedAddresses(const Settings &settings, bool hasServer = true);
// Reads the settings file for the exporter and the access points it names. False with a
// German reason when the file cannot be read or names no access point: the exporter then
// stops before any connection.
// --share K/N: K and N with 1 <= K <= N. False for anything else.
bool parseShare(const QString &text, int *k, int *n);
// The access points exporter K of N watches: every N-th, starting with the K-th (both
// counted from 1), so N exporters split one settings file without overlap.
QStringList shareOf(const QStringList &addresses, int k, int n);
bool loadWatchSettings(const QString &path, Settings *settings, QStringList *addresses, QString *error);

// All watched access points and what they are turned into: the exposition for a scrape
// and, after each round, the same text in a file for the node exporter.
class Exporter : public QObject
{
    Q_OBJECT
public:
    Exporter(const QStringList &addresses, std::shared_ptr<const WatchConfig> config,
             std::shared_ptr<SessionClock> clock, std::function<qint64()> wallClockMs,
             QObject *parent = nullptr);

    void start();
    // The exposition, followed by more (a scrape's own families).
    QByteArray exposition(QByteArrayView more = {}) const;
    // What a cleanly stopped exporter leaves: every access point down, no station series.
    QByteArray stoppedExposition() const;
    const QList<ApWatch *> &watches() const { return m_watches; }
    StationMonitor &monitor() const { return *m_monitor; }
    // The program ([Ereignisse] Programm) run on arrivals, departures, roams, strangers and
    // access points falling silent or answering again; empty: none.
    void setEventProgram(const QString &path);
    // Hands presence to Home Assistant over MQTT: every device the monitor updates, and
    // each access point's station count once a round.
    void setMqtt(MqttPublisher *publisher);

    // DIR/senvaro.prom is replaced after every round; empty: no file.
    void setTextfileDir(const QString &dir) { m_textfileDir = dir; }
    // Writes the file now through a temporary file in the same folder and a rename, so a
    // reader sees the old or the new text, never a part. False with a German reason.
    bool writeTextfile(QString *error = nullptr) const;

signals:
    // One per change of an access point's state, per arrival, departure or roam, or a failed write.
    void logLine(const QString &line);

private:
    void round();
    void logStationEvent(const StationEvent &event);
    void publishDevice(const DeviceState &device);

    StationMonitor *m_monitor;
    MqttPublisher *m_mqtt = nullptr;
    QHash<QString, QString> m_apNames; // address -> name of its known-client record

    QList<ApWatch *> m_watches;
    WinTimer *m_round;
    // The vendor label's maker names, read on the first scrape with a station.
    VendorRegistry *m_vendors;
    // The devices in the exposition's order (by MAC address) as of a device set version,
    // so a scrape sorts only after devices came or went.
    mutable QList<QString> m_deviceOrder; // keys into the monitor's devices
    mutable QList<QString> m_deviceOrderMacs;
    mutable quint64 m_deviceOrderVersion = ~quint64(0);
    // Maker names once the registry is read: a scrape asks for every station.
    mutable QHash<QString, QString> m_vendorOf;
    QString vendorOf(const QString &mac) const;
    QString m_textfileDir;
    mutable QString m_lastWriteError;
    // Keeps each access point's lines from one scrape (or text file) to the next.
    mutable ExpositionRenderer m_renderer;
};
