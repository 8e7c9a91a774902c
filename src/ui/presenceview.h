#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSet>
#include <QString>

#include <optional>

#include "config/historysettings.h"
#include "config/watchlist.h"
#include "ui/windowlayout.h"

class AlertsDialog;
class AlertView;
class StationMonitor;
class PresenceWindow;
class QTimer;
class frmMonitor;
struct DeviceState;
struct StationEvent;

namespace SettingKeys {
// The window "Wer ist da?", a section of its own written once the window has been open:
// its place and size in twips, as the history window's.
inline constexpr const char *kPresenceWindow = "Wer-ist-da-Fenster";
} // namespace SettingKeys

// The presence window's bounds in the settings file.
struct PresenceWindowSettings
{
    std::optional<QRect> twips;

    bool operator==(const PresenceWindowSettings &) const = default;
    static PresenceWindowSettings read(const INIRW::Document &doc);
    void write(INIRW::Document &doc) const;
};

// What the window adds for "who is here": the watch list and its arrival and departure
// notices, the window "Wer ist da?", "verbunden seit" for tooltips, and how long the
// log's day files are kept. Its settings are sections of their own in the settings
// file, written by ENDE with the others (save()), each only once changed.
class PresenceView : public QObject
{
    Q_OBJECT
public:
    // Wires itself to the window's pages: "Wer ist da? ...", the alerts dialog's further
    // rows, the log's switch, the station buttons' and the tray's tooltips.
    PresenceView(frmMonitor *window, AlertView *alerts, const WindowPages &pages);
    ~PresenceView() override;

    // The settings file: the watch list (for the known clients the window holds now),
    // the days kept and the window's place are read from it, and day files older than
    // the days kept are removed (also at every midnight after).
    void load(const QString &settingsFile);

    // A device watched anew while present is announced when it next arrives.
    const WatchListSettings &watchList() const { return m_watch; }
    void setWatchList(const WatchListSettings &watch);
    const HistorySettings &historySettings() const { return m_history; }
    void setHistorySettings(const HistorySettings &settings);
    // Removes the day files older than the days kept; the German reasons of files that
    // stayed go to the status line.
    void removeOldDayFiles();

    // The dialog "Benachrichtigungen ..." gets the known clients with their watch marks
    // and the days kept; once accepted, its values are taken (kept for save()).
    void fillDialog(AlertsDialog *dialog) const;
    void takeDialog(const AlertsDialog *dialog);

    // The window "Wer ist da?", made on first use at the place it had last time.
    void openWindow();
    PresenceWindow *window() const;
    std::optional<QRect> windowTwips() const;
    // Writes what changed since load() (watch list, days kept, the window's place) into
    // the settings file, as ENDE does with the other settings. False with the German
    // reason in error when the file could not be written.
    bool save(const QString &settingsFile, QString *error);
    // The window unloads: the presence window closes, its place kept for save().
    void end();

    // "verbunden seit 07.12.2026 14:05:07" for a present device, else empty.
    QString sinceText(const QString &mac) const;
    // Lines for the tray's tooltip: each watched device that is present, with since when.
    QString trayLines() const;

private:
    void onDeviceUpdated(const DeviceState &d);
    void onStationEvent(const StationEvent &e);
    void announce(bool arrived, const QString &mac, const QString &name, qint64 ms);
    QStringList candidates() const;
    void armMidnight();

    frmMonitor *m_w;
    StationMonitor *m_monitor;
    AlertView *m_alerts;
    WindowPages m_pages;
    QString m_file;
    WatchListSettings m_watch;
    HistorySettings m_history;
    PresenceWindowSettings m_place; // as now
    // As read or last written: save() writes only what differs.
    WatchListSettings m_watchSaved;
    HistorySettings m_historySaved;
    PresenceWindowSettings m_placeSaved;
    QPointer<PresenceWindow> m_window;
    QSet<QString> m_arrived; // watched devices announced since the login (upper case)
    QTimer *m_midnight;
};
