#pragma once

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <climits>
#include <memory>
#include <optional>

#include "config/alertsettings.h"
#include "config/knownclients.h"
#include "monitor/alerts.h"
#include "monitor/stations.h"

class EventPrograms;
class HistoryLog;
class SessionClock;
class StationHistory;
class WinTimer;

// Where a device is, as far as the watched access points tell.
enum class Presence {
    Present, // listed by an access point, or left out for no longer than the grace period
    Absent,  // no access point has listed it for longer than the grace period
    Unknown, // the access point that listed it last cannot be asked, or none answered yet
};

// One device (a MAC address) over all watched access points.
struct DeviceState
{
    QString mac;  // as its access point lists it (or the known-client record writes it)
    QString name; // as the clients page names it
    bool known = false;
    Presence presence = Presence::Unknown;
    QString ap;                        // the access point that lists it, or listed it last
    std::optional<qint64> sinceMs;     // connected since (ms since the epoch), while present or unknown
    std::optional<qint64> lastSeenMs;  // the last evaluation that listed it
    std::optional<qint64> goneSinceMs; // its access point left it out: the grace period runs
    quint64 roams = 0;
    StationValue value; // as last listed
};

// A change of place of one device.
struct StationEvent
{
    enum class Kind {
        Joined, // listed after having been absent, or for the first time
        Left,   // absent after the grace period
        Roamed, // left one access point and listed by another within the grace period
    };
    Kind kind = Kind::Joined;
    qint64 ms = 0;
    QString mac;
    QString name;
    bool known = false;
    QString ap;     // where it joined, left from, or roamed to
    QString fromAp; // where it roamed from
    std::optional<qint64> sinceMs;

    // German, for the history, the log and the event list: "gewechselt von A nach B", ...
    QString text() const;
};

// What follows from evaluations over time, for any number of watched access points:
// presence per device, roams, the signal history with its CSV log, and the alerts. The
// window watches one access point through it, the exporter many. Time comes from the
// session's clock, so tests step it; the one timer runs only while a grace period does.
//
// Bounds: devices that are no known client are forgotten 24 hours after they were last
// listed; at most kMaxDevices devices are tracked at once (later ones are not).
class StationMonitor : public QObject
{
    Q_OBJECT
public:
    enum class ApState {
        Answered, // a station reply came
        Silent,   // the no-answer watch fired
        Lost,     // the connection closed or could not be made
        Refused,  // the login was refused
        Off,      // logged out: the watch of this access point ends, nothing is reported
    };
    static constexpr qint64 kKeepMs = 24LL * 60 * 60 * 1000;
    static constexpr int kMaxDevices = 65536;

    explicit StationMonitor(std::shared_ptr<SessionClock> clock, QObject *parent = nullptr);
    ~StationMonitor() override;

    void setAlertSettings(const AlertSettings &settings);
    const AlertSettings &alertSettings() const;
    // The known clients that are no access point are devices from the start.
    void setKnownClients(const KnownClients &known);
    // The signal history records evaluations (the window shows it; the exporter does not
    // keep one). On by default.
    void setHistoryEnabled(bool on) { m_historyOn = on; }

    // Starts watching ap (again): until it answers, it has told nothing.
    void watch(const QString &ap);
    // A station reply of ap, with its stations.
    void evaluated(const QString &ap, const QList<StationValue> &stations);
    void setApState(const QString &ap, ApState state);
    // Reports what is due by now (the timer does this by itself).
    void tick();

    const QHash<QString, DeviceState> &devices() const { return m_devices; }
    const DeviceState *device(const QString &mac) const;
    // Changes whenever a device is added or forgotten, so a listener may keep an order of
    // the devices until then.
    quint64 deviceSetVersion() const { return m_deviceSetVersion; }
    quint64 joins(const QString &ap) const { return m_aps.value(ap).joins; }
    quint64 leaves(const QString &ap) const { return m_aps.value(ap).leaves; }
    // When the next grace period ends (ms since the epoch), if one runs.
    std::optional<qint64> nextDeadlineMs() const;

    StationHistory &history() { return *m_history; }
    HistoryLog &log() { return *m_log; }
    AlertWatch &alerts() { return *m_alerts; }
    // The user's program on arrivals, departures, roams, strangers and access points that
    // fall silent or answer again ([Ereignisse] Programm); off until given one.
    EventPrograms &programs() { return *m_programs; }
    SessionClock &clock() const { return *m_clock; }

signals:
    void stationEvent(const StationEvent &event);
    // After every evaluation or state change that may have moved a device.
    void changed();
    // A device an evaluation listed, or whose presence changed.
    void deviceUpdated(const DeviceState &device);

private:
    struct Ap
    {
        bool watched = false;
        bool answered = false; // since watch()
        bool heard = false;    // answered at least once since the start
        bool down = false;     // silent, lost or refused after having answered
        quint64 joins = 0;
        quint64 leaves = 0;
    };

    qint64 nowMs() const;
    void expire(qint64 now);
    void settleUnheard();
    void record(const StationEvent &event);
    void runProgram(const QString &kind, const QString &ap, const StationEvent *event = nullptr);
    void arm(qint64 now);
    void placeAt(const QString &k, DeviceState &d, const QString &ap);
    void setGone(const QString &k, DeviceState &d, std::optional<qint64> ms);
    void mayForget(const DeviceState &d, qint64 now);
    static QString key(const QString &mac);

    std::shared_ptr<SessionClock> m_clock;
    StationHistory *m_history;
    HistoryLog *m_log;
    AlertWatch *m_alerts;
    EventPrograms *m_programs;
    WinTimer *m_timer;
    bool m_historyOn = true;
    QHash<QString, DeviceState> m_devices; // by upper-case MAC
    QHash<QString, Ap> m_aps;
    // Indexes over m_devices, so an evaluation costs its access point's stations, not all
    // devices: the devices each access point lists (or listed last), those whose grace
    // period runs, and known clients no access point has listed yet.
    QHash<QString, QSet<QString>> m_byAp;
    QSet<QString> m_gone;
    QSet<QString> m_unheard;
    // No stranger can be due for forgetting before this time (ms since the epoch).
    qint64 m_nextForgetMs = LLONG_MIN;
    quint64 m_deviceSetVersion = 0;
    QList<QString> m_knownMacs;
    KnownClients m_known;
};
