#include "monitor/record.h"

QList<HistorySample> historySamples(const Reply &reply)
{
    QList<HistorySample> samples;
    for (const StationBlock &b : reply.blocks) {
        if (!b.passed)
            continue;
        HistorySample s;
        s.mac = b.mac;
        s.name = b.name;
        s.rx = b.rx.value_or(0.0);
        s.ack = b.ack.value_or(0.0);
        s.rate = b.rate.value_or(0.0);
        s.mode = b.mode.value_or(QString());
        samples.append(s);
    }
    return samples;
}

bool countsForHistory(const Reply &reply)
{
    return reply.kind == Reply::Kind::Completed && (reply.blockCount >= 1 || reply.noStation);
}
