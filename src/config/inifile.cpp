#include "config/inifile.h"

#include <algorithm>

#include "config/inirw.h"
#include "config/settingskeys.h"

using INIRW::Document;
using namespace SettingKeys;

namespace {

QString readText(const Document &doc, const SettingKey &key)
{
    return doc.value(key.sectionName(), key.keyName()).value_or(key.fallbackText());
}

QString readRecord(const Document &doc, const SettingKey &key, int record)
{
    return doc.value(key.sectionName(), key.keyName(record)).value_or(key.fallbackText());
}

// A missing or empty value gives the default, anything else its leading integer in 16 bits.
qint16 readNumber(const Document &doc, const SettingKey &key)
{
    const std::optional<QString> v = doc.value(key.sectionName(), key.keyName());
    if (!v || v->isEmpty())
        return qint16(QByteArray(key.fallback).toInt());
    return INIRW::leadingInt16(*v);
}

// A check box takes 0, 1 or 2; any other text ("ja") gives the key's default 0.
int checkBoxValue(const QString &text)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    return ok && v >= 0 && v <= 2 ? v : 0;
}

void writeText(Document &doc, const SettingKey &key, const QString &value)
{
    doc.setValue(key.sectionName(), key.keyName(), value);
}

void writeRecord(Document &doc, const SettingKey &key, int record, const QString &value)
{
    doc.setValue(key.sectionName(), key.keyName(record), value);
}

void writeNumber(Document &doc, const SettingKey &key, int value)
{
    doc.setValue(key.sectionName(), key.keyName(), QString::number(qint16(value)));
}

} // namespace

Settings IniFile::read(const Document &doc)
{
    Settings s;
    s.windowState = readNumber(doc, WindowState);
    if (s.windowState < 0 || s.windowState > 2)
        s.windowState = 0;
    s.left = readNumber(doc, Left);
    s.top = readNumber(doc, Top);
    s.height = readNumber(doc, Height);
    s.width = readNumber(doc, Width);

    s.ip = readText(doc, IP);
    s.user = readText(doc, UserName);
    s.password = readText(doc, Password);
    s.pollCycle = readText(doc, PollCycle);
    s.saveUser = checkBoxValue(readText(doc, SaveUser));
    s.savePassword = checkBoxValue(readText(doc, SavePassword));
    s.logHistory = checkBoxValue(readText(doc, LogHistory));
    s.knownOnly = checkBoxValue(readText(doc, KnownOnly));
    {
        // All four whole numbers and a size, or the window opens where it likes.
        bool all = true;
        const auto number = [&doc, &all](const SettingKey &key) {
            bool ok = false;
            const int n =
                doc.value(key.sectionName(), key.keyName()).value_or(QString()).trimmed().toInt(&ok);
            all = all && ok;
            return n;
        };
        const QRect r(number(HistoryWindowLeft), number(HistoryWindowTop), number(HistoryWindowWidth),
                      number(HistoryWindowHeight));
        if (all && r.width() > 0 && r.height() > 0)
            s.historyWindow = r;
    }

    // -5, or 40000 read as -25536: no records.
    s.recordCount = std::max<qint16>(readNumber(doc, RecordCount), 0);
    s.clients.resize(std::max<int>(1, s.recordCount));
    for (int i = 1; i <= s.recordCount; ++i) {
        tMAC &r = s.clients[i - 1];
        r.MAC = readRecord(doc, RecordMac, i);
        // Names are exactly 15 characters: cut or padded with blanks. A tab or another
        // blank the reader trims that ends up at the cut becomes a plain blank, as the
        // next start would read it back.
        QString name = readRecord(doc, RecordName, i).left(15);
        while (!name.isEmpty() && QStringView(u" \t\r\v\f").contains(name.back()))
            name.chop(1);
        r.Name = name.leftJustified(15, QChar(' '));
        r.IP = readRecord(doc, RecordIP, i);
        r.ist_AP = readRecord(doc, RecordIsAP, i);
    }
    s.alerts = AlertSettings::read(doc);
    return s;
}

void IniFile::write(Document &doc, const Settings &s)
{
    writeNumber(doc, WindowState, s.windowState);
    if (s.windowState == 0) {
        // A value outside 16 bits cannot be stored: its key keeps what it holds.
        auto put = [&doc](const SettingKey &key, int twips) {
            if (twips >= -32768 && twips <= 32767)
                writeNumber(doc, key, twips);
        };
        put(Left, s.left);
        put(Top, s.top);
        put(Height, s.height);
        put(Width, s.width);
    }

    writeText(doc, IP, s.ip);

    writeText(doc, UserName, s.saveUser == 1 ? s.user : QString());
    writeText(doc, Password, s.savePassword == 1 ? s.password : QString());
    writeText(doc, PollCycle, s.pollCycle);
    writeNumber(doc, SaveUser, s.saveUser);
    writeNumber(doc, SavePassword, s.savePassword);
    writeNumber(doc, ShowPassword, s.showPassword);
    // The log switch is written once it has been used: while the log is off, a file
    // from before the key stays byte for byte as it was.
    if (s.logHistory == 1 || doc.value(LogHistory.sectionName(), LogHistory.keyName()))
        writeNumber(doc, LogHistory, s.logHistory);

    writeNumber(doc, KnownOnly, s.knownOnly);
    const int n = std::clamp(s.clients.size(), 0, 32767);
    writeNumber(doc, RecordCount, n);
    for (int i = 1; i <= n; ++i) {
        const tMAC &r = s.clients.at(i - 1);
        // Empty fields are written as empty values, so they come back empty.
        writeRecord(doc, RecordMac, i, r.MAC);
        writeRecord(doc, RecordName, i, r.Name);
        writeRecord(doc, RecordIP, i, r.IP);
        writeRecord(doc, RecordIsAP, i,
                    r.isAccessPoint() ? QStringLiteral("Wahr") : QStringLiteral("Falsch"));
    }
    s.alerts.write(doc);
    // Last, so a file without the section gets it at its end.
    if (const std::optional<QRect> &r = s.historyWindow) {
        writeText(doc, HistoryWindowLeft, QString::number(r->x()));
        writeText(doc, HistoryWindowTop, QString::number(r->y()));
        writeText(doc, HistoryWindowWidth, QString::number(r->width()));
        writeText(doc, HistoryWindowHeight, QString::number(r->height()));
    }
}

bool IniFile::load(const QString &Dateiname, Settings &out)
{
    m_Dateiname = Dateiname;
    m_error.clear();
    Document doc;
    const bool ok = INIRW::readDocument(m_Dateiname, &doc, &m_error);
    out = read(doc);
    return ok;
}

bool IniFile::Save(const QString &Dateiname, const Settings &settings)
{
    m_Dateiname = Dateiname;
    m_error.clear();
    Document doc;
    QString why;
    if (!INIRW::readDocument(m_Dateiname, &doc, &why)) {
        // Writing now would replace content we could not read.
        m_error = QStringLiteral("Die vorhandene Datei wird nicht überschrieben, weil sie nicht gelesen "
                                 "werden konnte: %1")
                      .arg(why);
        return false;
    }
    write(doc, settings);
    return INIRW::writeWholeFile(m_Dateiname, doc.serialize(), &m_error);
}
