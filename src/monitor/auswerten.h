#pragma once

#include <QString>

class frmMonitor;

// The line of 49 asterisks in front of every station block.
const QString &stationSeparator();

// Evaluates one reply text of the access point into the window (module "auswerten").
void AntwortAuswertung(frmMonitor &w, QString text);
