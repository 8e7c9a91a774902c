#pragma once

#include <QString>

class frmMonitor;

// The line of 49 asterisks in front of every station block.
const QString &stationSeparator();

#include "monitor/reply.h"

// Evaluates one reply text of the access point: the window's session evaluates it with
// the window's evaluator and decides what follows (module "auswerten").
void AntwortAuswertung(frmMonitor &w, QString text);

// The window's evaluator: shows a reply text in the window's controls and says what
// kind of reply it was (with the firmware version, when it names one).
Reply showReplyText(frmMonitor &w, const QString &text);
