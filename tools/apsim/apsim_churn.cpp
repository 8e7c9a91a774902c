// Stations that come and go and levels that drift, so a demonstration's history shows
// moving lines and connect/disconnect events within a minute; one station away for long
// and one level that fades, so its desktop alerts show too.

#include "apsim.h"

#include <QtMath>

namespace apsim {

QList<Station> ApSim::shownStations(int poll) const
{
    const QList<Station> &all = m_options.stations;
    const int away = m_options.awayPolls, fade = m_options.fadePolls;
    if (m_options.comeAndGoPolls <= 0 && m_options.driftPolls <= 0 && away <= 0 && fade <= 0)
        return all;
    QList<Station> shown;
    shown.reserve(all.size());
    for (qsizetype i = 0; i < all.size(); ++i) {
        // Station i (from the second) is away in every third phase, shifted by i, so
        // the stations take turns and the list is never empty.
        const bool longAway = away > 0 && i > 0 && i == all.size() - 1;
        if (longAway && poll >= 5 && (poll - 5) % (2 * away) < away)
            continue;
        if (!longAway && m_options.comeAndGoPolls > 0 && i > 0 &&
            (poll / m_options.comeAndGoPolls + i) % 3 == 0)
            continue;
        Station s = all[i];
        if (m_options.driftPolls > 0) {
            const double phase = 2.0 * M_PI * (double(poll) / m_options.driftPolls + double(i) / all.size());
            const int top = s.perCent ? 100 : 64;
            s.rx = qBound(0, s.rx + qRound(top / 4.0 * qSin(phase)), top);
            s.ack = qBound(0, s.ack + qRound(16.0 * qCos(phase)), 64);
        }
        if (fade > 0 && i == 0 && poll >= 10 && (poll - 10) % (6 * fade) < fade)
            s.rx = (s.perCent ? 100 : 64) / 10;
        shown.append(s);
    }
    return shown;
}

} // namespace apsim
