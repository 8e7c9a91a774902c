#include "exporter/metrics.h"

#include <QLocale>
#include <cmath>

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

class Writer
{
public:
    void family(const char *name, const char *type, const char *help)
    {
        m_out += "# HELP ";
        m_out += name;
        m_out += ' ';
        m_out += help;
        m_out += "\n# TYPE ";
        m_out += name;
        m_out += ' ';
        m_out += type;
        m_out += '\n';
    }
    void reserve(qsizetype bytes) { m_out.reserve(bytes); }
    // labels, then extra (more label pairs, starting with a comma), without a copy of either.
    void sample(const char *name, const QByteArray &labels, double value, const QByteArrayView extra = {})
    {
        m_out += name;
        m_out += '{';
        m_out += labels;
        m_out += extra;
        m_out += "} ";
        m_out += formatSampleValue(value);
        m_out += '\n';
    }
    QByteArray take() { return std::move(m_out); }

private:
    QByteArray m_out;
};

} // namespace

QByteArray renderExposition(const QList<ApSample> &aps, const QList<DeviceSample> &devices,
                            const VendorOf &vendorOf)
{
    // Each access point's and station's labels are escaped once, not once per family. The
    // station's name is a label of its info series only, so a rename cuts no other series.
    QList<QByteArray> apLabels;
    QList<QList<QByteArray>> stationLabels;
    for (const ApSample &a : aps) {
        apLabels << LabelText().add("ap", a.ap).bytes();
        QList<QByteArray> st;
        for (const StationSample &s : a.stations)
            st << LabelText().add("ap", a.ap).add("mac_address", s.mac).bytes();
        stationLabels << st;
    }

    Writer w;
    // About what a campus scrape takes per station and device, so the text grows in place.
    qsizetype stations = 0;
    for (const ApSample &a : aps)
        stations += a.stations.size();
    w.reserve(4096 + aps.size() * 1536 + stations * 900 + devices.size() * 400);
    w.family("senvaro_up", "gauge", "1 when the access point answered its last poll, else 0.");
    for (qsizetype i = 0; i < aps.size(); ++i)
        w.sample("senvaro_up", apLabels[i], aps[i].up ? 1 : 0);

    w.family("senvaro_ap_info", "gauge", "Firmware the access point reported at login, and its name.");
    for (const ApSample &a : aps) {
        if (a.firmware)
            w.sample("senvaro_ap_info",
                     LabelText().add("ap", a.ap).add("firmware", *a.firmware).add("name", a.name).bytes(), 1);
    }

    w.family("senvaro_stations", "gauge", "Stations associated with the access point.");
    for (qsizetype i = 0; i < aps.size(); ++i) {
        if (aps[i].stationCount)
            w.sample("senvaro_stations", apLabels[i], *aps[i].stationCount);
    }

    const auto perStation = [&](const char *name, const char *help, auto value) {
        w.family(name, "gauge", help);
        for (qsizetype i = 0; i < aps.size(); ++i) {
            for (qsizetype k = 0; k < aps[i].stations.size(); ++k) {
                if (const std::optional<double> v = value(aps[i].stations[k]))
                    w.sample(name, stationLabels[i][k], *v);
            }
        }
    };
    perStation("senvaro_station_receive_signal_ratio", "Receive signal strength of the station, 0 to 1.",
               [](const StationSample &s) -> std::optional<double> {
                   return s.rxPerCent ? std::optional(*s.rxPerCent / 100.0) : std::nullopt;
               });
    perStation("senvaro_station_ack_signal_ratio", "Acknowledge signal strength of the station, 0 to 1.",
               [](const StationSample &s) -> std::optional<double> {
                   return s.ackPerCent ? std::optional(*s.ackPerCent / 100.0) : std::nullopt;
               });
    perStation("senvaro_station_receive_rate_bits_per_second", "Receive data rate of the station.",
               [](const StationSample &s) -> std::optional<double> {
                   return s.rateMbps ? std::optional(*s.rateMbps * 1e6) : std::nullopt;
               });
    perStation("senvaro_station_connected_since_timestamp_seconds",
               "Since when the station is connected (over short drop-outs and roams), seconds since 1970.",
               [](const StationSample &s) -> std::optional<double> {
                   return s.connectedSinceMs ? std::optional(double(*s.connectedSinceMs) / 1000.0)
                                             : std::nullopt;
               });

    w.family("senvaro_station_info", "gauge",
             "Name, WLAN mode, authentication, encryption and maker of the station.");
    for (qsizetype i = 0; i < aps.size(); ++i) {
        for (qsizetype k = 0; k < aps[i].stations.size(); ++k) {
            const StationSample &s = aps[i].stations[k];
            LabelText l;
            l.add("name", s.name).add("mode", s.mode).add("authentication", s.authentication);
            l.add("encryption", s.encryption).add("vendor", vendorOf ? vendorOf(s.mac) : QString());
            w.sample("senvaro_station_info", stationLabels[i][k], 1, QByteArray(',' + l.bytes()));
        }
    }

    w.family(
        "senvaro_station_presence", "gauge",
        "1 for the device's presence over all access points (present, absent, unknown), 0 for the others.");
    QList<QByteArray> deviceLabels;
    deviceLabels.reserve(devices.size());
    for (const DeviceSample &d : devices) {
        deviceLabels << LabelText().add("mac_address", d.mac).bytes();
        for (const char *state : {"present", "absent", "unknown"})
            w.sample("senvaro_station_presence", deviceLabels.last(), qstrcmp(state, d.state) == 0 ? 1 : 0,
                     qstrcmp(state, "present") == 0  ? QByteArrayView(",state=\"present\"")
                     : qstrcmp(state, "absent") == 0 ? QByteArrayView(",state=\"absent\"")
                                                     : QByteArrayView(",state=\"unknown\""));
    }
    w.family("senvaro_station_roams_total", "counter",
             "Moves of the device from one access point to another.");
    for (qsizetype i = 0; i < devices.size(); ++i)
        w.sample("senvaro_station_roams_total", deviceLabels[i], double(devices[i].roams));
    w.family("senvaro_station_joins_total", "counter", "Stations that arrived at the access point.");
    for (qsizetype i = 0; i < aps.size(); ++i)
        w.sample("senvaro_station_joins_total", apLabels[i], double(aps[i].joins));
    w.family("senvaro_station_leaves_total", "counter",
             "Stations that left the access point for longer than the grace period.");
    for (qsizetype i = 0; i < aps.size(); ++i)
        w.sample("senvaro_station_leaves_total", apLabels[i], double(aps[i].leaves));

    w.family("senvaro_last_poll_success_timestamp_seconds", "gauge",
             "Time of the last answered poll, seconds since 1970.");
    for (qsizetype i = 0; i < aps.size(); ++i) {
        if (aps[i].lastSuccessMs)
            w.sample("senvaro_last_poll_success_timestamp_seconds", apLabels[i],
                     double(*aps[i].lastSuccessMs) / 1000.0);
    }
    w.family("senvaro_poll_duration_seconds", "gauge",
             "From \"get station\" to its evaluated reply, for the last poll.");
    for (qsizetype i = 0; i < aps.size(); ++i) {
        if (aps[i].pollDurationMs)
            w.sample("senvaro_poll_duration_seconds", apLabels[i], double(*aps[i].pollDurationMs) / 1000.0);
    }

    w.family("senvaro_polls_total", "counter", "Polls and connection attempts by result.");
    for (qsizetype i = 0; i < aps.size(); ++i) {
        const ApSample &a = aps[i];
        const std::pair<QByteArrayView, quint64> results[] = {{",result=\"answered\"", a.answered},
                                                              {",result=\"no_answer\"", a.noAnswer},
                                                              {",result=\"login_refused\"", a.loginRefused},
                                                              {",result=\"connect_failed\"", a.connectFailed},
                                                              {",result=\"closed\"", a.closed},
                                                              {",result=\"unreadable\"", a.unreadable}};
        for (const auto &[result, count] : results)
            w.sample("senvaro_polls_total", apLabels[i], double(count), result);
    }
    return w.take();
}
