#include "config/inifile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <QSignalBlocker>

#include "app/globals.h"
#include "config/inirw.h"
#include "config/settingskeys.h"
#include "ui/frmMonitor.h"
#include "ui/records.h"

using namespace INIRW;

namespace {

using namespace SettingKeys;

// Each key names its own section, so every access registers it first; the group keeps
// this cheap (one parsed copy of the file).
QString readText(const SettingKey &key, const QString &file)
{
    RegisterPrivateIni(key.sectionName(), file);
    return GetPrivateIniString(key.keyName(), key.fallbackText());
}

QString readRecord(const SettingKey &key, int record, const QString &file)
{
    RegisterPrivateIni(key.sectionName(), file);
    return GetPrivateIniString(key.keyName(record), key.fallbackText());
}

qint16 readNumber(const SettingKey &key, const QString &file)
{
    RegisterPrivateIni(key.sectionName(), file);
    return GetPrivateIniInt(key.keyName(), qint16(QByteArray(key.fallback).toInt()));
}

void writeText(const SettingKey &key, const QString &file, const QString &value)
{
    RegisterPrivateIni(key.sectionName(), file);
    PutPrivateIniString(key.keyName(), value);
}

void writeRecord(const SettingKey &key, int record, const QString &file, const QString &value)
{
    RegisterPrivateIni(key.sectionName(), file);
    PutPrivateIniString(key.keyName(record), value);
}

void writeNumber(const SettingKey &key, const QString &file, qint16 value)
{
    RegisterPrivateIni(key.sectionName(), file);
    PutPrivateIniInt(key.keyName(), value);
}

// A check box takes 0, 1 or 2; any other text ("ja") gives the key's default 0.
int checkBoxValue(const QString &text)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    return ok && v >= 0 && v <= 2 ? v : 0;
}

// True when the window's title strip would lie on some screen, so the user can reach it.
bool reachable(const QRect &frame)
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    if (screens.isEmpty())
        return true;
    const QRect strip(frame.topLeft(), QSize(frame.width(), 24));
    for (const QScreen *screen : screens) {
        const QRect seen = strip.intersected(screen->availableGeometry());
        if (seen.width() >= 48 && seen.height() >= 8)
            return true;
    }
    return false;
}

} // namespace

bool IniFile::load(const QString &Dateiname, frmMonitor &Window)
{
    m_Dateiname = Dateiname;
    m_error.clear();
    frmMonitor &w = Window;
    Group group; // the file is read and parsed once for all keys

    const QString &file = m_Dateiname;
    int state = readNumber(WindowState, file);
    int left = readNumber(Left, file);
    int top = readNumber(Top, file);
    const int height = readNumber(Height, file);
    const int width = readNumber(Width, file);
    if (state < 0 || state > 2)
        state = 0;
    // The geometry is the window's normal-state bounds; a minimized or maximized state
    // is applied over it, so un-maximizing returns to the stored place.
    w.setWindowStateValue(0);
    w.setTwHeight(height);
    w.setTwWidth(width);
    if (!reachable(QRect(tw(left), tw(top), tw(w.twWidth()), tw(w.twHeight())))) {
        left = 0;
        top = 0;
    }
    w.setTwTop(top);
    w.setTwLeft(left);
    w.setWindowStateValue(state);

    w.txtIP->setText(readText(IP, file));

    w.txtUser->setText(readText(UserName, file));
    w.txtPassw->setText(readText(Password, file));
    w.cmbZyklus->setEditText(readText(PollCycle, file));
    setChkValue(w.ChksaveUser, checkBoxValue(readText(SaveUser, file)));
    setChkValue(w.ChksavePW, checkBoxValue(readText(SavePassword, file)));
    w.ChkShowPW_Click(); // masks both fields unless "show" is checked
    w.chkVerlauf->setChecked(checkBoxValue(readText(LogHistory, file)) == 1);

    qint16 count = readNumber(RecordCount, file);
    if (count < 0)
        count = 0; // -5, or 40000 read as -25536: no records
    w.AnzahlMACs = count;
    setRecordMaximum(w, count);
    if (count == 0) {
        // With no record the bar had to go to 0; the editor still works on record 1,
        // the empty slot kept below, so what is stored there is saved.
        w.txtDatensatz->setText(QStringLiteral("1"));
    }

    if (MACs.size() != std::max<qsizetype>(2, count + 1))
        MACs.resize(std::max<qsizetype>(2, count + 1));
    QString lines;
    {
        // Adding the first item would put it into the box's text on the way.
        const QSignalBlocker blocker(w.Combo1);
        for (int i = 1; i <= count; ++i) {
            tMAC &r = MACs[i];
            r.MAC = readRecord(RecordMac, i, file);
            r.Name = (readRecord(RecordName, i, file) + QString(15, QChar(' '))).left(15);
            r.IP = readRecord(RecordIP, i, file);
            r.ist_AP = readRecord(RecordIsAP, i, file);
            if (isAccessPoint(r))
                w.Combo1->addItem(r.IP);
            lines += knownClientLine(r);
        }
    }
    if (!lines.isEmpty())
        w.txtMACS->appendText(lines);
    // The address shown is the address used: through the change handler txtIP keeps it.
    w.Combo1->setEditText(w.txtIP->text());

    setChkValue(w.chkBekClients, checkBoxValue(readText(KnownOnly, file)));
    return group.allRead(&m_error);
}

bool IniFile::Save(const QString &Dateiname, frmMonitor &Window)
{
    m_Dateiname = Dateiname;
    m_error.clear();
    frmMonitor &w = Window;
    Group group; // every key goes into one parsed copy, written back once at the end

    const QString &file = m_Dateiname;
    const int state = w.windowStateValue();
    writeNumber(WindowState, file, qint16(state));
    if (state == 0) {
        // A value outside 16 bits cannot be stored: its key keeps what it holds.
        auto put = [&file](const SettingKey &key, int twips) {
            if (twips >= -32768 && twips <= 32767)
                writeNumber(key, file, qint16(twips));
        };
        put(Left, w.twLeft());
        put(Top, w.twTop());
        put(Height, w.twHeight());
        put(Width, w.twWidth());
    }

    writeText(IP, file, w.txtIP->text());

    writeText(UserName, file, chkValue(w.ChksaveUser) == 1 ? w.txtUser->text() : QString());
    writeText(Password, file, chkValue(w.ChksavePW) == 1 ? w.txtPassw->text() : QString());
    writeText(PollCycle, file, w.cmbZyklus->currentText());
    writeNumber(SaveUser, file, qint16(chkValue(w.ChksaveUser)));
    writeNumber(SavePassword, file, qint16(chkValue(w.ChksavePW)));
    writeNumber(ShowPassword, file, qint16(chkValue(w.ChkShowPW)));
    // The log switch is written once it has been used: while the log is off, a file
    // from before the key stays byte for byte as it was.
    RegisterPrivateIni(LogHistory.sectionName(), file);
    const QString absent = QStringLiteral("\n"); // no value can hold a line end
    if (chkValue(w.chkVerlauf) == 1 || GetPrivateIniString(LogHistory.keyName(), absent) != absent)
        writeNumber(LogHistory, file, qint16(chkValue(w.chkVerlauf)));

    writeNumber(KnownOnly, file, qint16(chkValue(w.chkBekClients)));
    const int n = int(std::clamp<qsizetype>(MACs.size() - 1, 0, 32767));
    writeNumber(RecordCount, file, qint16(n));
    for (int i = 1; i <= n; ++i) {
        const tMAC &r = MACs[i];
        // Empty fields are written as empty values, so they come back empty.
        writeRecord(RecordMac, i, file, r.MAC);
        writeRecord(RecordName, i, file, r.Name);
        writeRecord(RecordIP, i, file, r.IP);
        writeRecord(RecordIsAP, i, file,
                    isAccessPoint(r) ? QStringLiteral("Wahr") : QStringLiteral("Falsch"));
    }
    return group.finish(&m_error);
}
