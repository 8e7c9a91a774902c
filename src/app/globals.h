#pragma once

#include <QString>
#include <QVector>

#include "config/knownclients.h"

// Slot 0 never holds a record; records are 1..MACs.size()-1. Starts as slot 0 and an
// empty slot 1, the state the settings loader leaves for a file without records.
extern QVector<tMAC> MACs;

// Full path of the settings file, set once by Main.
extern QString IniPfad;
