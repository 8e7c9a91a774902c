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
    Document doc;
    QString why;
    const bool ok = INIRW::readDocument(path, &doc, &why);
    *out = ok ? read(doc) : HistorySettings();
    if (error)
        *error = why;
    return ok;
}

bool HistorySettings::save(const QString &path, QString *error) const
{
    Document doc;
    QString why;
    if (!INIRW::readDocument(path, &doc, &why)) {
        // Writing now would replace content we could not read.
        if (error)
            *error = QStringLiteral("Die vorhandene Datei wird nicht überschrieben, weil sie nicht "
                                    "gelesen werden konnte: %1")
                         .arg(why);
        return false;
    }
    const QByteArray before = doc.serialize();
    write(doc);
    const QByteArray after = doc.serialize();
    if (after == before)
        return true; // nothing changed: the file is not touched
    QString failed;
    const bool ok = INIRW::writeWholeFile(path, after, &failed);
    if (error)
        *error = failed;
    return ok;
}
