#include "ui/frmMonitor.h"

// Placeholder: filled in with its issue.
void frmMonitor::CmdLogin_Click() {}
void frmMonitor::sendCommand(const QString &) {}
void frmMonitor::TCPClient_Connect() {}
void frmMonitor::TCPClient_DataArrival() {}
void frmMonitor::TCPClient_Close() {}
void frmMonitor::TCPClient_Error() {}
void frmMonitor::trennen() {}
