#pragma once

#include <QList>
#include <QString>
#include <optional>

class KnownClients;
struct Reply;

// One station of an evaluated reply, as every view and output takes it: the window's
// history, the CSV log, the alerts, the station monitor and the exporter. The rules that
// turn a block into it live here once.
struct StationValue
{
    QString mac;  // the block's first 17 characters
    QString name; // the name the clients page gives it; the MAC where that would be blank
    bool known = false;
    // The access point pads its words with blanks: trimmed once here.
    QString mode;
    QString authentication;
    QString encryption;
    std::optional<double> rx;   // per cent
    std::optional<double> ack;  // per cent
    std::optional<double> rate; // Mbps

    bool operator==(const StationValue &) const = default;
};

// The name a station goes by outside its button: the button's caption, or its MAC address
// where the known client's name is blank.
QString stationName(const QString &mac, const QString &caption);

// The stations of a completed reply that passed the filter, every one of them (the
// window's twelve buttons are no limit here), each MAC once (the first block wins), in
// block order. A block without a MAC address (an empty block after a trailing
// separator) is no station.
QList<StationValue> stationValues(const Reply &reply);

// Whether a completed reply answers "get station": it lists stations or says that none
// is associated. Any other text (an error message, an echo) cannot be read as stations.
bool isStationReply(const Reply &reply);

// The known devices: the MAC addresses of the known-client records that are no access
// point, trimmed, each once.
QList<QString> knownDeviceMacs(const KnownClients &known);
// The name of the access point at address from its known-client record, empty if none.
QString accessPointName(const KnownClients &known, const QString &address);
