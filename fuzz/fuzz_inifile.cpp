// Whole settings files on arbitrary bytes: load into a value, save it, load the saved
// file again. The second value must equal the first, apart from what saving changes by
// design (user name and password kept only on request, a record list without records
// saved as one empty record, ist_AP saved as "Wahr" or "Falsch"); saving the second
// value must write the same bytes again. The file is kept in memory, parsed and
// serialized as load and save do it; reading and writing the disk is left to the tests,
// so that a run takes well under a millisecond.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <iterator>
#include <optional>
#include <utility>

#include "config/inifile.h"
#include "config/inirw.h"

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

// Most records an input may claim.
constexpr int maxRecords = 4;

// Where the seeds are written; removed with them when the run ends normally.
const QString &folder()
{
    static QTemporaryDir dir;
    static const QString path = (check(dir.isValid()), dir.path());
    return path;
}

// A file as load and save parse it, with the settings a start takes from it.
struct Start
{
    explicit Start(const QByteArray &bytes) : doc(INIRW::Document::parse(bytes)), settings(IniFile::read(doc))
    {
    }
    INIRW::Document doc;
    Settings settings;
};

// The orderly end: the settings written into the file as it stands.
QByteArray save(INIRW::Document doc, const Settings &settings)
{
    IniFile::write(doc, settings);
    return doc.serialize();
}

bool sameRecord(const tMAC &a, const tMAC &b)
{
    return a.MAC == b.MAC && a.Name == b.Name && a.IP == b.IP && a.isAccessPoint() == b.isAccessPoint();
}
} // namespace

// Allocation sites in a report name their 4 innermost frames instead of 30: recording
// the stack of every allocation was a fifth of the run time. A finding still shows the
// whole stack of the faulty access.
extern "C" const char *__asan_default_options()
{
    return "malloc_context_size=4";
}

// The run starts from whole settings files, written with the words above, instead of
// from a few bytes. A flag given on the command line wins.
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
    QByteArray bytes;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0xFF && i + 1 < size && data[i + 1] < std::size(words))
            bytes += words[data[++i]];
        else if (data[i] == 0xFF && i + 1 < size)
            bytes += char(data[++i]);
        else
            bytes += char(data[i]);
    }
    // A file that claims thousands of records takes seconds here and finds nothing that
    // a few records do not; the tests load and save the most there can be.
    const INIRW::Document input = INIRW::Document::parse(bytes);
    const std::optional<QString> count =
        input.value(QStringLiteral("bekannte MAC-Adressen"), QStringLiteral("Anzahl"));
    if (count && INIRW::leadingInt16(*count) > maxRecords)
        return -1;

    const Settings a = IniFile::read(input);
    const QByteArray saved = save(input, a);
    const Start second(saved);
    const Settings &b = second.settings;

    check(b.windowState == a.windowState);
    check(b.left == a.left && b.top == a.top && b.width == a.width && b.height == a.height);
    check(b.ip == a.ip);
    check(b.user == (a.saveUser == 1 ? a.user : QString()));
    check(b.password == (a.savePassword == 1 ? a.password : QString()));
    check(b.pollCycle == a.pollCycle);
    check(b.saveUser == a.saveUser && b.savePassword == a.savePassword);
    check(b.showPassword == a.showPassword && b.knownOnly == a.knownOnly && b.logHistory == a.logHistory);

    // Saved are all records: at least one, the empty record 1 of a list without records
    // included.
    check(b.recordCount == std::max<qint16>(a.recordCount, 1));
    check(b.clients.size() == a.clients.size());
    for (int i = 0; i < b.clients.size(); ++i) {
        const tMAC &r = b.clients.at(i);
        check(r.ist_AP == (r.isAccessPoint() ? QStringLiteral("Wahr") : QStringLiteral("Falsch")));
        if (a.recordCount > 0)
            check(sameRecord(r, a.clients.at(i)));
    }
    if (a.recordCount > 0)
        check(b.clients.accessPointAddresses() == a.clients.accessPointAddresses());

    // The second start saves what it found: the file stays as it is, byte for byte.
    // Only the empty slot 1 of a list without records changes once more: its name,
    // empty in memory, comes back padded to 15 blanks; from then on nothing changes.
    const QByteArray again = save(second.doc, b);
    if (a.recordCount > 0) {
        check(again == saved);
    } else {
        const Start third(again);
        check(third.settings == b);
        check(save(third.doc, third.settings) == again);
    }
    return 0;
}
