#include "monitor/record.h"

QList<HistorySample> historySamples(const QList<StationValue> &stations)
{
    QList<HistorySample> samples;
    samples.reserve(stations.size());
    for (const StationValue &v : stations) {
        HistorySample s;
        s.mac = v.mac;
        s.name = v.name;
        s.rx = v.rx.value_or(0.0);
        s.ack = v.ack.value_or(0.0);
        s.rate = v.rate.value_or(0.0);
        s.mode = v.mode;
        samples.append(s);
    }
    return samples;
}

QList<AlertStation> alertStations(const QList<StationValue> &stations)
{
    QList<AlertStation> out;
    out.reserve(stations.size());
    for (const StationValue &v : stations)
        out.append(AlertStation{v.mac, v.name, v.known, v.rx});
    return out;
}
