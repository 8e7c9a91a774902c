#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

#include "config/knownclients.h"
#include "steppedclock.h"

// Test helpers that need no window: the logic tests link only these.

bool waitUntilImpl(const std::function<bool()> &pred, int ms);

// Waits (running the event loop) until pred is true or ms pass; returns pred's value.
template <typename Pred> bool waitUntil(Pred pred, int ms)
{
    return waitUntilImpl(std::function<bool()>(pred), ms);
}

// A file's bytes (empty when it cannot be read); writing reports whether all bytes landed.
QByteArray readFile(const QString &path);
bool writeFile(const QString &path, const QByteArray &bytes);

// Known clients in the order given (one empty record when none is given).
KnownClients knownClients(const QList<tMAC> &records);

// Steps the clock 100 ms at a time, running the event loop, until pred holds or ms pass.
bool stepUntil(SteppedClock &clock, const std::function<bool()> &pred, int ms = 5000);
