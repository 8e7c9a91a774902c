#include "app/globals.h"

QString IniPfad;
