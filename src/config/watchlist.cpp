#include "config/watchlist.h"

#include "config/inirw.h"

using INIRW::Document;

namespace {

QString section()
{
    return QString::fromLatin1(SettingKeys::kWatched);
}

} // namespace

bool WatchListSettings::isWatched(const QString &mac) const
{
    return macs.contains(mac.trimmed(), Qt::CaseInsensitive);
}

void WatchListSettings::setWatched(const QString &mac, bool on)
{
    const QString m = mac.trimmed();
    if (on && !isWatched(m) && !m.isEmpty())
        macs.append(m);
    if (!on)
        macs.removeIf([&](const QString &x) { return x.compare(m, Qt::CaseInsensitive) == 0; });
}

WatchListSettings WatchListSettings::read(const Document &doc, const QStringList &candidates)
{
    WatchListSettings s;
    for (const QString &mac : candidates) {
        const std::optional<QString> v = doc.value(section(), mac.trimmed());
        if (v && v->trimmed() == QLatin1String("1"))
            s.setWatched(mac, true);
    }
    return s;
}

void WatchListSettings::write(Document &doc, const QStringList &candidates) const
{
    for (const QString &mac : macs)
        doc.setValue(section(), mac, QStringLiteral("1"));
    for (const QString &mac : candidates) {
        const QString m = mac.trimmed();
        if (!isWatched(m) && doc.value(section(), m).has_value())
            doc.setValue(section(), m, QStringLiteral("0"));
    }
}

bool WatchListSettings::load(const QString &path, const QStringList &candidates, WatchListSettings *out,
                             QString *error)
{
    Document doc;
    QString why;
    const bool ok = INIRW::readDocument(path, &doc, &why);
    *out = ok ? read(doc, candidates) : WatchListSettings();
    if (error)
        *error = why;
    return ok;
}

bool WatchListSettings::save(const QString &path, const QStringList &candidates, QString *error) const
{
    return INIRW::updateDocument(
        path,
        [&](Document &doc, QString *) {
            write(doc, candidates);
            return true;
        },
        error);
}
