#include "exporter/metrics.h"

#include <QLocale>
#include <cmath>

QString escapeLabelValue(const QString &value)
{
    QString out;
    out.reserve(value.size() + 2);
    for (const QChar c : value) {
        if (c == QLatin1Char('\\'))
            out += QLatin1String("\\\\");
        else if (c == QLatin1Char('"'))
            out += QLatin1String("\\\"");
        else if (c == QLatin1Char('\n'))
            out += QLatin1String("\\n");
        else
            out += c;
    }
    return out;
}

QByteArray formatSampleValue(double value)
{
    if (std::isnan(value))
        return QByteArrayLiteral("NaN");
    if (std::isinf(value))
        return value > 0 ? QByteArrayLiteral("+Inf") : QByteArrayLiteral("-Inf");
    // Never the locale's decimal comma: the format wants a point.
    return QByteArray::number(value, 'g', QLocale::FloatingPointShortest);
}

QByteArray expositionContentType()
{
    return QByteArrayLiteral("text/plain; version=0.0.4; charset=utf-8");
}

namespace {

using Labels = QList<std::pair<const char *, QString>>;

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
    void sample(const char *name, const Labels &labels, double value)
    {
        m_out += name;
        m_out += '{';
        bool first = true;
        for (const auto &[label, text] : labels) {
            if (!first)
                m_out += ',';
            first = false;
            m_out += label;
            m_out += "=\"";
            m_out += escapeLabelValue(text).toUtf8();
            m_out += '"';
        }
        m_out += "} ";
        m_out += formatSampleValue(value);
        m_out += '\n';
    }
    QByteArray take() { return std::move(m_out); }

private:
    QByteArray m_out;
};

Labels stationLabels(const QString &ap, const StationSample &s)
{
    return {{"ap", ap}, {"mac_address", s.mac}, {"name", s.name}};
}

} // namespace

QByteArray renderExposition(const QList<ApSample> &aps)
{
    Writer w;
    w.family("senvaro_up", "gauge", "1 when the access point answered its last poll, else 0.");
    for (const ApSample &a : aps)
        w.sample("senvaro_up", {{"ap", a.ap}}, a.up ? 1 : 0);

    w.family("senvaro_ap_info", "gauge", "Firmware the access point reported at login.");
    for (const ApSample &a : aps) {
        if (a.firmware)
            w.sample("senvaro_ap_info", {{"ap", a.ap}, {"firmware", *a.firmware}}, 1);
    }

    w.family("senvaro_stations", "gauge", "Stations associated with the access point.");
    for (const ApSample &a : aps) {
        if (a.stationCount)
            w.sample("senvaro_stations", {{"ap", a.ap}}, *a.stationCount);
    }

    const auto perStation = [&](const char *name, const char *help, auto value) {
        w.family(name, "gauge", help);
        for (const ApSample &a : aps) {
            for (const StationSample &s : a.stations) {
                if (const std::optional<double> v = value(s))
                    w.sample(name, stationLabels(a.ap, s), *v);
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

    w.family("senvaro_station_info", "gauge", "WLAN mode, authentication and encryption of the station.");
    for (const ApSample &a : aps) {
        for (const StationSample &s : a.stations) {
            Labels l = stationLabels(a.ap, s);
            l += {{"mode", s.mode}, {"authentication", s.authentication}, {"encryption", s.encryption}};
            w.sample("senvaro_station_info", l, 1);
        }
    }

    w.family("senvaro_last_poll_success_timestamp_seconds", "gauge",
             "Time of the last answered poll, seconds since 1970.");
    for (const ApSample &a : aps) {
        if (a.lastSuccessMs)
            w.sample("senvaro_last_poll_success_timestamp_seconds", {{"ap", a.ap}},
                     double(*a.lastSuccessMs) / 1000.0);
    }

    w.family("senvaro_polls_total", "counter", "Polls and connection attempts by result.");
    for (const ApSample &a : aps) {
        w.sample("senvaro_polls_total", {{"ap", a.ap}, {"result", QStringLiteral("answered")}},
                 double(a.answered));
        w.sample("senvaro_polls_total", {{"ap", a.ap}, {"result", QStringLiteral("no answer")}},
                 double(a.noAnswer));
        w.sample("senvaro_polls_total", {{"ap", a.ap}, {"result", QStringLiteral("refused")}},
                 double(a.refused));
        w.sample("senvaro_polls_total", {{"ap", a.ap}, {"result", QStringLiteral("closed")}},
                 double(a.closed));
    }
    return w.take();
}
