#include "ui/frmMonitor.h"

// Placeholder: filled in with its issue.
void frmMonitor::Cmd_logout_Click() {}
