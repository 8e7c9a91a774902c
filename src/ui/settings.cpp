#include "ui/frmMonitor.h"

// Placeholder: filled in with its issue.
void frmMonitor::ChkShowPW_Click() {}
void frmMonitor::cmbZyklus_Change() {}
void frmMonitor::cmbZyklus_Click() {}
