#pragma once

#include <QString>

// True when sIP is an acceptable IPv4 address; then sIP is rewritten normalised.
bool fCheckIP(QString &sIP);
