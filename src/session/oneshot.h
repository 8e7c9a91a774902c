#pragma once

#include <QObject>
#include <QString>

#include "session/exitstatus.h"

class ApSession;
class WinTimer;

// Watches a one-shot run (one action from the command line) on its session and says
// how it ends: the exit status and, for a failure, the reason for stderr. A run cannot
// wait for a person: no connection within its time, a refused login, a connection that
// ends before the action, or an access point that never answered end it at once.
// Ending the process is left to whoever listens.
class OneShotRun : public QObject
{
    Q_OBJECT
public:
    // ip is the address of the command line (normalised), empty when none was valid.
    OneShotRun(ApSession &session, const QString &ip, QObject *parent = nullptr);

    // Arms the connect watchdog; call before the login starts.
    void start();
    bool isFinished() const { return m_finished; }

signals:
    // Ok: the action was sent (reason empty); otherwise why the run failed.
    void finished(ExitStatus status, const QString &reason);

private:
    void finish(ExitStatus status, const QString &reason);

    ApSession &m_session;
    QString m_ip;
    WinTimer *m_watchdog;
    bool m_finished = false;
};
