#include "ui/credit.h"
#include "ui/frmMonitor.h"

// Placeholder: filled in with its issue.
void frmMonitor::animateCredit() {}
QString hexDigit(qint16)
{
    return {};
}
