#include "session/cmdline.h"
#include "ui/frmMonitor.h"

// Placeholder: filled in with its issue.
void frmMonitor::ParameterAuswertung(const QString &) {}
void frmMonitor::startOneShotWatchdog() {}
void frmMonitor::oneShotAbort(const QString &, int) {}
bool fCheckIP(QString &)
{
    return false;
}
