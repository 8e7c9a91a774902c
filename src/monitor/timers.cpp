#include "ui/frmMonitor.h"

// Placeholder: filled in with its issue.
void frmMonitor::timPoll_Power_Timer() {}
void frmMonitor::timAuswertung_Timer() {}
