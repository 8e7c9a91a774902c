#pragma once

#include <QString>

#include "monitor/reply.h"

class frmMonitor;

// Evaluates one reply text into the window: parseReply, then what the outcome asks of
// the window (src/ui/auswerten.cpp). Temporary: it goes once its callers take the
// reply value themselves.
void AntwortAuswertung(frmMonitor &w, QString text);
