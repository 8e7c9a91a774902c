#include "monitor/stations.h"

#include <QSet>

#include "base/allgemein.h"
#include "config/knownclients.h"
#include "monitor/reply.h"

QString stationName(const QString &mac, const QString &caption)
{
    return caption.isEmpty() ? mac : caption;
}

QList<StationValue> stationValues(const Reply &reply)
{
    QList<StationValue> out;
    if (reply.kind != Reply::Kind::Completed)
        return out;
    const QList<StationBlock> &blocks = reply.examined ? reply.blocks : reply.moreBlocks;
    QSet<QString> seen;
    for (const StationBlock &b : blocks) {
        if (!b.passed || fTrimView(b.mac).isEmpty() || seen.contains(b.mac))
            continue;
        seen.insert(b.mac);
        StationValue v;
        v.mac = b.mac;
        v.name = stationName(b.mac, b.name);
        v.known = b.known;
        v.mode = b.mode.value_or(QString()).trimmed();
        v.authentication = b.authentication.value_or(QString()).trimmed();
        v.encryption = b.encryption.value_or(QString()).trimmed();
        v.rx = b.rx;
        v.ack = b.ack;
        v.rate = b.rate;
        out.append(v);
    }
    return out;
}

bool isStationReply(const Reply &reply)
{
    return reply.kind == Reply::Kind::Completed && (reply.blockCount >= 1 || reply.noStation);
}

QList<QString> knownDeviceMacs(const KnownClients &known)
{
    QList<QString> out;
    QSet<QString> seen;
    for (const tMAC &r : known) {
        const QString mac = fTrim(r.MAC);
        if (r.isAccessPoint() || mac.isEmpty() || seen.contains(mac))
            continue;
        seen.insert(mac);
        out.append(mac);
    }
    return out;
}

QString accessPointName(const KnownClients &known, const QString &address)
{
    QString name;
    for (const tMAC &r : known) {
        if (r.isAccessPoint() && fTrimView(r.IP) == fTrimView(address))
            name = fTrim(r.Name);
    }
    return name;
}
