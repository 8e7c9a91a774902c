#include "config/alertsettings.h"

#include "config/inirw.h"
#include "config/settingskeys.h"

using INIRW::Document;
using namespace SettingKeys;

namespace {

int readInt(const Document &doc, const SettingKey &key, int low, int high)
{
    const int fallback = QByteArray(key.fallback).toInt();
    const std::optional<QString> v = doc.value(key.sectionName(), key.keyName());
    if (!v)
        return fallback;
    bool ok = false;
    const int n = v->trimmed().toInt(&ok);
    return ok && n >= low && n <= high ? n : fallback;
}

bool readSwitch(const Document &doc, const SettingKey &key)
{
    return readInt(doc, key, 0, 1) == 1;
}

void writeInt(Document &doc, const SettingKey &key, int value)
{
    const bool present = doc.value(key.sectionName(), key.keyName()).has_value();
    if (present || value != QByteArray(key.fallback).toInt())
        doc.setValue(key.sectionName(), key.keyName(), QString::number(value));
}

} // namespace

AlertSettings AlertSettings::read(const Document &doc)
{
    AlertSettings s;
    s.stationLeft = readSwitch(doc, AlertStationLeft);
    s.stranger = readSwitch(doc, AlertStranger);
    s.weakSignal = readSwitch(doc, AlertWeakSignal);
    s.accessPoint = readSwitch(doc, AlertAccessPoint);
    s.graceSeconds = readInt(doc, AlertGraceSeconds, 0, kMaxGraceSeconds);
    s.thresholdPercent = readInt(doc, AlertThreshold, 0, 100);
    s.weakCount = readInt(doc, AlertWeakCount, 1, kMaxWeakCount);
    s.trayOnMinimize = readSwitch(doc, AlertTray);
    return s;
}

void AlertSettings::write(Document &doc) const
{
    writeInt(doc, AlertStationLeft, stationLeft ? 1 : 0);
    writeInt(doc, AlertStranger, stranger ? 1 : 0);
    writeInt(doc, AlertWeakSignal, weakSignal ? 1 : 0);
    writeInt(doc, AlertAccessPoint, accessPoint ? 1 : 0);
    writeInt(doc, AlertGraceSeconds, graceSeconds);
    writeInt(doc, AlertThreshold, thresholdPercent);
    writeInt(doc, AlertWeakCount, weakCount);
    writeInt(doc, AlertTray, trayOnMinimize ? 1 : 0);
}

bool AlertSettings::load(const QString &path, AlertSettings *out, QString *error)
{
    return INIRW::loadSection(path, out, error);
}

bool AlertSettings::save(const QString &path, QString *error) const
{
    return INIRW::saveSection(path, *this, error);
}
