#pragma once

#include <QString>

struct tMAC;

// A known client's line in the list on the "LOGIN" page: MAC, TAB, name, TAB, IP, CR LF.
QString knownClientLine(const tMAC &record);
