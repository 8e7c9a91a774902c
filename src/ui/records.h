#pragma once

#include <QString>

class frmMonitor;
struct tMAC;

// Sets the maximum of the record scroll bar to the number of records. With no record
// the bar stands at 0 (its usual minimum is 1).
void setRecordMaximum(frmMonitor &w, int maximum);

// A known client's line in the list on the "LOGIN" page: MAC, TAB, name, TAB, IP, CR LF.
QString knownClientLine(const tMAC &record);
