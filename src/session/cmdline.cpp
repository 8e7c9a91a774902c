#include "session/cmdline.h"
#include "ui/frmMonitor.h"

// Placeholder: filled in with its issue.
void frmMonitor::ParameterAuswertung(const QString &) {}
bool fCheckIP(QString &)
{
    return false;
}
