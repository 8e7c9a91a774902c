#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

// What one access point looked like at its last answered poll, as the exposition shows it.
struct StationSample
{
    QString mac;
    QString name; // the caption the clients page shows
    QString mode;
    QString authentication;
    QString encryption;
    std::optional<double> rxPerCent;
    std::optional<double> ackPerCent;
    std::optional<double> rateMbps;
};

struct ApSample
{
    QString ap; // the address as written in the settings file
    bool up = false;
    std::optional<QString> firmware;
    // Only while up: a station's series go when it leaves or its access point stops answering.
    std::optional<int> stationCount;
    QList<StationSample> stations;
    std::optional<qint64> lastSuccessMs; // wall clock, ms since 1970
    quint64 answered = 0;
    quint64 noAnswer = 0;
    quint64 refused = 0;
    quint64 closed = 0;
};

// A sample value: the shortest text that reads back as the same double.
QByteArray formatSampleValue(double value);
// What the vendor label says for a MAC address; empty leaves the label empty.
using VendorOf = std::function<QString(const QString &mac)>;
// The Prometheus text format 0.0.4 for all access points: one HELP and TYPE per family,
// no timestamps, UTF-8.
QByteArray renderExposition(const QList<ApSample> &aps, const VendorOf &vendorOf = {});
// The content type a scrape of that text carries.
QByteArray expositionContentType();
