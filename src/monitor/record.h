#pragma once

#include <QString>
#include <span>

#include "monitor/history.h"
#include "monitor/reply.h"

class frmMonitor;

// The values the clients page shows for one station block, under the caption name:
// receive level (per-cent form as it is, else on the 64-step scale), acknowledge level
// (64-step scale), data rate and WLAN mode. A value the block lacks is 0 / empty.
HistorySample historySample(const QString &block, const QString &name);

// Records one evaluation of a station reply into the window's history and its log.
// blocks[k] (from 1) is the text of station block k and passed[k] whether it was
// examined and passed the filter; its caption is that of option button k - 1. With no
// blocks only a reply "No station associated." counts (as a reply without stations).
// Nothing is recorded during the login phase or once the window is unloading.
void recordStations(frmMonitor &w, const QString &reply, std::span<const QString> blocks,
                    std::span<const bool> passed);

// The history's samples of one evaluated reply: one per station block that passed the
// filter, in block order, under its caption name, with the values the clients page
// shows for it (a value the block lacks is 0 / empty).
QList<HistorySample> historySamples(const Reply &reply);

// Whether a reply is recorded in the history: a completed station reply, that is one
// with separators or one saying "No station associated" (a reply without stations).
// Answers to other commands are not.
bool countsForHistory(const Reply &reply);
