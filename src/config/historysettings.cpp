#include "config/historysettings.h"

#include "config/inirw.h"

using INIRW::Document;
using SettingKeys::HistoryKeepDays;

HistorySettings HistorySettings::read(const Document &doc)
{
    HistorySettings s;
    const std::optional<QString> v = doc.value(HistoryKeepDays.sectionName(), HistoryKeepDays.keyName());
    bool ok = false;
    const int days = v ? v->trimmed().toInt(&ok) : 0;
    if (ok && days >= kMinKeepDays && days <= kMaxKeepDays)
        s.keepDays = days;
    return s;
}

void HistorySettings::write(Document &doc) const
{
    const bool present = doc.value(HistoryKeepDays.sectionName(), HistoryKeepDays.keyName()).has_value();
    if (present || keepDays != HistorySettings().keepDays)
        doc.setValue(HistoryKeepDays.sectionName(), HistoryKeepDays.keyName(), QString::number(keepDays));
}

bool HistorySettings::load(const QString &path, HistorySettings *out, QString *error)
{
    return INIRW::loadSection(path, out, error);
}

bool HistorySettings::save(const QString &path, QString *error) const
{
    return INIRW::saveSection(path, *this, error);
}
