#pragma once

#include <QString>

namespace INIRW {
class Document;
}

// The section [MQTT]: the broker the exporter tells Home Assistant about presence through.
// A file without the section, or without a server in it, reads as off.
struct MqttSettings
{
    static constexpr quint16 kDefaultPort = 1883;

    QString server; // address or host name of the broker; empty: off
    quint16 port = kDefaultPort;
    QString user;             // empty: no login
    QString password;         // never shown in a log or a metric
    QString caFile;           // given: TLS, the broker's certificate checked against this CA
    bool allStations = false; // every station the access points list, not only the known clients
    // 5 .. 65535 ("Keepalive"); the broker publishes the last will after 1.5 times this.
    int keepAliveSeconds = 60;

    // Not in the file: how much the publisher tracks.
    int maxDevices = 1000; // devices beyond this are not published (random addresses add up)

    bool enabled() const { return !server.isEmpty(); }
    bool operator==(const MqttSettings &) const = default;

    // False with a German reason when the section names a server but a value cannot be used
    // (a port outside 1..65535): out is then off, so nothing connects where nobody meant to.
    // "alle Stationen" other than 0 or 1 reads as 0; a "Keepalive" that is no number of
    // seconds from 5 to 65535 reads as 60.
    static bool read(const INIRW::Document &doc, MqttSettings *out, QString *error);
    // The section of the settings file at path; false (and off) when the file cannot be read
    // or the section is unusable, error then says why in German.
    static bool load(const QString &path, MqttSettings *out, QString *error);
};

// The broker given on a command line: "HOST:PORT", "[IPv6]:PORT", or a host alone (port
// 1883; an IPv6 address without brackets is a host alone). False for an empty host, blanks
// in it, or a port that is not a number from 1 to 65535.
bool parseMqttServer(const QString &text, QString *host, quint16 *port);
