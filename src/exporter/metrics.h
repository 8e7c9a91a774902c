#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

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
    std::optional<qint64> connectedSinceMs; // from the station monitor, ms since 1970
};

struct ApSample
{
    QString ap;   // the address as written in the settings file
    QString name; // from its known-client record
    bool up = false;
    std::optional<QString> firmware;
    // Only while up: a station's series go when it leaves or its access point stops answering.
    std::optional<int> stationCount;
    QList<StationSample> stations;
    std::optional<qint64> lastSuccessMs;  // wall clock, ms since 1970
    std::optional<qint64> pollDurationMs; // of the last answered poll
    // Polls and connection attempts by result.
    quint64 answered = 0;
    quint64 noAnswer = 0;
    quint64 loginRefused = 0;
    quint64 connectFailed = 0;
    quint64 closed = 0;
    quint64 unreadable = 0;
    // Presence events of its stations (the station monitor's).
    quint64 joins = 0;
    quint64 leaves = 0;
};

// One device over all access points: every known client, and every other station seen
// in the last 24 hours.
struct DeviceSample
{
    QString mac;
    const char *state = "unknown"; // present, absent or unknown
    quint64 roams = 0;
};

// A sample value: the shortest text that reads back as the same double.
QByteArray formatSampleValue(double value);
// What the vendor label says for a MAC address; empty leaves the label empty.
using VendorOf = std::function<QString(const QString &mac)>;
// The Prometheus text format 0.0.4 for all access points: one HELP and TYPE per family,
// no timestamps, UTF-8.
QByteArray renderExposition(const QList<ApSample> &aps, const QList<DeviceSample> &devices = {},
                            const VendorOf &vendorOf = {});

// The same text, scrape after scrape, for access points that mostly did not change since
// the last one: each access point's lines of each family (and each device's) are kept and
// made again only when what they show changed, so a scrape of a campus costs the copying
// of its text plus the access points and devices that moved.
class ExpositionRenderer
{
public:
    ExpositionRenderer();
    ~ExpositionRenderer();
    ExpositionRenderer(const ExpositionRenderer &) = delete;
    ExpositionRenderer &operator=(const ExpositionRenderer &) = delete;

    // The text, followed by more (the exporter's own families). It is written into the
    // buffer of the last one, so a scrape of some megabytes neither allocates nor touches
    // fresh memory while the caller lets go of the last text before it asks again.
    QByteArray render(const QList<ApSample> &aps, const QList<DeviceSample> &devices = {},
                      const VendorOf &vendorOf = {}, QByteArrayView more = {});

private:
    struct ApBlock;
    struct DeviceBlock;
    std::vector<ApBlock> m_aps;         // by position in the list of access points
    std::vector<DeviceBlock> m_devices; // by position in the list of devices
    QByteArray m_text;
};

// The content type a scrape of that text carries.
QByteArray expositionContentType();
