#include "monitor/alerts.h"

#include "base/allgemein.h"

namespace {

// Every text an alert shows, in one place.
namespace Text {
const char *const stationLeft = "Station getrennt";
const char *const stationLeftBody = "%1 seit %2 s nicht mehr verbunden";
const char *const stranger = "Unbekannte Station";
const char *const strangerBody = "%1 ist nicht in der Liste der bekannten Clients und hat sich verbunden";
const char *const weak = "Schwaches Signal";
const char *const weakBody = "%1: Empfangspegel %2 %, seit %3 Auswertungen unter %4 %";
const char *const recovered = "Signal wieder gut";
const char *const recoveredBody = "%1: Empfangspegel wieder %2 %";
const char *const noAnswer = "Access Point antwortet nicht";
const char *const noAnswerBody = "Der Access Point %1 antwortet nicht mehr";
const char *const lost = "Verbindung getrennt";
const char *const lostBody = "Die Verbindung zum Access Point %1 ist abgebrochen";
const char *const back = "Access Point antwortet wieder";
const char *const backBody = "Der Access Point %1 antwortet wieder";
} // namespace Text

QString tr8(const char *text)
{
    return QString::fromUtf8(text);
}

// "Laptop Anna (00:11:22:33:44:55)", or the MAC alone when the station has no name of its own.
QString stationLabel(const QString &mac, const QString &name)
{
    const QString n = name.trimmed();
    if (n.isEmpty() || n == mac)
        return mac;
    return QStringLiteral("%1 (%2)").arg(n, mac);
}

Alert stationAlert(Alert::Kind kind, qint64 ms, const QString &mac, const QString &name)
{
    Alert a;
    a.kind = kind;
    a.ms = ms;
    a.mac = mac;
    a.name = name.trimmed().isEmpty() ? mac : name.trimmed();
    a.key = QStringLiteral("station/") + mac;
    return a;
}

} // namespace

AlertWatch::AlertWatch(const AlertSettings &settings, QObject *parent) : QObject(parent), m_settings(settings)
{
}

QList<Alert> AlertWatch::evaluate(const QDateTime &now, const QList<AlertStation> &stations)
{
    const qint64 ms = now.toMSecsSinceEpoch();
    QList<Alert> out;
    QSet<QString> seen;
    for (const AlertStation &s : stations) {
        if (seen.contains(s.mac))
            continue; // the same MAC twice in one reply counts once
        seen.insert(s.mac);
        Station &st = m_stations[s.mac];

        if (!s.known && !m_strangers.contains(s.mac) && m_strangers.size() < kMaxStrangers) {
            m_strangers.insert(s.mac);
            if (m_settings.stranger) {
                Alert a = stationAlert(Alert::Kind::Stranger, ms, s.mac, s.name);
                a.summary = tr8(Text::stranger);
                a.body = tr8(Text::strangerBody).arg(stationLabel(s.mac, s.name));
                a.urgency = Alert::Urgency::Critical;
                a.category = QStringLiteral("network.connected");
                out.append(a);
            }
        }

        if (s.rx) {
            if (*s.rx < m_settings.thresholdPercent) {
                ++st.weakRow;
                if (st.weakRow >= m_settings.weakCount && !st.weakReported && m_settings.weakSignal) {
                    st.weakReported = true;
                    Alert a = stationAlert(Alert::Kind::WeakSignal, ms, s.mac, s.name);
                    a.summary = tr8(Text::weak);
                    a.body =
                        tr8(Text::weakBody)
                            .arg(stationLabel(s.mac, s.name), fNumText(*s.rx), QString::number(st.weakRow),
                                 QString::number(m_settings.thresholdPercent));
                    a.category = QStringLiteral("network");
                    out.append(a);
                }
            } else {
                st.weakRow = 0;
                if (st.weakReported) {
                    st.weakReported = false;
                    if (m_settings.weakSignal) {
                        Alert a = stationAlert(Alert::Kind::SignalRecovered, ms, s.mac, s.name);
                        a.summary = tr8(Text::recovered);
                        a.body = tr8(Text::recoveredBody).arg(stationLabel(s.mac, s.name), fNumText(*s.rx));
                        a.category = QStringLiteral("network");
                        out.append(a);
                    }
                }
            }
        }
    }

    // Stations missing from this evaluation: the row of weak levels is broken. One whose
    // weak signal was reported stays, so its return with a good level is reported.
    for (auto it = m_stations.begin(); it != m_stations.end();) {
        if (!seen.contains(it.key())) {
            it->weakRow = 0;
            if (!it->weakReported) {
                it = m_stations.erase(it);
                continue;
            }
        }
        ++it;
    }
    return emitAll(out);
}

QList<Alert> AlertWatch::stationLeft(const QDateTime &now, const QString &mac, const QString &name,
                                     qint64 goneSinceMs)
{
    if (!m_settings.stationLeft)
        return {};
    const qint64 ms = now.toMSecsSinceEpoch();
    Alert a = stationAlert(Alert::Kind::StationLeft, ms, mac, name);
    a.summary = tr8(Text::stationLeft);
    a.body = tr8(Text::stationLeftBody).arg(stationLabel(mac, name)).arg((ms - goneSinceMs) / 1000);
    a.category = QStringLiteral("network.disconnected");
    return emitAll({a});
}

QList<Alert> AlertWatch::setAccessPointState(ApState state, const QDateTime &now, const QString &apAddress)
{
    QList<Alert> out;
    if (state == ApState::Off) {
        m_apState.reset();
        return out;
    }
    const std::optional<ApState> before = m_apState;
    m_apState = state;
    if (before == state || !m_settings.accessPoint)
        return out;
    // The first answer after a start or logout is no return.
    if (state == ApState::Answering && !before)
        return out;

    Alert a;
    a.ms = now.toMSecsSinceEpoch();
    a.name = apAddress;
    a.key = QStringLiteral("accesspoint");
    switch (state) {
    case ApState::NoAnswer:
        a.kind = Alert::Kind::NoAnswer;
        a.summary = tr8(Text::noAnswer);
        a.body = tr8(Text::noAnswerBody).arg(apAddress);
        a.urgency = Alert::Urgency::Critical;
        a.category = QStringLiteral("network.disconnected");
        break;
    case ApState::ConnectionLost:
        a.kind = Alert::Kind::ConnectionLost;
        a.summary = tr8(Text::lost);
        a.body = tr8(Text::lostBody).arg(apAddress);
        a.urgency = Alert::Urgency::Critical;
        a.category = QStringLiteral("network.disconnected");
        break;
    case ApState::Answering:
        a.kind = Alert::Kind::AccessPointBack;
        a.summary = tr8(Text::back);
        a.body = tr8(Text::backBody).arg(apAddress);
        a.category = QStringLiteral("network.connected");
        break;
    case ApState::Off:
        break;
    }
    out.append(a);
    return emitAll(out);
}

void AlertWatch::resetLogin()
{
    m_strangers.clear();
}

QList<Alert> AlertWatch::emitAll(const QList<Alert> &alerts)
{
    for (const Alert &a : alerts)
        emit raised(a);
    return alerts;
}
