#pragma once

#include "session/exitstatus.h"

#include <QString>

// True when sIP is an acceptable IPv4 address; then sIP is rewritten normalised.
// Each of the four parts must be one to five decimal digits (no blanks, no sign);
// the first lies in 10..255, the middle two in 0..255, the last in 1..255.
bool fCheckIP(QString &sIP);

// What a command-line text asks for, by the rules of ParameterAuswertung: fields cut
// at "/", trimmed of blanks; "R", "ETH0", "ETH1" (exact) are actions, the last one wins;
// the last valid address wins. Needs no window, so the start can look at it first.
struct ParamRequest
{
    bool mode = false; // an action was requested
    QString command;   // the text to send after the firmware query
    QString ip;        // normalised address, empty when none was valid
    QString caption;   // the window caption the evaluation leaves behind
};
ParamRequest evaluateParameters(const QString &s);

// A one-shot run gives up when no connection has come up this long after its login.
constexpr int oneShotConnectTimeoutMs = 30000;
