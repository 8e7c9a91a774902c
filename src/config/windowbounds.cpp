#include "config/windowbounds.h"

#include "config/inirw.h"
#include "config/settingskeys.h"

using INIRW::Document;
using namespace SettingKeys;

HistoryWindowBounds HistoryWindowBounds::read(const Document &doc)
{
    HistoryWindowBounds b;
    bool all = true;
    const auto number = [&doc, &all](const SettingKey &key) {
        bool ok = false;
        const int n = doc.value(key.sectionName(), key.keyName()).value_or(QString()).trimmed().toInt(&ok);
        all = all && ok;
        return n;
    };
    b.left = number(HistoryWindowLeft);
    b.top = number(HistoryWindowTop);
    b.width = number(HistoryWindowWidth);
    b.height = number(HistoryWindowHeight);
    b.known = all && b.width > 0 && b.height > 0;
    return b;
}

void HistoryWindowBounds::write(Document &doc) const
{
    for (const auto &[key, value] :
         {std::pair{HistoryWindowLeft, left}, std::pair{HistoryWindowTop, top},
          std::pair{HistoryWindowWidth, width}, std::pair{HistoryWindowHeight, height}})
        doc.setValue(key.sectionName(), key.keyName(), QString::number(value));
}

bool HistoryWindowBounds::load(const QString &path, HistoryWindowBounds *out, QString *error)
{
    Document doc;
    QString why;
    const bool ok = INIRW::readDocument(path, &doc, &why);
    *out = ok ? read(doc) : HistoryWindowBounds();
    if (error)
        *error = why;
    return ok;
}

bool HistoryWindowBounds::save(const QString &path, QString *error) const
{
    Document doc;
    QString why;
    if (!INIRW::readDocument(path, &doc, &why)) {
        // Writing now would replace content we could not read.
        if (error)
            *error = why;
        return false;
    }
    const QByteArray before = doc.serialize();
    write(doc);
    const QByteArray after = doc.serialize();
    if (after == before)
        return true; // the window did not move: the file is not touched
    const bool ok = INIRW::writeWholeFile(path, after, &why);
    if (error)
        *error = ok ? QString() : why;
    return ok;
}
