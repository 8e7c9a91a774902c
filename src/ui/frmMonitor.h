#pragma once

#include <QWidget>
#include <memory>

#include "config/knownclients.h"
#include "monitor/stationmonitor.h"
#include "session/apsession.h"
#include "session/exitstatus.h"
#include "ui/windowlayout.h"

class AlertView;
class PresenceView;
class HistoryLog;
class SessionView;
class StationHistory;
class VendorRegistry;
struct Settings;

// The one window: the tab control with its pages (each a widget with its controls and
// handlers), the photo with its lamps, the credit line and ENDE. It owns the access-point
// session and the station monitor and wires the pages to them. Every control's
// objectName is its designed name (tests find them with findChild).
class frmMonitor : public QWidget
{
    Q_OBJECT
public:
    // clock: where the session's timers come from (tests step one); real timers by default.
    explicit frmMonitor(QWidget *parent = nullptr, std::shared_ptr<SessionClock> clock = {});
    ~frmMonitor() override;

    // The pages of SSTab1 by their number (the tab control's index). A new page is
    // appended at the end.
    enum Page { PageLogin = 0, PageClients, PageChart, PageManuell, PageAntworten, PageSetup, PageVerlauf };

    // The telnet session: socket, timers, flags and received text live there.
    ApSession &session() { return *m_session; }
    const ApSession &session() const { return *m_session; }
    // Presence, history, log and alerts of the watched access point. The history is kept
    // over logout and login and cleared when the window unloads.
    StationMonitor &stationMonitor() { return *m_monitor; }
    StationHistory &history() { return m_monitor->history(); }
    HistoryLog &historyLog() { return m_monitor->log(); }
    AlertWatch &alertWatch() { return m_monitor->alerts(); }
    // Maker names for the stations' MAC addresses, read on first need in the background.
    VendorRegistry &vendors() { return *m_vendors; }
    // Reads the registry from another folder (tests use a small one).
    void setVendorFolder(const QString &folder);
    // Desktop alerts and the tray.
    AlertView &alertView() { return *m_alerts; }
    // "Wer ist da?": the watch list, the presence window, the days kept.
    PresenceView &presence() { return *m_presence; }

    // The test page "manuell" is shown.
    bool isManuellMode() const { return manuellMode; }
    // What the command line asked for (ParameterAuswertung): a one-shot command and address.
    bool isParamMode() const { return paramMode; }
    const QString &paramRequestIP() const { return paramIP; }
    const QString &paramRequestCommand() const { return paramCommand; }

    // What the application hands the window before Form_Load: the text of the command line
    // (read there) and the folder of the settings file (the history log is written there).
    void setCommandLine(const QString &text) { m_commandLine = text; }
    void setSettingsFolder(const QString &folder) { m_settingsFolder = folder; }
    const QString &settingsFolder() const { return m_settingsFolder; }

    void SSTab1_Click(int PreviousTab);
    // Client size that shows every control; the window never gets smaller.
    QSize minimumClientSize() const;

    void Form_Load();
    void Form_Activate();
    void Form_Unload();
    void CmdEnde_Click();
    void lblautor_Click();
    // Unloads the window: closes it, which runs Form_Unload once. The object stays
    // alive until its owner deletes it, so handlers further up the stack stay safe.
    void Unload();
    bool isUnloaded() const { return m_unloaded; }

    void ParameterAuswertung(const QString &s);
    // A one-shot run ends with a reason on stderr and a non-zero status when it fails.
    void startOneShotWatchdog();

    // The known clients the editor, the views and the reply evaluation work on. Setting
    // them sets the record bar's maximum and rebuilds the views on the "LOGIN" page.
    const KnownClients &knownClients() const;
    void setKnownClients(const KnownClients &clients);

    // Loaded settings into the controls as the start does (change handlers run), and what
    // the window holds now, for the save at the end.
    void applySettings(const Settings &settings);
    Settings collectSettings() const;

signals:
    // The window asks the application to end the program (ENDE, the access point restarts,
    // no new try after a wrong password, a failed one-shot run); the application saves,
    // unloads the window and ends the process. An empty reason is the orderly end: the
    // settings are saved first. A reason says why a one-shot run failed: it goes to
    // standard error and nothing is saved.
    void endRequested(ExitStatus status, const QString &reason);

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void createControls();
    void wirePages();
    void unloadOnce();

    ApSession *const m_session;
    StationMonitor *m_monitor = nullptr;
    VendorRegistry *m_vendors = nullptr;
    AlertView *m_alerts = nullptr;
    SessionView *m_sessionView = nullptr;
    PresenceView *m_presence = nullptr;

    WindowFrame m_frame; // SSTab1, the photo, its lamps, ENDE, the credit line
    WindowPages m_pages;

    bool manuellMode = false; // the test page "manuell" is shown
    QString m_commandLine;
    QString m_settingsFolder;
    bool paramMode = false;
    QString paramCommand;
    QString paramIP;
    int m_shownTab = 0;
    bool m_activated = false;
    bool m_unloaded = false;
};
