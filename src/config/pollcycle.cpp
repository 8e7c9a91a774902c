#include "config/pollcycle.h"

#include "base/allgemein.h"

std::optional<int> pollCycleMs(const QString &text)
{
    const double ms = fRoundEven(fVal(text) * 1000.0);
    if (ms >= 1 && ms <= 65535)
        return int(ms);
    return std::nullopt;
}
