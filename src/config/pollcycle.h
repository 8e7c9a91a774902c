#pragma once

#include <QString>
#include <optional>

// The polling cycle in ms from its text in seconds (leading-number reading), for the
// window and the exporter alike: 1 to 65535 ms (the window's timer range). A text that
// gives no usable cycle (0, negative, too long) is none: the window keeps the cycle it
// polls at, the exporter takes its default. A cycle of 0 would stop polling for good.
std::optional<int> pollCycleMs(const QString &text);
