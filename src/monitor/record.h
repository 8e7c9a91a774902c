#pragma once

#include <QString>
#include <span>

#include "monitor/history.h"

class frmMonitor;

// Signal levels come on a 64-step scale; false when the result is no finite number
// (the step is then skipped and the target keeps its value).
bool perCentOf64(double raw, double *out);

// The first number after the first occurrence of word; false when it cannot be
// converted.
bool numberAfter(const QString &block, const QString &word, double *out);

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
