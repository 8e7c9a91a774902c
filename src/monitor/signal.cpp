#include "ui/frmMonitor.h"

// Placeholder: filled in with its issue.
void frmMonitor::txtRXSign_Change() {}
void frmMonitor::txtAckSign_Change() {}
