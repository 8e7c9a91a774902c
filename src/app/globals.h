#pragma once

#include <QString>

// Full path of the settings file, set once by Main.
extern QString IniPfad;
