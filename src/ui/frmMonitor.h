#pragma once

#include <QHash>
#include <QString>
#include <QWidget>
#include <array>
#include <functional>
#include <optional>

#include "config/knownclients.h"
#include "monitor/alerts.h"
#include "monitor/stationmonitor.h"
#include "session/apsession.h"
#include "session/exitstatus.h"
#include "ui/controls.h"
#include "ui/trayicon.h"

class HistoryLog;
class Notifier;
class QDBusConnection;
class HistoryPage;
class HistoryWindow;
class PresenceView;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QTabWidget;
class QToolButton;
struct Settings;
class StationChart;
struct Reply;
class StationHistory;
class VendorRegistry;

// The one window. It owns every control and the access-point session (which owns the
// socket and the three timers) and shows what the session says. Handlers keep the names of
// their events and are implemented in the folder of their subsystem:
//   src/ui        construction (one file per page), page change, station options, records,
//                 settings, credit, lifecycle (Form_Load, Form_Activate, Form_Unload, ENDE)
//   src/session   the session object, test-page commands, command line
//   src/ui        also: LOGIN, Logout, the wrong-password question and the session's
//                 listener (sessionview.cpp), an evaluated reply shown (replyview.cpp),
//                 the signal bars
//   src/monitor   the parser is a free function
// The controls are private; every control's objectName is its name here, so tests find
// them with findChild (tests/findcontrol.h).
class frmMonitor : public QWidget
{
    Q_OBJECT
public:
    // clock: where the session's timers come from (tests step one); real timers by default.
    explicit frmMonitor(QWidget *parent = nullptr, std::shared_ptr<SessionClock> clock = {});
    ~frmMonitor() override;

    // The pages of SSTab1 by their number (the tab control's index). A new page is
    // appended at the end, with a builder of its own (see createControls).
    enum Page { PageLogin = 0, PageClients, PageChart, PageManuell, PageAntworten, PageSetup, PageVerlauf };

    // The telnet session: socket, timers, flags and received text live there.
    ApSession &session() { return *m_session; }
    const ApSession &session() const { return *m_session; }
    // Signal history of the evaluated stations and its CSV log; kept over logout and
    // login, cleared when the window unloads.
    StationHistory &history() { return *m_history; }
    HistoryLog &historyLog() { return *m_historyLog; }
    // Maker names for the stations' MAC addresses, read on first need in the background.
    // Every view that names a station asks here, so the registry is read once.
    VendorRegistry &vendors() { return *m_vendors; }
    // Reads the registry from another folder (tests use a small one). Call it before any
    // view has asked for a name: views hold on to the registry they asked.
    void setVendorFolder(const QString &folder);
    // Desktop alerts from the same evaluations the history records (src/ui/alertview.cpp).
    AlertWatch &alertWatch() { return *m_alertWatch; }
    // Presence, history, log and alerts of the watched access point.
    StationMonitor &stationMonitor() { return *m_monitor; }
    // Sends notifications on this bus instead of the session bus (tests use a private one).
    void setNotificationBus(const QDBusConnection &bus);
    // What the tray icon shows, or would show where there is no tray.
    TrayState trayState() const;
    void cmdBenachrichtigungen_Click();
    // The history in a window of its own ("Fenster ..." on the page "Verlauf"), made on
    // first use at the place it had last time (src/ui/historywindow.cpp).
    void openHistoryWindow();
    HistoryWindow *historyWindow() const { return m_historyWindow; }
    // Its bounds in twips for the settings file, once it has been open.
    std::optional<QRect> historyWindowTwips() const;
    // ---- "Wer ist da?", the watch list, days kept (src/ui/presenceview.cpp) ----
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

    // ---- Window (src/ui/frmMonitor.cpp) ----
    void SSTab1_Click(int PreviousTab);
    void fillClients(qint16 Anzahl);
    void OptClients_Click(int Index);

    // Geometry in twips (outer frame) and state 0 normal, 1 minimized, 2 maximized
    // (src/ui/geometry.cpp).
    int twLeft() const;
    int twTop() const;
    int twWidth() const;
    int twHeight() const;
    void setTwLeft(int twips);
    void setTwTop(int twips);
    void setTwWidth(int twips);
    void setTwHeight(int twips);
    int windowStateValue() const;
    void setWindowStateValue(int state);
    // Client size that shows every control; the window never gets smaller.
    QSize minimumClientSize() const;

    // ---- Lifecycle (src/ui/lifecycle.cpp) ----
    void Form_Load();
    void Form_Activate();
    void Form_Unload();
    void CmdEnde_Click();
    void lblautor_Click();
    // Unloads the window: closes it, which runs Form_Unload once. The object stays
    // alive until its owner deletes it, so handlers further up the stack stay safe.
    void Unload();
    bool isUnloaded() const { return m_unloaded; }

    // ---- Login, logout, wrong password (src/ui/sessionview.cpp) ----
    void CmdLogin_Click();
    void trennen();
    void Cmd_logout_Click();

    // ---- Test-page commands (src/session/commands.cpp) ----
    void Command1_Click();
    void Command11_Click();
    void Command12_Click();
    void Command13_Click();
    void command6_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Command7_Click();
    void Command8_Click();
    void Command9_Click();
    void cmd_reboot_Click();
    void Command10_Click();

    // ---- Command line (src/session/cmdline.cpp) ----
    void ParameterAuswertung(const QString &s);
    // One-shot runs cannot wait for a person: they end with a reason on stderr and a
    // non-zero status (src/ui/sessionview.cpp, decided by OneShotRun).
    void startOneShotWatchdog();
    void oneShotAbort(const QString &reason, ExitStatus status);

    // ---- Evaluated replies (src/ui/replyview.cpp) ----
    // Shows what the window shows of an evaluated reply: the firmware version of any
    // reply; for a completed one with blocks also the captions, the station count, the
    // option buttons, the details of the selected block (clients page) and the chart
    // rows (chart page).
    void showReply(const Reply &r);
    // Maker names as tool tips of the station buttons and the MAC field, again once the
    // registry has read its names.
    void showMakers();

    // ---- Signal display (src/ui/signal.cpp) ----
    void txtRXSign_Change();
    void txtAckSign_Change();

    // ---- Known-client records (src/ui/records.cpp) ----
    void showRecord();
    void cmdSave_Click(); // storeRecord
    void cmdNewData_Click();
    void Command2_Click();
    void scrDatensatz_Change();
    void txtDatensatz_Change();
    void refreshKnownClientViews();
    void Combo1_Change();
    void Combo1_Click();

    // The known clients the editor, the views and the reply evaluation work on. Setting
    // them sets the record bar's maximum and rebuilds the views on the "LOGIN" page.
    const KnownClients &knownClients() const { return m_knownClients; }
    void setKnownClients(const KnownClients &clients);

    // ---- Settings controls (src/ui/settingsview.cpp) ----
    // Puts loaded settings into the window as the start does: each value into its
    // control (change handlers run), AnzahlMACs, the known clients and their views.
    void applySettings(const Settings &settings);
    // What the window holds now, for the save at the end.
    Settings collectSettings() const;
    void ChkShowPW_Click();
    void cmbZyklus_Change();
    void cmbZyklus_Click();

    // ---- Credit line (src/ui/credit.cpp) ----
    // Starts the animation and returns; its steps run on a timer. whenDone runs once no
    // run plays any more (a run started meanwhile goes first).
    void animateCredit(std::function<void()> whenDone = {});
    bool creditRunning() const;

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
    // Minimizing to the tray (src/ui/alertview.cpp).
    void alertsChangeEvent(QEvent *event);

private:
    ApSession *const m_session;

    // ---- Window variables ----
    bool manuellMode = false; // the test page "manuell" is shown
    qint16 AnzahlMACs = 0;    // records read at start

    // ---- Handed over by the application ----
    QString m_commandLine;
    QString m_settingsFolder;

    // ---- Command-line request ----
    bool paramMode = false;
    QString paramCommand;
    QString paramIP;

    // ---- Tab control ----
    QTabWidget *SSTab1 = nullptr;

    // ---- Page 0 "LOGIN" ----
    QGroupBox *Frame3 = nullptr;
    QLabel *Label2 = nullptr;
    QComboBox *Combo1 = nullptr;
    QLineEdit *txtIP = nullptr;
    QLabel *lblUsername = nullptr;
    QLineEdit *txtUser = nullptr;
    QLabel *lblPassw = nullptr;
    QLineEdit *txtPassw = nullptr;
    QLabel *lblStatus = nullptr;
    QToolButton *CmdLogin = nullptr;
    QToolButton *Cmd_logout = nullptr;
    QLabel *Label15 = nullptr;
    QLineEdit *txtSoftVers = nullptr;
    QGroupBox *Frame2 = nullptr;
    QLabel *Label6 = nullptr;
    QLabel *Label7 = nullptr;
    TextBox *txtMACS = nullptr;
    QLabel *Label5 = nullptr;

    // ---- Page 1 " Clients" ----
    QLabel *lblMac = nullptr;
    QLineEdit *txtMac = nullptr;
    QLabel *lblAuth = nullptr;
    QLineEdit *txtAuth = nullptr;
    QLabel *Label12 = nullptr;
    QLineEdit *txtEncrypt = nullptr;
    QLabel *lblWLANMode = nullptr;
    QLineEdit *txtWLANMode = nullptr;
    QLabel *lblRXDataRate = nullptr;
    QLineEdit *txtRXDataRate = nullptr;
    QLabel *lblRXSign = nullptr;
    QLineEdit *txtRXSign = nullptr;
    QLabel *Label13 = nullptr;
    SignalBar *RXBar = nullptr;
    QLabel *lblAckSign = nullptr;
    QLineEdit *txtAckSign = nullptr;
    QLabel *Label14 = nullptr;
    SignalBar *AcknBar = nullptr;
    QLabel *lblAnzahl = nullptr;
    QLineEdit *txtAnzahl = nullptr;
    QGroupBox *Frame1 = nullptr;
    std::array<QRadioButton *, 12> OptClients{};

    // ---- Page 2 "Diagramm" ----
    StationChart *MSChart1 = nullptr;

    // ---- Page 3 "manuell" ----
    QLabel *Label8 = nullptr;
    QPushButton *Command7 = nullptr;
    QLineEdit *Text3 = nullptr;
    QPushButton *Command8 = nullptr;
    QLineEdit *Text4 = nullptr;
    QPushButton *Command9 = nullptr;
    QLineEdit *Text5 = nullptr;
    QFrame *Line1 = nullptr;
    QLabel *Label9 = nullptr;
    TextBox *txtmanAntw = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *command6 = nullptr;
    QPushButton *cmd_reboot = nullptr;
    QPushButton *Command13 = nullptr;
    QPushButton *Command12 = nullptr;
    QPushButton *Command11 = nullptr;
    QPushButton *Command3 = nullptr;
    QPushButton *Command5 = nullptr;
    QPushButton *Command4 = nullptr;
    QPushButton *Command10 = nullptr;

    // ---- Page 4 "Antworten" ----
    QLabel *Label3 = nullptr;
    TextBox *Monitor = nullptr;

    // ---- Page 5 "Setup" ----
    QGroupBox *Frame4 = nullptr;
    QScrollBar *scrDatensatz = nullptr;
    QLineEdit *txtDatensatz = nullptr;
    QLabel *Label1 = nullptr;
    QLineEdit *txtDataName = nullptr;
    QLabel *Label4 = nullptr;
    QLineEdit *txtDataIP = nullptr;
    QLabel *Label16 = nullptr;
    QLineEdit *txtDataMAC = nullptr;
    QLabel *Label17 = nullptr;
    QCheckBox *chkDataAP = nullptr;
    QToolButton *cmdNewData = nullptr;
    QToolButton *cmdSave = nullptr;
    QToolButton *Command2 = nullptr;
    QGroupBox *Frame5 = nullptr;
    QCheckBox *chkBekClients = nullptr;
    QCheckBox *ChksaveUser = nullptr;
    QCheckBox *ChksavePW = nullptr;
    QCheckBox *ChkShowPW = nullptr;
    QLabel *Label10 = nullptr;
    QComboBox *cmbZyklus = nullptr;
    QLabel *Label11 = nullptr;
    QLabel *Label20 = nullptr;
    QLabel *Label19 = nullptr;
    QCheckBox *chkVerlauf = nullptr; // history log to CSV files

    // ---- Page 6 "Verlauf" ----
    HistoryPage *Verlauf = nullptr;
    QPushButton *cmdBenachrichtigungen = nullptr; // opens the alerts dialog

    // ---- Outside the tab control ----
    QToolButton *CmdEnde = nullptr;
    QLabel *lblautor = nullptr;
    QLabel *Image1 = nullptr;
    QLabel *LED1_aus = nullptr;
    QLabel *LED2_aus = nullptr;
    QLineEdit *Text1 = nullptr; // hidden: index of the station option last clicked
    StationHistory *m_history = nullptr;
    HistoryLog *m_historyLog = nullptr;
    VendorRegistry *m_vendors = nullptr;
    std::array<QString, 12> m_clientMacs; // the address each station button's tool tip names
    HistoryWindow *m_historyWindow = nullptr;
    std::optional<QRect> m_historyTwips; // loaded, or kept when it was last hidden

    void createControls(); // src/ui/frmMonitor.cpp
    void wireHandlers();   // src/ui/wiring.cpp
    void wireSession();    // src/ui/sessionview.cpp
    void layoutWindow();   // src/ui/frmMonitor.cpp

    // A control's tool tip: the maker of mac, "private Adresse" or nothing
    // (src/ui/replyview.cpp).
    void showMaker(QWidget *control, const QString &mac);

    // The answer to an evaluated reply: shown, a completed one recorded in the history
    // (src/ui/auswerten.cpp).
    void showEvaluated(const Reply &r);
    void recordStations(const Reply &r);

    // Test-page commands go out through this (src/session/commands.cpp).
    void sendManual(const QString &command);

    // The record number (from 1) typed into txtDatensatz if that record exists, or 0: the
    // editor's own empty record that stands where there is none; and the record bar's range
    // for a number of records (src/ui/records.cpp).
    std::optional<int> typedRecord() const;
    void setRecordMaximum(int maximum);
    // Every change of the known clients goes through here: change edits them, then the
    // session (which judges the next reply by them) and the station monitor get them.
    void changeKnownClients(const std::function<void(KnownClients &)> &change);
    // The session's filter: the known clients and the switch "nur bekannte" as shown now.
    void pushFilter();

    // One builder per page, each in a file of its own: it creates the page's controls
    // on the given page and lays them out.
    void createLoginPage(QWidget *page);     // src/ui/page_login.cpp
    void createClientsPage(QWidget *page);   // src/ui/page_clients.cpp
    void createChartPage(QWidget *page);     // src/ui/page_chart.cpp
    void createManuellPage(QWidget *page);   // src/ui/page_manuell.cpp
    void createAntwortenPage(QWidget *page); // src/ui/page_antworten.cpp
    void createSetupPage(QWidget *page);     // src/ui/page_setup.cpp
    void createVerlaufPage(QWidget *page);   // src/ui/page_verlauf.cpp
    // The history's log switch and its failure report (src/ui/page_verlauf.cpp).
    void wireHistory();
    void endHistory();

    // Desktop alerts, their grace timer and the tray (src/ui/alertview.cpp).
    void wireAlerts();
    void showAlert(const Alert &alert);
    void notifyAlert(const Alert &alert);
    void notifyWaiting();
    void setAccessPointState(StationMonitor::ApState state);
    void updateTray();
    Notifier &notifier();
    StationMonitor *m_monitor = nullptr; // owns the history, its log and the alert watch
    AlertWatch *m_alertWatch = nullptr;
    Notifier *m_notifier = nullptr;    // made at the first alert, so a window without alerts needs no bus
    TrayIcon *m_tray = nullptr;        // only where the desktop has a tray
    QHash<QString, Alert> m_alertsOut; // by key: sent, no answer yet
    QList<Alert> m_alertsWaiting;      // for the maker names, being read
    bool m_apSilent = false;
    int m_stationCount = 0; // of the last recorded evaluation

    // ---- "Wer ist da?" (src/ui/presenceview.cpp) ----
    friend class PresenceView;
    PresenceView *m_presence = nullptr;
    void wirePresence();

    int m_shownTab = 0;
    bool m_activated = false;
    bool m_unloaded = false;
    KnownClients m_knownClients;
    tMAC m_record0; // what the editor keeps as its record 0: never a known client
};

// Check box value as the settings file stores it: 0 unchecked, 1 checked, 2 greyed.
int chkValue(const QCheckBox *box);
void setChkValue(QCheckBox *box, int value);
