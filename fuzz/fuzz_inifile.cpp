// Whole settings files on arbitrary bytes: load into a fresh window, save, load the
// saved file into another fresh window. The second window must show what the first
// showed, apart from what saving changes by design (user name and password kept only
// on request, a record list without records saved as one empty record, ist_AP saved
// as "Wahr" or "Falsch"); saving the second window must write the same bytes again.
// The windows and files live in a temporary folder. Use ASAN_OPTIONS=detect_leaks=0.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QScrollBar>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <utility>

#include "app/dialogs.h"
#include "app/globals.h"
#include "config/inifile.h"
#include "ui/frmMonitor.h"
#include "ui/records.h"

namespace {
void failed(int line)
{
    std::fprintf(stderr, "fuzz_inifile: check in line %d failed\n", line);
    std::abort();
}
#define check(ok) ((ok) ? void() : failed(__LINE__))

// Byte 0xFF followed by n < 27 stands for words[n], followed by another byte for that
// byte, so that the fuzzer meets sections and keys often and can still write any byte.
const char *const words[] = {"\r\n",
                             "[PrgWindow]\r\n",
                             "[Server]\r\n",
                             "[User]\r\n",
                             "[bekannte MAC-Adressen]\r\n",
                             "WindowState=",
                             "left=",
                             "top=",
                             "height=",
                             "width=",
                             "IP=",
                             "Name=",
                             "Passwort=",
                             "Polling Zyklus in Sekunden=",
                             "Benutzername speichern=",
                             "Passwort speichern=",
                             "nur bekannte Clients=",
                             "Anzahl=",
                             "MAC-Adr.1=",
                             "Name 1=",
                             "IP-Adresse 1=",
                             "ist_AP 1=",
                             "Wahr",
                             "MAC-Adr.2=",
                             "Name 2=",
                             "IP-Adresse 2=",
                             "ist_AP 2="};

// What a load leaves in the window and in MACs.
struct State
{
    int windowState = 0, left = 0, top = 0, width = 0, height = 0;
    QString ip, user, password, cycle;
    int saveUser = 0, savePassword = 0, showPassword = 0, knownOnly = 0;
    int count = 0, recordMaximum = 0;
    QStringList addresses; // Combo1's list
    QString addressText, clientList;
    QVector<tMAC> records;
    bool operator==(const State &) const = default;
};

State snapshot(const frmMonitor &w)
{
    State s;
    s.windowState = w.windowStateValue();
    s.left = w.twLeft();
    s.top = w.twTop();
    s.width = w.twWidth();
    s.height = w.twHeight();
    s.ip = w.txtIP->text();
    s.user = w.txtUser->text();
    s.password = w.txtPassw->text();
    s.cycle = w.cmbZyklus->currentText();
    s.saveUser = chkValue(w.ChksaveUser);
    s.savePassword = chkValue(w.ChksavePW);
    s.showPassword = chkValue(w.ChkShowPW);
    s.knownOnly = chkValue(w.chkBekClients);
    s.count = w.AnzahlMACs;
    s.recordMaximum = w.scrDatensatz->maximum();
    for (int i = 0; i < w.Combo1->count(); ++i)
        s.addresses << w.Combo1->itemText(i);
    s.addressText = w.Combo1->currentText();
    s.clientList = w.txtMACS->text();
    s.records = MACs;
    return s;
}

const QString &folder()
{
    static const bool started = [] {
        static int argc = 1;
        static char name[] = "fuzz_inifile";
        static char *argv[] = {name, nullptr};
        qputenv("QT_QPA_PLATFORM", "offscreen");
        new QApplication(argc, argv);
        // Nothing may wait for a person; a box asked here is a finding of its own.
        Dialogs::setHandler([](const Dialogs::Request &) -> Dialogs::Answer { std::abort(); });
        return true;
    }();
    // Removed with its files when the run ends normally.
    static QTemporaryDir dir;
    static const QString path = (check(started && dir.isValid()), dir.path());
    return path;
}

// A program start as far as the settings go: a fresh window, MACs as at start, load.
State loadFresh(const QString &file, std::unique_ptr<frmMonitor> &w)
{
    MACs = QVector<tMAC>(2);
    w = std::make_unique<frmMonitor>();
    w->Form_Load();
    IniFile().load(file, *w);
    return snapshot(*w);
}

QByteArray contents(const QString &file)
{
    QFile f(file);
    check(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

bool sameRecord(const tMAC &a, const tMAC &b)
{
    return a.MAC == b.MAC && a.Name == b.Name && a.IP == b.IP && isAccessPoint(a) == isAccessPoint(b);
}
} // namespace

// Each input takes a while (two or three windows), so the run starts from whole
// settings files, written with the words above, instead of from a few bytes. A flag
// given on the command line wins.
extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // Lines: a word's number and the value after it; for a section head no value; -1
    // for a line of its own text.
    using Lines = std::initializer_list<std::pair<int, const char *>>;
    const auto encode = [](Lines lines) {
        QByteArray out;
        for (const auto &[word, value] : lines) {
            if (word >= 0)
                out += QByteArray("\xFF") + char(word);
            if (value)
                out += QByteArray(value) + QByteArray("\xFF") + char(0);
        }
        return out;
    };
    const QByteArray seeds[] = {
        // A file as a save leaves it: header, all settings, an access point and a station.
        encode({{-1, "Diese Ini-Datei wurde am 05.12.2026 von "},
                {-1, "'senvaro.exe' automatisch generiert."},
                {-1, ""},
                {1, nullptr},
                {5, "0"},
                {6, "1200"},
                {7, "900"},
                {8, "4230"},
                {9, "6600"},
                {2, nullptr},
                {10, "192.168.0.50"},
                {3, nullptr},
                {11, "technik"},
                {12, "geheim"},
                {13, "5"},
                {14, "1"},
                {15, "1"},
                {4, nullptr},
                {16, "1"},
                {17, "2"},
                {18, "00:11:22:33:44:55"},
                {19, "Dach           "},
                {20, "192.168.0.51"},
                {21, "Wahr"},
                {23, "00:11:22:33:44:66"},
                {24, "Buero"},
                {25, "192.168.0.60"},
                {26, "Falsch"}}),
        // Odd forms: LF only, names in other case and with blanks, values out of range.
        "[prgwindow]\nWindowState=2\nleft=-40000\nheight=99999\n[ User ]\nName = a b \n"
        "Benutzername speichern=ja\nPasswort speichern= 2\n[bekannte MAC-Adressen]\nAnzahl=3\n"
        "Name 1=Zwanzig Zeichen lang\nist_AP 1=wahr\nist_AP 2=Wahr\nIP-Adresse 2=10.0.0.2\n"
        "MAC-Adr.4=nicht gelesen\nnur bekannte Clients=2",
    };
    QString list;
    for (qsizetype i = 0; i < qsizetype(std::size(seeds)); ++i) {
        const QString path = QDir(folder()).filePath(QStringLiteral("seed%1").arg(i));
        QFile f(path);
        check(f.open(QIODevice::WriteOnly) && f.write(seeds[i]) == seeds[i].size());
        list += (list.isEmpty() ? QString() : QStringLiteral(",")) + path;
    }
    static QByteArrayList extra{"-seed_inputs=" + list.toLocal8Bit()};
    static QVector<char *> args;
    for (int i = 0; i < *argc; ++i) {
        args << (*argv)[i];
        for (qsizetype k = extra.size() - 1; k >= 0; --k) {
            if (QByteArray((*argv)[i]).startsWith(extra[k].left(extra[k].indexOf('=') + 1)))
                extra.removeAt(k);
        }
    }
    for (QByteArray &flag : extra)
        args << flag.data();
    *argc = int(args.size());
    args << nullptr;
    *argv = args.data();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString file = QDir(folder()).filePath(QStringLiteral("SENVARO.INI"));
    QByteArray bytes;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0xFF && i + 1 < size && data[i + 1] < std::size(words))
            bytes += words[data[++i]];
        else if (data[i] == 0xFF && i + 1 < size)
            bytes += char(data[++i]);
        else
            bytes += char(data[i]);
    }
    {
        QFile f(file);
        check(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        check(f.write(bytes) == bytes.size());
    }

    std::unique_ptr<frmMonitor> first, second;
    const State a = loadFresh(file, first);
    check(IniFile().Save(file, *first));
    const QByteArray saved = contents(file);
    const State b = loadFresh(file, second);

    check(b.windowState == a.windowState);
    check(b.left == a.left && b.top == a.top && b.width == a.width && b.height == a.height);
    check(b.ip == a.ip);
    check(b.user == (a.saveUser == 1 ? a.user : QString()));
    check(b.password == (a.savePassword == 1 ? a.password : QString()));
    check(b.cycle == a.cycle);
    check(b.saveUser == a.saveUser && b.savePassword == a.savePassword);
    check(b.showPassword == a.showPassword && b.knownOnly == a.knownOnly);
    check(b.addressText == a.addressText);

    // Saved are the slots 1 to the last one: at least one, the empty slot 1 of a list
    // without records included.
    check(b.count == std::max(a.count, 1));
    check(b.recordMaximum == b.count);
    check(b.records.size() == a.records.size());
    for (qsizetype i = 1; i < b.records.size(); ++i) {
        const tMAC &r = b.records.at(i);
        check(r.ist_AP == (isAccessPoint(r) ? QStringLiteral("Wahr") : QStringLiteral("Falsch")));
        if (a.count > 0)
            check(sameRecord(r, a.records.at(i)));
    }
    if (a.count > 0) {
        check(b.addresses == a.addresses);
        check(b.clientList == a.clientList);
    }

    // The second start saves what it found: the file stays as it is, byte for byte.
    // Only the empty slot 1 of a list without records changes once more: its name,
    // empty in memory, comes back padded to 15 blanks; from then on nothing changes.
    check(IniFile().Save(file, *second));
    if (a.count > 0) {
        check(contents(file) == saved);
    } else {
        const QByteArray again = contents(file);
        std::unique_ptr<frmMonitor> third;
        const State c = loadFresh(file, third);
        check(c == b);
        check(IniFile().Save(file, *third));
        check(contents(file) == again);
    }
    return 0;
}
