#include "ui/frmMonitor.h"

// Placeholder: filled in with its issue.
void frmMonitor::timPWRobot_Timer() {}
