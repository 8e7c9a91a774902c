#include "ui/frmMonitor.h"

// Placeholder: filled in with its issue.
void frmMonitor::showRecord() {}
void frmMonitor::cmdSave_Click() {}
void frmMonitor::cmdNewData_Click() {}
void frmMonitor::Command2_Click() {}
void frmMonitor::scrDatensatz_Change() {}
void frmMonitor::txtDatensatz_Change() {}
void frmMonitor::refreshKnownClientViews() {}
void frmMonitor::Combo1_Change() {}
void frmMonitor::Combo1_Click() {}
