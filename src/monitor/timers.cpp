#include <QLabel>

#include "monitor/auswerten.h"
#include "ui/frmMonitor.h"

// Polling: at most one "get station" per finished evaluation; a tick that finds the
// previous reply still open is lost.
void frmMonitor::timPoll_Power_Timer()
{
    if (verbunden && IamReady) {
        sendCommand(QStringLiteral("get station"));
        IamReady = false;
    }
}

// A reply counts as complete once a whole interval passed without a new chunk. The
// connection lamp blinks on every tick while a reply settles.
void frmMonitor::timAuswertung_Timer()
{
    if (!dataArrived) {
        AntwortAuswertung(*this, Monitor->text());
        timAuswertung->setEnabled(false);
    }
    dataArrived = false;
    LED2_aus->setHidden(!LED2_aus->isHidden());
}
