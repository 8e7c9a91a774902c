#include "config/inifile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <QSignalBlocker>

#include "app/globals.h"
#include "config/inirw.h"
#include "ui/frmMonitor.h"
#include "ui/records.h"

using namespace INIRW;

namespace {

const QString kPrgWindow = QStringLiteral("PrgWindow");
const QString kServer = QStringLiteral("Server");
const QString kUser = QStringLiteral("User");
const QString kClients = QStringLiteral("bekannte MAC-Adressen");
const QString kNoEntry = QStringLiteral("(kein Eintrag)");

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

    RegisterPrivateIni(kPrgWindow, m_Dateiname);
    int state = GetPrivateIniInt(QStringLiteral("WindowState"), 0);
    int left = GetPrivateIniInt(QStringLiteral("left"), 0);
    int top = GetPrivateIniInt(QStringLiteral("top"), 0);
    const int height = GetPrivateIniInt(QStringLiteral("height"), 4230);
    const int width = GetPrivateIniInt(QStringLiteral("width"), 6600);
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

    RegisterPrivateIni(kServer, m_Dateiname);
    w.txtIP->setText(GetPrivateIniString(QStringLiteral("IP"), QStringLiteral("192.168.0.1")));

    RegisterPrivateIni(kUser, m_Dateiname);
    w.txtUser->setText(GetPrivateIniString(QStringLiteral("Name"), kNoEntry));
    w.txtPassw->setText(GetPrivateIniString(QStringLiteral("Passwort"), kNoEntry));
    w.cmbZyklus->setEditText(
        GetPrivateIniString(QStringLiteral("Polling Zyklus in Sekunden"), QStringLiteral("2")));
    setChkValue(w.ChksaveUser, checkBoxValue(GetPrivateIniString(QStringLiteral("Benutzername speichern"),
                                                                 QStringLiteral("0"))));
    setChkValue(w.ChksavePW, checkBoxValue(GetPrivateIniString(QStringLiteral("Passwort speichern"),
                                                               QStringLiteral("0"))));
    w.ChkShowPW_Click(); // masks both fields unless "show" is checked

    RegisterPrivateIni(kClients, m_Dateiname);
    qint16 count = GetPrivateIniInt(QStringLiteral("Anzahl"), 0);
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
            const QString n = QString::number(i);
            tMAC &r = MACs[i];
            r.MAC = GetPrivateIniString(QStringLiteral("MAC-Adr.") + n, kNoEntry);
            r.Name = (GetPrivateIniString(QStringLiteral("Name ") + n, kNoEntry) + QString(15, QChar(' ')))
                         .left(15);
            r.IP = GetPrivateIniString(QStringLiteral("IP-Adresse ") + n, kNoEntry);
            r.ist_AP = GetPrivateIniString(QStringLiteral("ist_AP ") + n, kNoEntry);
            if (isAccessPoint(r))
                w.Combo1->addItem(r.IP);
            lines += knownClientLine(r);
        }
    }
    if (!lines.isEmpty())
        w.txtMACS->appendText(lines);
    // The address shown is the address used: through the change handler txtIP keeps it.
    w.Combo1->setEditText(w.txtIP->text());

    setChkValue(w.chkBekClients, checkBoxValue(GetPrivateIniString(QStringLiteral("nur bekannte Clients"),
                                                                   QStringLiteral("0"))));
    return group.allRead(&m_error);
}

bool IniFile::Save(const QString &Dateiname, frmMonitor &Window)
{
    m_Dateiname = Dateiname;
    m_error.clear();
    frmMonitor &w = Window;
    Group group; // every key goes into one parsed copy, written back once at the end

    RegisterPrivateIni(kPrgWindow, m_Dateiname);
    const int state = w.windowStateValue();
    PutPrivateIniInt(QStringLiteral("WindowState"), qint16(state));
    if (state == 0) {
        // A value outside 16 bits cannot be stored: its key keeps what it holds.
        auto put = [](const QString &key, int twips) {
            if (twips >= -32768 && twips <= 32767)
                PutPrivateIniInt(key, qint16(twips));
        };
        put(QStringLiteral("left"), w.twLeft());
        put(QStringLiteral("top"), w.twTop());
        put(QStringLiteral("height"), w.twHeight());
        put(QStringLiteral("width"), w.twWidth());
    }

    RegisterPrivateIni(kServer, m_Dateiname);
    PutPrivateIniString(QStringLiteral("IP"), w.txtIP->text());

    RegisterPrivateIni(kUser, m_Dateiname);
    PutPrivateIniString(QStringLiteral("Name"), chkValue(w.ChksaveUser) == 1 ? w.txtUser->text() : QString());
    RegisterPrivateIni(kUser, m_Dateiname);
    PutPrivateIniString(QStringLiteral("Passwort"),
                        chkValue(w.ChksavePW) == 1 ? w.txtPassw->text() : QString());
    RegisterPrivateIni(kUser, m_Dateiname);
    PutPrivateIniString(QStringLiteral("Polling Zyklus in Sekunden"), w.cmbZyklus->currentText());
    RegisterPrivateIni(kUser, m_Dateiname);
    PutPrivateIniInt(QStringLiteral("Benutzername speichern"), qint16(chkValue(w.ChksaveUser)));
    RegisterPrivateIni(kUser, m_Dateiname);
    PutPrivateIniInt(QStringLiteral("Passwort speichern"), qint16(chkValue(w.ChksavePW)));
    RegisterPrivateIni(kUser, m_Dateiname);
    PutPrivateIniInt(QStringLiteral("Passwort anzeigen"), qint16(chkValue(w.ChkShowPW)));

    RegisterPrivateIni(kClients, m_Dateiname);
    PutPrivateIniInt(QStringLiteral("nur bekannte Clients"), qint16(chkValue(w.chkBekClients)));
    const int n = int(std::clamp<qsizetype>(MACs.size() - 1, 0, 32767));
    PutPrivateIniInt(QStringLiteral("Anzahl"), qint16(n));
    for (int i = 1; i <= n; ++i) {
        const QString num = QString::number(i);
        const tMAC &r = MACs[i];
        // Empty fields are written as empty values, so they come back empty.
        RegisterPrivateIni(kClients, m_Dateiname);
        PutPrivateIniString(QStringLiteral("MAC-Adr.") + num, r.MAC);
        RegisterPrivateIni(kClients, m_Dateiname);
        PutPrivateIniString(QStringLiteral("Name ") + num, r.Name);
        RegisterPrivateIni(kClients, m_Dateiname);
        PutPrivateIniString(QStringLiteral("IP-Adresse ") + num, r.IP);
        RegisterPrivateIni(kClients, m_Dateiname);
        PutPrivateIniString(QStringLiteral("ist_AP ") + num,
                            isAccessPoint(r) ? QStringLiteral("Wahr") : QStringLiteral("Falsch"));
    }
    return group.finish(&m_error);
}
