#pragma once

#include <QObject>
#include <QString>

#include "session/exitstatus.h"
#include "ui/windowlayout.h"

class AlertView;
class ApSession;
class StationMonitor;
struct Reply;

// The window as the session's listener and speaker: LOGIN, Logout and the test page's
// commands go to the session; whatever the session reports is shown on the pages and the
// lamps, and an evaluated reply is recorded by the station monitor. The known clients
// and the switch "nur bekannte" of the page "Setup" are the session's filter.
class SessionView : public QObject
{
    Q_OBJECT
public:
    SessionView(QObject *parent, ApSession *session, StationMonitor *monitor, AlertView *alerts,
                const WindowPages &pages, const WindowFrame &frame);

    // A one-shot run from the command line: its command goes with the login, and a wrong
    // password asks nobody.
    void setOneShot(bool oneShot, const QString &command);
    // The window is unloading: nothing more is recorded.
    void stop() { m_stopped = true; }
    // A one-shot run cannot wait for a person: it ends with a reason on stderr and a
    // non-zero status (decided by OneShotRun), or once its action went out.
    void startOneShotWatchdog(const QString &ip);
    void oneShotAbort(const QString &reason, ExitStatus status);

signals:
    void endRequested(ExitStatus status, const QString &reason);
    void oneShotSent();

private:
    void login();
    void trennen();
    void sendManual(const QString &command);
    void showEvaluated(const Reply &r);
    void pushKnownClients();
    void pushFilter();

    ApSession *m_session;
    StationMonitor *m_monitor;
    AlertView *m_alerts;
    WindowPages m_pages;
    WindowFrame m_frame;
    bool m_oneShot = false;
    QString m_oneShotCommand;
    bool m_stopped = false;
};
