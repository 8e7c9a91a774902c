#pragma once

#include <QHash>
#include <QString>
#include <QVector>
#include <functional>
#include <optional>

// Private-profile layer (module "INIRW"): a current section and file, registered once
// before each group of accesses, then reads and writes that name only their key.
//
// The files are 8-bit text (Latin-1). Section and key names match without regard to
// letter case, blanks around names and values are ignored when reading. A missing key
// or file gives the default, a key present with an empty value gives empty text, a
// value comes back cut to 254 characters. Writes replace a value where it stands,
// create file, section and key as needed, remove a key when no value is passed, and
// leave every other line as it was. New and changed lines end with CR LF; CR LF and LF
// are read.
//
// Every change reaches the disk through a temporary file in the same folder that is
// then renamed over the old one, so an interrupted or failed write (a full disk) never
// leaves half a file. A new file is readable and writable by its owner only (it holds a
// password); an existing file keeps its permissions. Whatever stands at the path but
// cannot be read as a file (a folder, a dangling link, a file without read permission)
// reads as empty and is never written over.
namespace INIRW {

void RegisterPrivateIni(const QString &Section, const QString &FileName);
qint16 GetPrivateIniInt(const QString &Key, qint16 Default);
QString GetPrivateIniString(const QString &Key, const QString &Default);
// Both writers return non-zero on success. A value of std::nullopt removes the key.
qint16 PutPrivateIniInt(const QString &Key, qint16 Value);
qint16 PutPrivateIniString(const QString &Key, const std::optional<QString> &Value);
void ReportNotRegistered();
// Where ReportNotRegistered's message goes (title, text): the window installs its
// message box; without one it is one line on standard error. Returns the previous one.
using Reporter = std::function<void(const QString &title, const QString &text)>;
Reporter setReporter(Reporter reporter);

// Writes bytes as the whole new content of path, the way every change is written
// (see above). False when that failed: the old file, if any, is then as it was and
// error says why, in German.
bool writeWholeFile(const QString &path, const QByteArray &bytes, QString *error);

// Longest text a read returns.
constexpr int maxValueLength = 254;

// The integer a value reads as: its leading decimal integer (a sign allowed) with the
// low 16 bits kept, 0 when it does not start with one.
qint16 leadingInt16(QStringView text);

class Document;
// Reads and parses the file at path. A missing file is an empty document. False when
// something stands at the path that cannot be read as a file: doc then holds what
// could be read (mostly nothing) and error says why, in German.
bool readDocument(const QString &path, Document *doc, QString *error);

// Parsed INI text. Keeps every line as read, so what is not changed is written back
// byte for byte.
class Document
{
public:
    static Document parse(const QByteArray &bytes);
    QByteArray serialize() const;

    // Value of key in section, trimmed and cut to maxValueLength; nullopt when missing.
    std::optional<QString> value(const QString &section, const QString &key) const;
    // Sets (or with nullopt removes) a key. False when the names cannot be stored
    // (empty key, "=" in the key, "]" in the section, a line break in any name).
    bool setValue(const QString &section, const QString &key, const std::optional<QString> &value);

private:
    struct Line
    {
        QString text; // without line end
        QString eol;  // "\r\n", "\n" or "" (last line without end)
        bool removed = false;
    };
    struct Section
    {
        QString name;             // as written; the preamble (lines before any head) has none
        QVector<Line> lines;      // lines[0] is the head, except for the preamble
        QHash<QString, int> keys; // folded key -> first line holding it
        int lastKeyLine = 0;      // where a new key goes after; 0 = after the head
    };

    void indexLine(Section &s, int i);
    const Section *findSection(const QString &folded) const;

    QVector<Section> m_sections; // m_sections[0] is the preamble
    QHash<QString, int> m_sectionIndex;
};

// A section of the settings file as a value: T::read(doc) gives it. False when the file
// cannot be read: out then holds T's defaults and error says why.
template <class T> bool loadSection(const QString &path, T *out, QString *error)
{
    Document doc;
    QString why;
    const bool ok = readDocument(path, &doc, &why);
    *out = ok ? T::read(doc) : T();
    if (error)
        *error = why;
    return ok;
}

// Writes the section value holds (value.write(doc)) into the settings file at path,
// as updateDocument does.
template <class T> bool saveSection(const QString &path, const T &value, QString *error);

// Changes the settings file at path through change, which may refuse (false, with its
// reason in error). A file that cannot be read is not written over, and one that change
// leaves as it was is not touched.
bool updateDocument(const QString &path, const std::function<bool(Document &doc, QString *error)> &change,
                    QString *error);

template <class T> bool saveSection(const QString &path, const T &value, QString *error)
{
    return updateDocument(
        path,
        [&value](Document &doc, QString *) {
            value.write(doc);
            return true;
        },
        error);
}

} // namespace INIRW
