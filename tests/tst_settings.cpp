// The settings value without a window: what a settings file gives and what is saved back
// (known clients, the poll cycle), and the history and watch-list settings beside them.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "config/historysettings.h"
#include "config/inifile.h"
#include "config/inirw.h"
#include "config/pollcycle.h"
#include "config/settings.h"
#include "config/watchlist.h"
#include "logicsupport.h"

namespace {

const QString kA = QStringLiteral("00:11:22:33:44:55");
const QString kB = QStringLiteral("F0:18:98:AA:00:01");
const QString kC = QStringLiteral("02:00:00:00:00:0C");

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
    const QString p = dir.filePath(QStringLiteral("SENVARO.INI"));

    // "state left top height width|IP|user|password|cycle|saveUser savePW knownOnly log|count upperBound"
    static QString summary(const Settings &s)
    {
        const auto n = [](auto... v) { return QStringList{QString::number(v)...}.join(' '); };
        return QStringLiteral("%1|%2|%3|%4|%5|%6|%7")
            .arg(n(s.windowState, s.left, s.top, s.height, s.width), s.ip, s.user, s.password, s.pollCycle,
                 n(s.saveUser, s.savePassword, s.knownOnly, s.logHistory),
                 n(s.recordCount, s.clients.size()));
    }
    Settings load(const QByteArray &content)
    {
        Settings s;
        s.ip = QStringLiteral("stale"); // a load replaces every value
        QTest::qVerify(writeFile(p, content) && IniFile().load(p, s), "load", "", __FILE__, __LINE__);
        return s;
    }
    QByteArray saved(const Settings &s)
    {
        IniFile ini;
        return ini.Save(p, s) ? readFile(p) : "save failed: " + ini.errorText().toUtf8();
    }

private slots:
    // First start: defaults, slot 1 saved empty and "Falsch". Then the example comes back
    // byte for byte, Latin-1 and the blanks of the names included.
    void freshFileAndExample()
    {
        const Settings fresh = load("Kopfzeile\r\n");
        QCOMPARE(
            saved(fresh),
            "Kopfzeile\r\n[PrgWindow]\r\nWindowState=0\r\nleft=0\r\ntop=0\r\nheight=4230\r\nwidth=6600\r\n"
            "[Server]\r\nIP=192.168.0.1\r\n[User]\r\nName=\r\nPasswort=\r\n"
            "Polling Zyklus in Sekunden=2\r\nBenutzername speichern=0\r\nPasswort speichern=0\r\n"
            "Passwort anzeigen=0\r\n[bekannte MAC-Adressen]\r\nnur bekannte Clients=0\r\nAnzahl=1\r\n"
            "MAC-Adr.1=\r\nName 1=\r\nIP-Adresse 1=\r\nist_AP 1=Falsch\r\n");

        const QByteArray example =
            QByteArray(
                "Diese Ini-Datei wurde am 05.12.2026 von \n'senvaro.exe' automatisch generiert.\n\n"
                "[PrgWindow]\nWindowState=0\nleft=1200\ntop=900\nheight=4230\nwidth=6600\n[Server]\n"
                "IP=192.168.0.50\n[User]\nName=technik\nPasswort=g3heim\nPolling Zyklus in Sekunden=5\n"
                "Benutzername speichern=1\nPasswort speichern=1\nPasswort anzeigen=0\n"
                "[bekannte MAC-Adressen]\nnur bekannte Clients=1\nAnzahl=2\nMAC-Adr.1=00:11:22:33:44:55\n"
                "Name 1=Dach           \nIP-Adresse 1=192.168.0.51\nist_AP 1=Wahr\n"
                "MAC-Adr.2=00:11:22:33:44:66\nName 2=B\xfcro           \nIP-Adresse 2=192.168.0.60\n"
                "ist_AP 2=Falsch\n")
                .replace('\n', "\r\n");
        const Settings s = load(example);
        QCOMPARE(summary(s),
                 QStringLiteral("0 1200 900 4230 6600|192.168.0.50|technik|g3heim|5|1 1 1 0|2 2"));
        QCOMPARE(s.clients.at(1).Name, QStringLiteral("Büro           "));
        QCOMPARE(s.clients.accessPointAddresses(), QStringList{"192.168.0.51"});
        QFile::remove(p); // the same bytes again, from nothing but the value
        QVERIFY(writeFile(p, example.left(example.indexOf("[PrgWindow]"))));
        QCOMPARE(saved(s), example);
    }

    // Values out of range, texts where numbers belong, empty values, counts that wrap.
    void oddValues()
    {
        // the file, its summary() (see above): out of range, empty texts stay empty, maximized
        for (const auto &[file, expected] : QList<std::pair<QByteArray, QString>>{
                 {"[PrgWindow]\nWindowState=7\nleft=40000\ntop=-5x\nheight=abc\nwidth=\n[User]\n"
                  "Benutzername speichern=ja\nPasswort speichern= 2 \nVerlauf protokollieren=1\n"
                  "[bekannte MAC-Adressen]\nnur bekannte Clients=3\nAnzahl=40000\n",
                  "0 -25536 -5 0 6600|192.168.0.1|(kein Eintrag)|(kein Eintrag)|2|0 2 0 1|0 1"},
                 {"[ server ]\r\nip=\r\n[User]\r\nName=\r\nPasswort=  \r\nPolling Zyklus in Sekunden=\r\n"
                  "[PrgWindow]\r\nWindowState=-1\r\n[bekannte MAC-Adressen]\r\nAnzahl=-5\r\n",
                  "0 0 0 4230 6600|||||0 0 0 0|0 1"},
                 {"[PrgWindow]\r\nWindowState=2\r\nleft=-600\r\n",
                  "2 -600 0 4230 6600|192.168.0.1|(kein Eintrag)|(kein Eintrag)|2|0 0 0 0|0 1"}})
            QCOMPARE(summary(load(file)), expected);
    }

    // Names padded or cut to 15, missing fields read as "(kein Eintrag)", only "Wahr" marks
    // an access point, records above "Anzahl" stay in the file; the most there can be.
    void records()
    {
        Settings s =
            load("[bekannte MAC-Adressen]\r\nAnzahl=3\r\nName 1=Zwanzig Zeichen Lang\r\n"
                 "IP-Adresse 1=10.0.0.1\r\nist_AP 1=Wahr\r\nIP-Adresse 2=10.0.0.2\r\nist_AP 2=wahr\r\n"
                 "IP-Adresse 3=10.0.0.3\r\nist_AP 3=Wahr\r\nName 4=beyond\r\n");
        QCOMPARE(s.clients.accessPointAddresses(), QStringList({"10.0.0.1", "10.0.0.3"}));
        QCOMPARE(s.clients.at(1), (tMAC{"(kein Eintrag)", "(kein Eintrag) ", "10.0.0.2", "wahr"}));
        const QByteArray after = saved(s);
        QCOMPARE(after.left(after.indexOf("[PrgWindow]")).mid(after.indexOf("Anzahl=")),
                 "Anzahl=3\r\nName 1=Zwanzig Zeichen\r\nIP-Adresse 1=10.0.0.1\r\n"
                 "ist_AP 1=Wahr\r\nIP-Adresse 2=10.0.0.2\r\nist_AP 2=Falsch\r\n"
                 "IP-Adresse 3=10.0.0.3\r\nist_AP 3=Wahr\r\nName 4=beyond\r\n"
                 "nur bekannte Clients=0\r\nMAC-Adr.1=(kein Eintrag)\r\nMAC-Adr.2=(kein Eintrag)\r\n"
                 "Name 2=(kein Eintrag) \r\nMAC-Adr.3=(kein Eintrag)\r\n"
                 "Name 3=(kein Eintrag) \r\n");
        s.clients.resize(0); // the only records deleted
        QVERIFY(saved(s).contains("\r\nAnzahl=0\r\n"));

        s = load("[bekannte MAC-Adressen]\r\nAnzahl=32767\r\nMAC-Adr.1=a\r\nist_AP 2=Wahr\r\n");
        QCOMPARE(QList<int>({s.recordCount, s.clients.size()}), QList<int>({32767, 32767}));
        QVERIFY(saved(s).contains("\r\nIP-Adresse 32767=(kein Eintrag)\r\nist_AP 32767=Falsch\r\n"));
    }

    // The bounds are written only in the normal state and only within 16 bits; the user
    // name and the password only when they are to be kept (greyed is not checked).
    void saveRules()
    {
        const QByteArray user = "[Server]\r\nIP=192.168.0.1\r\n[User]\r\nName=";
        const QByteArray window = "left=600\r\ntop=450\r\nheight=8010\r\nwidth=9000\r\n",
                         bounds = window + user;
        // window state, left, width, both check boxes (2: greyed), expected
        for (const auto &[state, left, width, keep, expected] :
             {std::tuple{0, -32768, 32767, 1,
                         "WindowState=0\r\nleft=-32768\r\ntop=450\r\nheight=8010\r\nwidth=32767\r\n" + user +
                             "technik\r\nPasswort=g3heim\r\n"},
              {0, -32769, 32768, 2, "WindowState=0\r\n" + bounds + "\r\nPasswort=\r\n"},
              {2, 1, 1, 0, "WindowState=2\r\n" + bounds + "\r\nPasswort=\r\n"}}) {
            Settings s = load("[PrgWindow]\r\nWindowState=0\r\n" + window);
            s.windowState = state;
            s.left = left;
            s.width = width;
            s.saveUser = s.savePassword = keep;
            s.user = QStringLiteral("technik");
            s.password = QStringLiteral("g3heim");
            QCOMPARE(saved(s).left(expected.size() + 13), "[PrgWindow]\r\n" + expected);
        }
    }

    // Characters a line holds but the writer cannot put there (a lone CR, a NUL) read as the
    // blank the writer writes, a tab at the name's cut as a blank, so a second start shows
    // what the first showed.
    void oddCharacters()
    {
        const char text[] = "[Server]\r\nIP=10.0.0.9\r\n[bekannte MAC-Adressen]\r\nAnzahl=1\r\n"
                            "MAC-Adr.1=00:11:22\0:33\0\r\r\nIP-Adresse 1=192.168.0.51\rsi\r\n"
                            "Name 1=Vierzehn Zeich\tmehr\r\n";
        Settings s = load(QByteArray(text, sizeof text - 1));
        for (int start = 1; start <= 2; ++start) {
            QCOMPARE(QStringList({s.clients.at(0).MAC, s.clients.at(0).IP, s.ip, s.clients.at(0).Name}),
                     QStringList({"00:11:22 :33", "192.168.0.51 si", "10.0.0.9", "Vierzehn Zeich "}));
            s = load(saved(s));
        }
    }

    void pollCycle()
    {
        // The window and the exporter take the same cycles; 0 would stop the window's polling.
        for (const auto &[text, ms] : {std::pair{"2", 2000},
                                       {"0.5", 500},
                                       {"65.535", 65535},
                                       {"66", 0},
                                       {"0", 0},
                                       {"0.0004", 0},
                                       {"-2", 0},
                                       {"schnell", 0}})
            QVERIFY2(pollCycleMs(QString::fromLatin1(text)).value_or(0) == ms, text);
    }

    void keepDaysSetting_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("days");
        QTest::newRow("missing") << QByteArray("[User]\r\nName=x\r\n") << 30;
        QTest::newRow("set") << QByteArray("[User]\r\nVerlauf Tage behalten= 7 \r\n") << 7;
        QTest::newRow("longest") << QByteArray("[User]\r\nVerlauf Tage behalten=3650\r\n") << 3650;
        QTest::newRow("too long") << QByteArray("[User]\r\nVerlauf Tage behalten=3651\r\n") << 30;
        QTest::newRow("zero") << QByteArray("[User]\r\nVerlauf Tage behalten=0\r\n") << 30;
        QTest::newRow("no number") << QByteArray("[User]\r\nVerlauf Tage behalten=viele\r\n") << 30;
    }
    void keepDaysSetting()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, days);
        QCOMPARE(HistorySettings::read(INIRW::Document::parse(file)).keepDays, days);
    }

    void settingsWrittenOnceChanged()
    {
        QTemporaryDir dir;
        const QString path = QDir(dir.path()).filePath(QStringLiteral("SENVARO.INI"));
        const QByteArray before = "[User]\r\nName=x\r\n";
        QVERIFY(writeFile(path, before));
        const QStringList known{kA, kB, kC};
        QString error;
        QVERIFY(HistorySettings().save(path, &error));
        QVERIFY(WatchListSettings().save(path, known, &error));
        QCOMPARE(readFile(path), before);

        HistorySettings keep;
        keep.keepDays = 90;
        WatchListSettings watched;
        watched.setWatched(kB.toLower(), true);
        watched.setWatched(kC, true);
        QVERIFY(keep.save(path, &error));
        QVERIFY(watched.save(path, known, &error));
        QCOMPARE(readFile(path), "[User]\r\nName=x\r\nVerlauf Tage behalten=90\r\n"
                                 "[Beobachtet]\r\nf0:18:98:aa:00:01=1\r\n02:00:00:00:00:0C=1\r\n");

        watched.setWatched(kB, false);
        QVERIFY(watched.save(path, known, &error));
        WatchListSettings read;
        QVERIFY(WatchListSettings::load(path, known, &read, &error));
        QCOMPARE(read.macs, QStringList{kC});
        QVERIFY(readFile(path).contains("f0:18:98:aa:00:01=0\r\n"));
        QVERIFY(!read.isWatched(kA) && read.isWatched(kC.toLower()));
    }

    // The names are looked up through an index: it follows every change of the list, and a
    // copy made before a change keeps answering for what it holds.
    void knownNamesFollowChanges()
    {
        KnownClients k =
            knownClients({{"00:11:22:33:44:55", "Dach", {}, {}}, {"00:0A:0B:0C:0D:0E", "Flur", {}, {}}});
        QString name;
        QVERIFY(k.findName("00:11:22:33:44:55", &name) && name == "Dach");
        const KnownClients before = k;
        k[0].MAC = " 00:0A:0B:0C:0D:0E ";
        QVERIFY(!k.findName("00:11:22:33:44:55"));
        QVERIFY(k.findName("00:0A:0B:0C:0D:0E", &name) && name == "Flur"); // the later record still wins
        k[1].MAC = QStringLiteral("F0:00:00:00:00:01");
        QVERIFY(k.findName("00:0A:0B:0C:0D:0E", &name) && name == "Dach");
        QVERIFY(before.findName("00:11:22:33:44:55", &name) && name == "Dach");
        QVERIFY(before != k);
        k.resize(1);
        QVERIFY(!k.findName("F0:00:00:00:00:01"));
        QVERIFY(k.findName("00:0A:0B:0C:0D:0E", &name) && name == "Dach");
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
