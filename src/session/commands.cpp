#include "ui/frmMonitor.h"

// Placeholder: filled in with its issue.
void frmMonitor::Command1_Click() {}
void frmMonitor::Command11_Click() {}
void frmMonitor::Command12_Click() {}
void frmMonitor::Command13_Click() {}
void frmMonitor::command6_Click() {}
void frmMonitor::Command3_Click() {}
void frmMonitor::Command4_Click() {}
void frmMonitor::Command5_Click() {}
void frmMonitor::Command7_Click() {}
void frmMonitor::Command8_Click() {}
void frmMonitor::Command9_Click() {}
void frmMonitor::cmd_reboot_Click() {}
void frmMonitor::Command10_Click() {}
