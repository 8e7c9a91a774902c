#include "app/globals.h"

QVector<tMAC> MACs(2);
QString IniPfad;
