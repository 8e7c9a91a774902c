#include "config/inirw.h"

#include <cstdio>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStorageInfo>

#include "config/filesync.h"

namespace INIRW {
namespace {

QString PrivSection;
QString PrivFileName;
bool PrivRegistered = false;

bool isBlank(QChar c)
{
    return c == QChar(' ') || c == QChar('\t') || c == QChar('\r') || c == QChar('\v') || c == QChar('\f');
}

QStringView trimBlanks(QStringView s)
{
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return s.mid(b, e - b);
}

QString fold(QStringView name)
{
    return trimBlanks(name).toString().toLower();
}

enum class Kind { Other, Head, Key };

// What a line is to the reader; name receives the section or key name, untrimmed.
Kind classify(const QString &text, QStringView *name)
{
    const QStringView t = trimBlanks(text);
    if (t.isEmpty())
        return Kind::Other;
    if (t.front() == QChar('[')) {
        const qsizetype close = t.lastIndexOf(QChar(']'));
        if (close > 0) {
            *name = t.mid(1, close - 1);
            return Kind::Head;
        }
    }
    if (t.front() == QChar(';'))
        return Kind::Other;
    const qsizetype eq = text.indexOf(QChar('='));
    if (eq < 0)
        return Kind::Other;
    const QStringView key = trimBlanks(QStringView(text).left(eq));
    if (key.isEmpty())
        return Kind::Other;
    *name = key;
    return Kind::Key;
}

// A value is written on one line: line breaks and NUL (which the file format cannot
// hold) become blanks, so a typed value can never add keys or sections.
QString oneLine(QString s)
{
    for (QChar &c : s) {
        if (c == QChar('\r') || c == QChar('\n') || c == QChar(QChar::Null))
            c = QChar(' ');
    }
    return s;
}

} // namespace

qint16 leadingInt16(QStringView s)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == QChar('-') || s[i] == QChar('+'))) {
        negative = s[i] == QChar('-');
        ++i;
    }
    quint32 v = 0;
    for (; i < s.size() && s[i] >= QChar('0') && s[i] <= QChar('9'); ++i)
        v = v * 10u + quint32(s[i].unicode() - '0');
    if (negative)
        v = 0u - v;
    return qint16(quint16(v & 0xFFFFu));
}

namespace {

struct CachedFile
{
    Document doc;
    bool readable = true; // false: something stands at the path that cannot be read
    QString readError;
};

CachedFile readFile(const QString &path)
{
    CachedFile c;
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return c;
    // Whatever stands at the path is the settings file: what cannot be read as a file
    // must not be taken for a missing one, or a save would put a new file in its place.
    c.readable = false;
    if (info.isSymLink() && !info.exists()) {
        c.readError = QStringLiteral("Sie verweist auf \"%1\", das es nicht gibt.")
                          .arg(QDir::toNativeSeparators(info.symLinkTarget()));
        return c;
    }
    if (info.isDir()) {
        c.readError = QStringLiteral("Unter diesem Namen steht ein Ordner, keine Datei.");
        return c;
    }
    if (!info.isFile()) {
        c.readError = QStringLiteral("Unter diesem Namen steht keine gewöhnliche Datei.");
        return c;
    }
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        c.readError = info.isReadable()
                          ? QStringLiteral("Sie ließ sich nicht öffnen (%1).").arg(f.errorString())
                          : QStringLiteral("Es fehlt die Leseberechtigung für diese Datei.");
        return c;
    }
    c.doc = Document::parse(f.readAll());
    if (f.error() != QFileDevice::NoError) {
        c.readError = QStringLiteral("Sie ließ sich nicht vollständig lesen (%1).").arg(f.errorString());
        return c;
    }
    c.readable = true;
    return c;
}

// Why the bytes wanted did not all reach the file.
QString shortfall(const QFileDevice &f, qint64 wanted, const QString &path)
{
    const QStorageInfo storage(QFileInfo(path).absolutePath());
    if (f.error() == QFileDevice::ResourceError || (storage.isValid() && storage.bytesAvailable() < wanted)) {
        return QStringLiteral("Die Datei konnte nicht vollständig geschrieben werden: Für ihre %1 Bytes ist "
                              "auf dem Datenträger nicht genug Platz frei.")
            .arg(wanted);
    }
    return QStringLiteral("Die Datei konnte nicht vollständig geschrieben werden (%1).").arg(f.errorString());
}

bool writeFile(const QString &path, const CachedFile &c, QString *error)
{
    if (!c.readable) {
        // Writing now would replace content we could not read.
        if (error) {
            *error = QStringLiteral("Die vorhandene Datei wird nicht überschrieben, weil sie nicht gelesen "
                                    "werden konnte: %1")
                         .arg(c.readError);
        }
        return false;
    }
    return writeWholeFile(path, c.doc.serialize(), error);
}

std::optional<QString> readValue(const QString &key)
{
    if (PrivFileName.isEmpty())
        return std::nullopt;
    return readFile(PrivFileName).doc.value(PrivSection, key);
}

qint16 writeValue(const QString &key, const std::optional<QString> &value)
{
    if (PrivFileName.isEmpty())
        return 0;
    CachedFile c = readFile(PrivFileName);
    if (!c.readable || !c.doc.setValue(PrivSection, key, value))
        return 0;
    return writeFile(PrivFileName, c, nullptr) ? 1 : 0;
}

} // namespace

// ---- Document ----

Document Document::parse(const QByteArray &bytes)
{
    Document d;
    d.m_sections.append(Section{});
    const QString text = QString::fromLatin1(bytes);
    qsizetype pos = 0;
    const qsizetype n = text.size();
    while (pos < n) {
        qsizetype nl = text.indexOf(QChar('\n'), pos);
        Line line;
        if (nl < 0) {
            line.text = text.mid(pos);
            pos = n;
        } else {
            qsizetype end = nl;
            if (end > pos && text[end - 1] == QChar('\r')) {
                --end;
                line.eol = QStringLiteral("\r\n");
            } else {
                line.eol = QStringLiteral("\n");
            }
            line.text = text.mid(pos, end - pos);
            pos = nl + 1;
        }
        QStringView name;
        if (classify(line.text, &name) == Kind::Head) {
            Section s;
            s.name = name.toString();
            s.lines.append(std::move(line));
            const QString folded = fold(s.name);
            d.m_sections.append(std::move(s));
            if (!d.m_sectionIndex.contains(folded))
                d.m_sectionIndex.insert(folded, int(d.m_sections.size() - 1));
        } else {
            Section &s = d.m_sections.last();
            s.lines.append(std::move(line));
            d.indexLine(s, int(s.lines.size() - 1));
        }
    }
    return d;
}

void Document::indexLine(Section &s, int i)
{
    QStringView name;
    if (classify(s.lines[i].text, &name) != Kind::Key)
        return;
    const QString folded = fold(name);
    if (!s.keys.contains(folded))
        s.keys.insert(folded, i);
    s.lastKeyLine = i;
}

QByteArray Document::serialize() const
{
    // The last line written keeps a missing line end; every earlier one needs one.
    const Line *last = nullptr;
    for (auto s = m_sections.crbegin(); s != m_sections.crend() && !last; ++s) {
        for (auto l = s->lines.crbegin(); l != s->lines.crend(); ++l) {
            if (!l->removed) {
                last = &*l;
                break;
            }
        }
    }
    QString out;
    for (const Section &s : m_sections) {
        for (const Line &l : s.lines) {
            if (l.removed)
                continue;
            out += l.text;
            if (!l.eol.isEmpty())
                out += l.eol;
            else if (&l != last)
                out += QStringLiteral("\r\n");
        }
    }
    return out.toLatin1();
}

const Document::Section *Document::findSection(const QString &folded) const
{
    const auto it = m_sectionIndex.constFind(folded);
    return it == m_sectionIndex.constEnd() ? nullptr : &m_sections[*it];
}

std::optional<QString> Document::value(const QString &section, const QString &key) const
{
    const Section *s = findSection(fold(section));
    if (!s)
        return std::nullopt;
    const auto it = s->keys.constFind(fold(key));
    if (it == s->keys.constEnd())
        return std::nullopt;
    const QString &text = s->lines[*it].text;
    // A lone CR or a NUL reads as the blank the writer puts in its place, so a value
    // read, written and read again stays the same.
    const QString v = oneLine(text.mid(text.indexOf(QChar('=')) + 1));
    return trimBlanks(v).left(maxValueLength).toString();
}

bool Document::setValue(const QString &section, const QString &key, const std::optional<QString> &value)
{
    auto hasBreak = [](const QString &s) {
        return s.contains(QChar('\r')) || s.contains(QChar('\n')) || s.contains(QChar(QChar::Null));
    };
    const QStringView trimmedKey = trimBlanks(key);
    if (trimmedKey.isEmpty() || key.contains(QChar('=')) || hasBreak(key) ||
        trimmedKey.front() == QChar('[') || trimmedKey.front() == QChar(';'))
        return false;
    if (section.contains(QChar(']')) || hasBreak(section))
        return false;

    const QString foldedSection = fold(section);
    auto sit = m_sectionIndex.constFind(foldedSection);
    if (sit == m_sectionIndex.constEnd()) {
        if (!value)
            return true; // nothing to remove
        Section s;
        s.name = trimBlanks(section).toString();
        s.lines.append(Line{QLatin1Char('[') + s.name + QLatin1Char(']'), QStringLiteral("\r\n")});
        m_sections.append(std::move(s));
        sit = m_sectionIndex.insert(foldedSection, int(m_sections.size() - 1));
    }
    Section &s = m_sections[*sit];
    const QString foldedKey = fold(key);
    const auto kit = s.keys.find(foldedKey);

    if (kit != s.keys.end()) {
        const int i = *kit;
        Line &line = s.lines[i];
        if (value) {
            line.text = line.text.left(line.text.indexOf(QChar('=')) + 1) + oneLine(*value);
            return true;
        }
        line.removed = true;
        s.keys.erase(kit);
        // A later line with the same key now answers for it.
        for (int j = i + 1; j < s.lines.size(); ++j) {
            QStringView name;
            if (!s.lines[j].removed && classify(s.lines[j].text, &name) == Kind::Key &&
                fold(name) == foldedKey) {
                s.keys.insert(foldedKey, j);
                break;
            }
        }
        return true;
    }
    if (!value)
        return true;
    // New keys go after the section's last key, so blank lines and comments that
    // stand before the next section stay there.
    const int at = s.lastKeyLine + 1;
    s.lines.insert(at, Line{key + QLatin1Char('=') + oneLine(*value), QStringLiteral("\r\n")});
    s.keys.insert(foldedKey, at);
    s.lastKeyLine = at;
    return true;
}

// ---- Whole files ----

bool readDocument(const QString &path, Document *doc, QString *error)
{
    CachedFile c = readFile(path);
    *doc = std::move(c.doc);
    if (!c.readable && error)
        *error = c.readError;
    return c.readable;
}

bool writeWholeFile(const QString &path, const QByteArray &bytes, QString *error)
{
    auto fail = [error](const QString &text) {
        if (error)
            *error = text;
        return false;
    };
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly)) {
        return fail(QStringLiteral("Im Ordner der Datei konnte keine neue Datei angelegt werden (%1).")
                        .arg(f.errorString()));
    }
    // QSaveFile gives an existing file's permissions to its replacement.
    if (!QFileInfo::exists(path))
        f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    // commit() flushes, ignores a failed flush and renames all the same, which would put
    // an empty or cut file in place of the old one on a full disk. So the flush, the
    // size that reached the file and the sync are checked here, before the rename.
    if (f.write(bytes) != bytes.size() || !f.flush() || f.size() != bytes.size()) {
        const QString why = shortfall(f, bytes.size(), path);
        f.cancelWriting();
        return fail(why);
    }
    QString syncError;
    if (!FileSync::toDisk(f.handle(), &syncError)) {
        f.cancelWriting();
        return fail(
            QStringLiteral("Die Daten ließen sich nicht auf den Datenträger schreiben (%1).").arg(syncError));
    }
    if (!f.commit()) {
        return fail(QStringLiteral("Die neue Datei konnte nicht an die Stelle der alten treten (%1).")
                        .arg(f.errorString()));
    }
    return true;
}

// ---- The layer ----

void RegisterPrivateIni(const QString &Section, const QString &FileName)
{
    PrivSection = trimBlanks(Section).toString();
    PrivFileName = trimBlanks(FileName).toString();
    PrivRegistered = true;
}

qint16 GetPrivateIniInt(const QString &Key, qint16 Default)
{
    if (!PrivRegistered) {
        ReportNotRegistered();
        return 0;
    }
    const std::optional<QString> v = readValue(Key);
    if (!v || v->isEmpty())
        return Default;
    return leadingInt16(*v);
}

QString GetPrivateIniString(const QString &Key, const QString &Default)
{
    if (!PrivRegistered) {
        ReportNotRegistered();
        return QString();
    }
    const std::optional<QString> v = readValue(Key);
    return v ? *v : Default.left(maxValueLength);
}

qint16 PutPrivateIniInt(const QString &Key, qint16 Value)
{
    if (!PrivRegistered) {
        ReportNotRegistered();
        return 0;
    }
    return writeValue(Key, QString::number(Value));
}

qint16 PutPrivateIniString(const QString &Key, const std::optional<QString> &Value)
{
    if (!PrivRegistered) {
        ReportNotRegistered();
        return 0;
    }
    return writeValue(Key, Value);
}

namespace {
Reporter &reporter()
{
    static Reporter r;
    return r;
}
} // namespace

Reporter setReporter(Reporter r)
{
    Reporter previous = std::move(reporter());
    reporter() = std::move(r);
    return previous;
}

void ReportNotRegistered()
{
    const QString title = QStringLiteral("IniFile Logic Error");
    const QString text = QStringLiteral("[Section] and FileName Not Registered in Private.Ini!");
    if (reporter()) {
        reporter()(title, text);
        return;
    }
    std::fputs(qPrintable(title + QStringLiteral(": ") + text + QLatin1Char('\n')), stderr);
}

bool updateDocument(const QString &path, const std::function<bool(Document &doc, QString *error)> &change,
                    QString *error)
{
    Document doc;
    QString why;
    if (!readDocument(path, &doc, &why)) {
        // Writing now would replace content we could not read.
        if (error)
            *error = QStringLiteral("Die vorhandene Datei wird nicht überschrieben, weil sie nicht "
                                    "gelesen werden konnte: %1")
                         .arg(why);
        return false;
    }
    const QByteArray before = doc.serialize();
    QString refused;
    if (!change(doc, &refused)) {
        if (error)
            *error = refused;
        return false;
    }
    const QByteArray after = doc.serialize();
    if (error)
        error->clear();
    if (after == before)
        return true; // nothing changed: the file is not touched
    QString failed;
    const bool ok = writeWholeFile(path, after, &failed);
    if (error)
        *error = failed;
    return ok;
}

} // namespace INIRW
