#pragma once

#include <QString>

#include "monitor/reply.h"

class frmMonitor;

// Evaluates one reply text through the window's session: parseReply, then what the
// outcome asks of the session and the window (src/ui/auswerten.cpp). Temporary: it goes
// once its callers take the reply value themselves.
void AntwortAuswertung(frmMonitor &w, QString text);

// The window's evaluator for its session: the reply against the known clients and the
// filter switch.
Reply parseForWindow(const frmMonitor &w, const QString &text);

// The window's answer to an evaluated reply: shown, and a completed one recorded in the
// history.
void showEvaluated(frmMonitor &w, const Reply &r);
