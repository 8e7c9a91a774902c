#include "exporter/metrics.h"

#include <QLocale>
#include <cmath>
#include <tuple>
#include <utility>

QByteArray formatSampleValue(double value)
{
    if (std::isnan(value))
        return QByteArrayLiteral("NaN");
    if (std::isinf(value))
        return value > 0 ? QByteArrayLiteral("+Inf") : QByteArrayLiteral("-Inf");
    // Whole numbers below 100000 read the same either way, and the counters, states and
    // station counts of a campus scrape are mostly such: the integer path is far cheaper.
    if (std::abs(value) < 100000 && value == std::trunc(value))
        return QByteArray::number(qint64(value));
    // Never the locale's decimal comma: the format wants a point.
    return QByteArray::number(value, 'g', QLocale::FloatingPointShortest);
}

QByteArray expositionContentType()
{
    return QByteArrayLiteral("text/plain; version=0.0.4; charset=utf-8");
}

namespace {

// Label pairs in the text's bytes, e.g. ap="127.0.1.1",name="a\"b". The three escaped
// characters are ASCII, so escaping the UTF-8 bytes is the same as escaping the text.
class LabelText
{
public:
    LabelText &add(const char *label, const QString &value)
    {
        if (!m_bytes.isEmpty())
            m_bytes += ',';
        m_bytes += label;
        m_bytes += "=\"";
        for (const char c : value.toUtf8()) {
            if (c == '\\')
                m_bytes += "\\\\";
            else if (c == '"')
                m_bytes += "\\\"";
            else if (c == '\n')
                m_bytes += "\\n";
            else
                m_bytes += c;
        }
        m_bytes += '"';
        return *this;
    }
    const QByteArray &bytes() const { return m_bytes; }

private:
    QByteArray m_bytes;
};

} // namespace

namespace {

// The families in the order of the text. The devices' two families stand between the
// station families and the per-access-point counters.
enum ApFamily {
    Up,
    ApInfo,
    Stations,
    ReceiveSignal,
    AckSignal,
    ReceiveRate,
    ConnectedSince,
    StationInfo,
    Joins,
    Leaves,
    LastSuccess,
    PollDuration,
    Polls,
    ApFamilies
};

struct Family
{
    const char *name;
    const char *type;
    const char *help;
};

constexpr Family apFamilies[ApFamilies] = {
    {"senvaro_up", "gauge", "1 when the access point answered its last poll, else 0."},
    {"senvaro_ap_info", "gauge", "Firmware the access point reported at login, and its name."},
    {"senvaro_stations", "gauge", "Stations associated with the access point."},
    {"senvaro_station_receive_signal_ratio", "gauge", "Receive signal strength of the station, 0 to 1."},
    {"senvaro_station_ack_signal_ratio", "gauge", "Acknowledge signal strength of the station, 0 to 1."},
    {"senvaro_station_receive_rate_bits_per_second", "gauge", "Receive data rate of the station."},
    {"senvaro_station_connected_since_timestamp_seconds", "gauge",
     "Since when the station is connected (over short drop-outs and roams), seconds since 1970."},
    {"senvaro_station_info", "gauge",
     "Name, WLAN mode, authentication, encryption and maker of the station."},
    {"senvaro_station_joins_total", "counter", "Stations that arrived at the access point."},
    {"senvaro_station_leaves_total", "counter",
     "Stations that left the access point for longer than the grace period."},
    {"senvaro_last_poll_success_timestamp_seconds", "gauge",
     "Time of the last answered poll, seconds since 1970."},
    {"senvaro_poll_duration_seconds", "gauge",
     "From \"get station\" to its evaluated reply, for the last poll."},
    {"senvaro_polls_total", "counter", "Polls and connection attempts by result."},
};

constexpr Family presenceFamily = {
    "senvaro_station_presence", "gauge",
    "1 for the device's presence over all access points (present, absent, unknown), 0 for the others."};
constexpr Family roamsFamily = {"senvaro_station_roams_total", "counter",
                                "Moves of the device from one access point to another."};

void writeFamily(QByteArray &out, const Family &f)
{
    out += "# HELP ";
    out += f.name;
    out += ' ';
    out += f.help;
    out += "\n# TYPE ";
    out += f.name;
    out += ' ';
    out += f.type;
    out += '\n';
}

// labels, then extra (more label pairs, starting with a comma), without a copy of either.
void writeSample(QByteArray &out, const char *name, const QByteArray &labels, double value,
                 const QByteArrayView extra = {})
{
    out += name;
    out += '{';
    out += labels;
    out += extra;
    out += "} ";
    out += formatSampleValue(value);
    out += '\n';
}

// The value of one station's series in a family, if it has one.
std::optional<double> stationValue(ApFamily family, const StationSample &s)
{
    switch (family) {
    case ReceiveSignal:
        return s.rxPerCent ? std::optional(*s.rxPerCent / 100.0) : std::nullopt;
    case AckSignal:
        return s.ackPerCent ? std::optional(*s.ackPerCent / 100.0) : std::nullopt;
    case ReceiveRate:
        return s.rateMbps ? std::optional(*s.rateMbps * 1e6) : std::nullopt;
    case ConnectedSince:
        return s.connectedSinceMs ? std::optional(double(*s.connectedSinceMs) / 1000.0) : std::nullopt;
    default:
        return std::nullopt;
    }
}

template <typename Field>
bool sameStations(const QList<StationSample> &a, const QList<StationSample> &b, Field field)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype k = 0; k < a.size(); ++k) {
        if (!(field(a[k]) == field(b[k])))
            return false;
    }
    return true;
}

// Whether the lines of a family show the same for both samples of one access point (whose
// address and station addresses are the same).
bool sameFor(ApFamily family, const ApSample &a, const ApSample &b)
{
    switch (family) {
    case Up:
        return a.up == b.up;
    case ApInfo:
        return a.firmware == b.firmware && a.name == b.name;
    case Stations:
        return a.stationCount == b.stationCount;
    case ReceiveSignal:
        return sameStations(a.stations, b.stations, [](const StationSample &s) { return s.rxPerCent; });
    case AckSignal:
        return sameStations(a.stations, b.stations, [](const StationSample &s) { return s.ackPerCent; });
    case ReceiveRate:
        return sameStations(a.stations, b.stations, [](const StationSample &s) { return s.rateMbps; });
    case ConnectedSince:
        return sameStations(a.stations, b.stations,
                            [](const StationSample &s) { return s.connectedSinceMs; });
    case StationInfo:
        return sameStations(a.stations, b.stations, [](const StationSample &s) {
            return std::tie(s.name, s.mode, s.authentication, s.encryption);
        });
    case Joins:
        return a.joins == b.joins;
    case Leaves:
        return a.leaves == b.leaves;
    case LastSuccess:
        return a.lastSuccessMs == b.lastSuccessMs;
    case PollDuration:
        return a.pollDurationMs == b.pollDurationMs;
    case Polls:
        return std::tie(a.answered, a.noAnswer, a.loginRefused, a.connectFailed, a.closed, a.unreadable) ==
               std::tie(b.answered, b.noAnswer, b.loginRefused, b.connectFailed, b.closed, b.unreadable);
    case ApFamilies:
        break;
    }
    return false;
}

constexpr std::pair<const char *, QByteArrayView> presenceStates[] = {
    {"present", ",state=\"present\""}, {"absent", ",state=\"absent\""}, {"unknown", ",state=\"unknown\""}};

} // namespace

struct ExpositionRenderer::ApBlock
{
    ApSample sample; // as its lines show it
    QStringList vendors;
    // Each access point's and station's labels are escaped once, not once per family.
    QByteArray labels;
    QList<QByteArray> stationLabels;
    QByteArray lines[ApFamilies];
};

struct ExpositionRenderer::DeviceBlock
{
    QString mac;
    QByteArray labels;
    const char *state = nullptr;
    quint64 roams = 0;
    QByteArray presenceLines;
    QByteArray roamsLines;
};

ExpositionRenderer::ExpositionRenderer() = default;
ExpositionRenderer::~ExpositionRenderer() = default;

QByteArray ExpositionRenderer::render(const QList<ApSample> &aps, const QList<DeviceSample> &devices,
                                      const VendorOf &vendorOf, QByteArrayView more)
{
    m_aps.resize(size_t(aps.size()));
    for (qsizetype i = 0; i < aps.size(); ++i) {
        const ApSample &a = aps[i];
        ApBlock &b = m_aps[size_t(i)];
        QStringList vendors;
        vendors.reserve(a.stations.size());
        for (const StationSample &s : a.stations)
            vendors << (vendorOf ? vendorOf(s.mac) : QString());
        // Another address or other stations: every line of the access point is new.
        const bool fresh =
            b.labels.isEmpty() || b.sample.ap != a.ap ||
            !sameStations(b.sample.stations, a.stations, [](const StationSample &s) { return s.mac; });
        if (fresh) {
            b.labels = LabelText().add("ap", a.ap).bytes();
            b.stationLabels.clear();
            for (const StationSample &s : a.stations)
                b.stationLabels << LabelText().add("ap", a.ap).add("mac_address", s.mac).bytes();
        }
        for (int f = 0; f < ApFamilies; ++f) {
            const auto family = ApFamily(f);
            if (!fresh && sameFor(family, b.sample, a) && (family != StationInfo || b.vendors == vendors))
                continue;
            const char *name = apFamilies[f].name;
            QByteArray &out = b.lines[f];
            out.clear();
            switch (family) {
            case Up:
                writeSample(out, name, b.labels, a.up ? 1 : 0);
                break;
            case ApInfo:
                if (a.firmware)
                    writeSample(
                        out, name,
                        LabelText().add("ap", a.ap).add("firmware", *a.firmware).add("name", a.name).bytes(),
                        1);
                break;
            case Stations:
                if (a.stationCount)
                    writeSample(out, name, b.labels, *a.stationCount);
                break;
            case ReceiveSignal:
            case AckSignal:
            case ReceiveRate:
            case ConnectedSince:
                for (qsizetype k = 0; k < a.stations.size(); ++k) {
                    if (const std::optional<double> v = stationValue(family, a.stations[k]))
                        writeSample(out, name, b.stationLabels[k], *v);
                }
                break;
            case StationInfo:
                // The station's name is a label of its info series only, so a rename cuts no
                // other series.
                for (qsizetype k = 0; k < a.stations.size(); ++k) {
                    const StationSample &s = a.stations[k];
                    LabelText l;
                    l.add("name", s.name).add("mode", s.mode).add("authentication", s.authentication);
                    l.add("encryption", s.encryption).add("vendor", vendors[k]);
                    writeSample(out, name, b.stationLabels[k], 1, QByteArray(',' + l.bytes()));
                }
                break;
            case Joins:
                writeSample(out, name, b.labels, double(a.joins));
                break;
            case Leaves:
                writeSample(out, name, b.labels, double(a.leaves));
                break;
            case LastSuccess:
                if (a.lastSuccessMs)
                    writeSample(out, name, b.labels, double(*a.lastSuccessMs) / 1000.0);
                break;
            case PollDuration:
                if (a.pollDurationMs)
                    writeSample(out, name, b.labels, double(*a.pollDurationMs) / 1000.0);
                break;
            case Polls: {
                const std::pair<QByteArrayView, quint64> results[] = {
                    {",result=\"answered\"", a.answered},
                    {",result=\"no_answer\"", a.noAnswer},
                    {",result=\"login_refused\"", a.loginRefused},
                    {",result=\"connect_failed\"", a.connectFailed},
                    {",result=\"closed\"", a.closed},
                    {",result=\"unreadable\"", a.unreadable}};
                for (const auto &[result, count] : results)
                    writeSample(out, name, b.labels, double(count), result);
                break;
            }
            case ApFamilies:
                break;
            }
        }
        b.sample = a;
        b.vendors = vendors;
    }

    m_devices.resize(size_t(devices.size()));
    for (qsizetype i = 0; i < devices.size(); ++i) {
        const DeviceSample &d = devices[i];
        DeviceBlock &b = m_devices[size_t(i)];
        const bool fresh = b.labels.isEmpty() || b.mac != d.mac;
        if (fresh) {
            b.mac = d.mac;
            b.labels = LabelText().add("mac_address", d.mac).bytes();
        }
        if (fresh || qstrcmp(b.state, d.state) != 0) {
            b.presenceLines.clear();
            for (const auto &[state, label] : presenceStates)
                writeSample(b.presenceLines, presenceFamily.name, b.labels,
                            qstrcmp(state, d.state) == 0 ? 1 : 0, label);
            b.state = d.state;
        }
        if (fresh || b.roams != d.roams) {
            b.roamsLines.clear();
            writeSample(b.roamsLines, roamsFamily.name, b.labels, double(d.roams));
            b.roams = d.roams;
        }
    }

    qsizetype size = 4096 + more.size();
    for (const ApBlock &b : m_aps) {
        for (const QByteArray &l : b.lines)
            size += l.size();
    }
    for (const DeviceBlock &b : m_devices)
        size += b.presenceLines.size() + b.roamsLines.size();
    QByteArray &out = m_text;
    out.resize(0); // keeps the buffer (unless a caller still holds the last text)
    out.reserve(size);
    const auto apFamily = [&](ApFamily f) {
        writeFamily(out, apFamilies[f]);
        for (const ApBlock &b : m_aps)
            out += b.lines[f];
    };
    for (int f = Up; f <= StationInfo; ++f)
        apFamily(ApFamily(f));
    writeFamily(out, presenceFamily);
    for (const DeviceBlock &b : m_devices)
        out += b.presenceLines;
    writeFamily(out, roamsFamily);
    for (const DeviceBlock &b : m_devices)
        out += b.roamsLines;
    for (int f = Joins; f < ApFamilies; ++f)
        apFamily(ApFamily(f));
    out += more;
    return out;
}

QByteArray renderExposition(const QList<ApSample> &aps, const QList<DeviceSample> &devices,
                            const VendorOf &vendorOf)
{
    return ExpositionRenderer().render(aps, devices, vendorOf);
}
