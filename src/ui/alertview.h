#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <functional>

#include "monitor/alerts.h"
#include "monitor/stationmonitor.h"
#include "monitor/vendors.h"
#include "ui/trayicon.h"

class ApSession;
class Notifier;
class QDBusConnection;
class QWidget;

// The window's desktop alerts and tray: the alert watch sees the evaluations the history
// records and the access point's state; each alert goes to the event list, the CSV log
// and the desktop's notification service (or, without one, the status line). The tray
// icon shows the connection. The notification service is reached at the first alert and
// the tray icon is made once the window has been shown, so neither slows the start.
class AlertView : public QObject
{
    Q_OBJECT
public:
    AlertView(QWidget *window, ApSession *session, StationMonitor *monitor);

    void setVendors(VendorRegistry *vendors);
    // Sends notifications on this bus instead of the session bus (tests use a private one).
    void setNotificationBus(const QDBusConnection &bus);
    // What the tray icon shows, or would show where there is no tray.
    TrayState trayState() const;
    // Makes the tray icon where the desktop has a tray.
    void showTray();
    // An alert from beside the alert watch (arrivals and departures of watched devices):
    // the same way to the event list, the log and the desktop.
    void showAlert(const Alert &alert);
    // Lines added to the tray's tooltip (watched devices that are here); asked at each update.
    void setTrayLines(std::function<QString()> lines) { m_trayLines = std::move(lines); }
    void updateTray();
    // An evaluation listed this many stations.
    void recorded(int stationCount);
    void setAccessPointState(StationMonitor::ApState state);
    // A one-shot run watches nothing.
    void setOneShot(bool oneShot) { m_oneShot = oneShot; }
    // The window is unloading: nothing is shown any more.
    void stop() { m_stopped = true; }
    // With the option on, a minimized window goes to the tray; its icon brings it back.
    void windowStateChanged();

signals:
    void statusText(const QString &text);
    void logoutRequested();
    void endRequested();

private:
    void notifyAlert(const Alert &alert);
    void notifyWaiting();
    Notifier &notifier();

    QWidget *m_window;
    ApSession *m_session;
    StationMonitor *m_monitor;
    QPointer<VendorRegistry> m_vendors;
    Notifier *m_notifier = nullptr;    // made at the first alert, so a window without alerts needs no bus
    TrayIcon *m_tray = nullptr;        // only where the desktop has a tray
    QHash<QString, Alert> m_alertsOut; // by key: sent, no answer yet
    QList<Alert> m_alertsWaiting;      // for the maker names, being read
    bool m_apSilent = false;
    int m_stationCount = 0; // of the last recorded evaluation
    bool m_oneShot = false;
    bool m_stopped = false;
    std::function<QString()> m_trayLines;
};
