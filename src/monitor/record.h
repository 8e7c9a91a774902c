#pragma once

#include <QList>

#include "monitor/history.h"
#include "monitor/reply.h"

// The history's samples of one evaluated reply: one per station block that passed the
// filter, in block order, under its caption name, with the values the clients page
// shows for it (a value the block lacks is 0 / empty).
QList<HistorySample> historySamples(const Reply &reply);

// Whether a reply is recorded in the history: a completed station reply, that is one
// with separators or one saying "No station associated" (a reply without stations).
// Answers to other commands are not.
bool countsForHistory(const Reply &reply);
