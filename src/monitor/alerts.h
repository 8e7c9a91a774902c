#pragma once

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

#include <optional>

#include "config/alertsettings.h"

// One alert for the desktop, the event list and the log.
struct Alert
{
    enum class Kind {
        StationLeft,     // a known station gone for longer than the grace period
        Stranger,        // a station not among the known clients associated
        WeakSignal,      // receive level below the threshold N evaluations in a row
        SignalRecovered, // ... and back at or above it
        NoAnswer,        // the access point stopped answering
        ConnectionLost,  // the connection to the access point was lost
        AccessPointBack, // the access point answers again
        StationArrived,  // a watched station is listed again (or first since the login)
        StationGone,     // a watched station has left (after the grace period)
    };
    enum class Urgency { Normal = 1, Critical = 2 }; // the notification service's levels

    Kind kind = Kind::StationLeft;
    qint64 ms = 0;   // when it was raised, ms since the epoch
    QString mac;     // the station's MAC address; empty for the access point's alerts
    QString name;    // the station's caption on the clients page, or the access point's address
    QString summary; // German, one short line
    QString body;    // German, one sentence naming the station or access point
    Urgency urgency = Urgency::Normal;
    QString category; // freedesktop category, e.g. "network.disconnected"
    QString key;      // alerts with the same key replace each other on the desktop
};

// What the alert watch needs of one station in an evaluation.
struct AlertStation
{
    QString mac;
    QString name; // caption on the clients page
    bool known = false;
    std::optional<double> rx; // receive level in per cent; missing: the row is neither extended nor broken
};

// Turns evaluations and the access point's state changes into alerts. Knows no timer and
// no grace period: whether a station has left is the station monitor's to say, which
// then calls stationLeft().
//
// Bounds: it remembers stations seen in the current evaluation, stations whose weak
// signal was reported, and at most kMaxStrangers strangers per login.
class AlertWatch : public QObject
{
    Q_OBJECT
public:
    enum class ApState {
        Answering,      // a reply came
        NoAnswer,       // the no-answer watch fired
        ConnectionLost, // the connection closed without a logout
        Off,            // the user logged out: nothing to report, the state is forgotten
    };
    static constexpr int kMaxStrangers = 4096;

    explicit AlertWatch(const AlertSettings &settings = AlertSettings(), QObject *parent = nullptr);

    const AlertSettings &settings() const { return m_settings; }
    void setSettings(const AlertSettings &settings) { m_settings = settings; }

    // Each call returns the alerts it raised (oldest first) and emits raised() for each.
    QList<Alert> evaluate(const QDateTime &now, const QList<AlertStation> &stations);
    // A known station has been gone since goneSinceMs for longer than the grace period.
    QList<Alert> stationLeft(const QDateTime &now, const QString &mac, const QString &name,
                             qint64 goneSinceMs);
    // apAddress names the access point in the texts.
    QList<Alert> setAccessPointState(ApState state, const QDateTime &now, const QString &apAddress);
    // A new login: strangers are reported again.
    void resetLogin();

signals:
    void raised(const Alert &alert);

private:
    struct Station
    {
        int weakRow = 0;
        bool weakReported = false;
    };

    QList<Alert> emitAll(const QList<Alert> &alerts);

    AlertSettings m_settings;
    QHash<QString, Station> m_stations; // by MAC
    QSet<QString> m_strangers;          // reported since the login
    std::optional<ApState> m_apState;
};
