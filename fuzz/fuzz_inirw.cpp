// The settings-file parser and writer on arbitrary bytes. Byte 0 picks a section, a
// key and whether to remove; byte 1 is the length of the value that follows; the rest
// is the file. Checks: an unchanged file is written back byte for byte; a written
// value reads back (trimmed, one line, cut); what the writer produces reads back as
// the document in memory says; other keys keep their values.
#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdlib>
#include <optional>

#include "config/inirw.h"

namespace {
void check(bool ok)
{
    if (!ok)
        std::abort();
}

const char *const sections[] = {"User",      " user ", "bekannte MAC-Adressen", "", "a]b", "[x",
                                "PrgWindow", "S\nT"};
const char *const keys[] = {"Name", "NAME ", "Name 1", "x=y", ";c", " ", "left", "[k"};

bool isBlank(QChar c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

QString expectedRead(QString v)
{
    for (QChar &c : v) {
        if (c == '\r' || c == '\n' || c == QChar(QChar::Null))
            c = ' ';
    }
    qsizetype b = 0, e = v.size();
    while (b < e && isBlank(v[b]))
        ++b;
    while (e > b && isBlank(v[e - 1]))
        --e;
    return v.mid(b, e - b).left(INIRW::maxValueLength);
}

// Every probe reads the same from the document and from what it writes.
void checkWrittenMatches(const INIRW::Document &doc)
{
    const INIRW::Document again = INIRW::Document::parse(doc.serialize());
    for (const char *s : sections) {
        for (const char *k : keys) {
            const QString sec = QString::fromLatin1(s), key = QString::fromLatin1(k);
            check(doc.value(sec, key) == again.value(sec, key));
        }
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const uint8_t pick = data[0];
    const size_t valueLength = std::min<size_t>(data[1], size - 2);
    const QString value =
        QString::fromLatin1(reinterpret_cast<const char *>(data + 2), qsizetype(valueLength));
    const QByteArray file(reinterpret_cast<const char *>(data + 2 + valueLength),
                          qsizetype(size - 2 - valueLength));

    INIRW::Document doc = INIRW::Document::parse(file);
    check(doc.serialize() == file);

    const QString section = QString::fromLatin1(sections[pick % 8]);
    const QString key = QString::fromLatin1(keys[(pick / 8) % 8]);
    const bool remove = pick >= 192;
    const QString otherSection = QStringLiteral("PrgWindow"), otherKey = QStringLiteral("left");
    const std::optional<QString> otherBefore = doc.value(otherSection, otherKey);

    const bool stored = doc.setValue(section, key, remove ? std::nullopt : std::optional<QString>(value));
    if (stored && !remove)
        check(doc.value(section, key) == expectedRead(value));
    const bool sameKey = section.trimmed().compare(otherSection, Qt::CaseInsensitive) == 0 &&
                         key.trimmed().compare(otherKey, Qt::CaseInsensitive) == 0;
    if (!sameKey)
        check(doc.value(otherSection, otherKey) == otherBefore);
    checkWrittenMatches(doc);

    // A second change on the changed document, the other way round.
    doc.setValue(section, key, remove ? std::optional<QString>(value) : std::nullopt);
    checkWrittenMatches(doc);
    return 0;
}
