#pragma once

#include <QString>

class frmMonitor;

// Evaluates one reply text of the access point into the window (module "auswerten").
void AntwortAuswertung(frmMonitor &w, QString text);
