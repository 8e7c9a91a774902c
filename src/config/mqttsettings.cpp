#include "config/mqttsettings.h"

#include <optional>

#include "config/inirw.h"
#include "config/settingskeys.h"

using INIRW::Document;
using namespace SettingKeys;

namespace {

QString text(const Document &doc, const SettingKey &key)
{
    return doc.value(key.sectionName(), key.keyName()).value_or(key.fallbackText());
}

// Digits only: "+80", " 80" or "80x" are no number, whatever toInt would make of them.
// The same 1..65535 holds for ports and keep-alive seconds.
bool parsePort(const QString &digits, quint16 *port)
{
    if (digits.isEmpty() || digits.size() > 5)
        return false;
    for (const QChar c : digits)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    const int n = digits.toInt();
    if (n < 1 || n > 65535)
        return false;
    *port = quint16(n);
    return true;
}

} // namespace

bool MqttSettings::read(const Document &doc, MqttSettings *out, QString *error)
{
    MqttSettings s;
    s.server = text(doc, MqttServer);
    if (s.server.isEmpty()) {
        *out = MqttSettings();
        return true;
    }
    const QString port = text(doc, MqttPort);
    if (!parsePort(port, &s.port)) {
        if (error)
            *error = QStringLiteral("Der Port „%1“ im Abschnitt [MQTT] ist keine Zahl von 1 bis 65535; "
                                    "MQTT bleibt aus.")
                         .arg(port);
        *out = MqttSettings();
        return false;
    }
    s.user = text(doc, MqttUser);
    s.password = text(doc, MqttPassword);
    s.caFile = text(doc, MqttCaFile);
    s.allStations = text(doc, MqttAllStations) == QLatin1String("1");
    quint16 keepAlive = 0;
    if (parsePort(text(doc, MqttKeepAlive), &keepAlive) && keepAlive >= 5)
        s.keepAliveSeconds = keepAlive;
    *out = s;
    return true;
}

bool MqttSettings::load(const QString &path, MqttSettings *out, QString *error)
{
    Document doc;
    QString why;
    if (!INIRW::readDocument(path, &doc, &why)) {
        *out = MqttSettings();
        if (error)
            *error = why;
        return false;
    }
    return read(doc, out, error);
}

bool parseMqttServer(const QString &text, QString *host, quint16 *port)
{
    QString h;
    std::optional<QString> p;
    if (text.startsWith(QLatin1Char('['))) {
        const qsizetype close = text.indexOf(QLatin1Char(']'));
        if (close < 0)
            return false;
        h = text.mid(1, close - 1);
        const QString rest = text.mid(close + 1);
        if (!rest.isEmpty()) {
            if (!rest.startsWith(QLatin1Char(':')))
                return false;
            p = rest.mid(1);
        }
    } else if (text.count(QLatin1Char(':')) == 1) {
        const qsizetype colon = text.indexOf(QLatin1Char(':'));
        h = text.left(colon);
        p = text.mid(colon + 1);
    } else {
        h = text;
    }
    if (h.isEmpty())
        return false;
    for (const QChar c : h)
        if (c.isSpace())
            return false;
    quint16 n = MqttSettings::kDefaultPort;
    if (p && !parsePort(*p, &n))
        return false;
    *host = h;
    *port = n;
    return true;
}
