#include <QtTest>
#include <QtWidgets>

#include "app/globals.h"
#include "config/inifile.h"
#include "testsupport.h"
#include "ui/frmMonitor.h"

#include <csignal>
#include <sys/resource.h>

class TestIniFile : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
    const QString p = dir.filePath(QStringLiteral("SENVARO.INI"));

    std::unique_ptr<frmMonitor> w;
    QByteArray saved() { return IniFile().Save(p, *w) ? readFile(p) : "save failed"; }

    void load(const QByteArray &content)
    {
        QVERIFY(writeFile(p, content));
        MACs = QVector<tMAC>(2);
        w = std::make_unique<frmMonitor>();
        w->Form_Load();
        IniFile().load(p, *w);
    }

private slots:
    // First start: defaults, slot 1 saved empty and "Falsch". Then the example comes back.
    void freshFileAndExample()
    {
        load("Kopfzeile\r\n");
        const QStringList got{w->txtUser->text(),      w->Combo1->currentText(),
                              w->txtIP->text(),        w->txtMACS->text(),
                              w->txtDatensatz->text(), QString::number(w->scrDatensatz->maximum())};
        QCOMPARE(got, (QStringList{"(kein Eintrag)", "192.168.0.1", "192.168.0.1", "", "1", "0"}));
        const QByteArray fresh = saved();
        QVERIFY(fresh.contains("Name=\r\nPasswort=\r\nPolling Zyklus in Sekunden=2\r\n") &&
                fresh.endsWith("Anzahl=1\r\nMAC-Adr.1=\r\nName 1=\r\nIP-Adresse 1=\r\nist_AP 1=Falsch\r\n"));

        const QString example = QStringLiteral(R"(Diese Ini-Datei wurde am 05.12.2026 von%1
'senvaro.exe' automatisch generiert.

[PrgWindow]
WindowState=0
left=1200
top=900
height=%4
width=%5
[Server]
IP=192.168.0.50
[User]
Name=technik
Passwort=g3heim
Polling Zyklus in Sekunden=5
Benutzername speichern=1
Passwort speichern=1
Passwort anzeigen=0
[bekannte MAC-Adressen]
nur bekannte Clients=1
Anzahl=1
MAC-Adr.1=00:11:22:33:44:55
Name 1=Dach%2
IP-Adresse 1=192.168.0.51
ist_AP 1=Wahr
)")
                                    .arg(" ", QString(11, ' '));
        load(example.arg(4230).arg(6600).toLatin1().replace('\n', "\r\n"));
        QVERIFY(w->Combo1->count() == 1 && w->Combo1->itemText(0) == QStringLiteral("192.168.0.51"));
        QCOMPARE(QString::fromLatin1(saved()).split("\r\n"),
                 example.arg(w->twHeight()).arg(w->twWidth()).split('\n'));
    }

    // Values the window cannot take give the key's default; records above "Anzahl" stay.
    void oddValuesNamesAndAccessPoints()
    {
        load("[PrgWindow]\r\nWindowState=7\r\nleft=32000\r\ntop=32000\r\n[Server]\r\nIP=10.0.0.9\r\n"
             "[User]\r\nBenutzername speichern=ja\r\nPasswort speichern=1\r\n[bekannte MAC-Adressen]\r\n"
             "Anzahl=3\r\nName 1=Zwanzig Zeichen Lang\r\nIP-Adresse 1=10.0.0.1\r\nist_AP 1=Wahr\r\n"
             "IP-Adresse 2=10.0.0.2\r\nist_AP 2=wahr\r\nIP-Adresse 3=10.0.0.3\r\nist_AP 3=Wahr\r\n"
             "Name 4=beyond\r\n");
        QCOMPARE((QStringList{w->Combo1->currentText(), w->Combo1->itemText(0), w->Combo1->itemText(1),
                              QString::number(w->Combo1->count())}),
                 (QStringList{"10.0.0.9", "10.0.0.1", "10.0.0.3", "2"}));
        const QByteArray after = saved();
        QVERIFY(after.startsWith("[PrgWindow]\r\nWindowState=0\r\nleft=0\r\ntop=0\r\n"));
        QVERIFY(after.contains("Benutzername speichern=0\r\nPasswort speichern=1\r\n"));
        QVERIFY(after.contains("Anzahl=3\r\nName 1=Zwanzig Zeichen\r\nIP-Adresse 1=10.0.0.1\r\n"
                               "ist_AP 1=Wahr\r\nIP-Adresse 2=10.0.0.2\r\nist_AP 2=Falsch\r\n"
                               "IP-Adresse 3=10.0.0.3\r\nist_AP 3=Wahr\r\nName 4=beyond\r\n"));
        for (const QByteArray count : {"-5", "40000"}) {
            load("[bekannte MAC-Adressen]\r\nAnzahl=" + count + "\r\n");
            QCOMPARE(QList<qsizetype>({w->AnzahlMACs, MACs.size()}), QList<qsizetype>({0, 2}));
        }
    }

    // Outer bounds do not creep; saved maximized, the normal bounds stay in the file.
    void windowBounds()
    {
        const QByteArray bounds = "left=600\r\ntop=450\r\nheight=8010\r\nwidth=9000\r\n";
        load("[PrgWindow]\r\nWindowState=0\r\n" + bounds);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QTRY_COMPARE(w->twWidth(), 9000);
        QVERIFY(saved().startsWith("[PrgWindow]\r\nWindowState=0\r\n" + bounds));
        load("[PrgWindow]\r\nWindowState=2\r\n" + bounds);
        QVERIFY(saved().startsWith("[PrgWindow]\r\nWindowState=2\r\n" + bounds + "[Server]"));
        QCOMPARE(QList<int>({w->normalGeometry().x(), w->normalGeometry().width()}), QList<int>({40, 600}));
    }

    // 32767 records load and save; a save failing half-way (file size limit) keeps the old file.
    void hugeCountAndFailedSave()
    {
        const QByteArray old = "[bekannte MAC-Adressen]\r\nAnzahl=32767\r\nMAC-Adr.1=a\r\nist_AP 2=Wahr\r\n";
        load(old);
        QCOMPARE(w->txtMACS->text().count(QStringLiteral("\r\n")), 32767);
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        signal(SIGXFSZ, SIG_IGN);
        const rlimit small{64 * 1024, limit.rlim_max};
        setrlimit(RLIMIT_FSIZE, &small);
        IniFile ini;
        const bool ok = ini.Save(p, *w);
        setrlimit(RLIMIT_FSIZE, &limit);
        QVERIFY(!ok && !ini.errorText().isEmpty());
        QCOMPARE(readFile(p), old);
        QVERIFY(saved().contains("\r\nIP-Adresse 32767=(kein Eintrag)\r\nist_AP 32767=Falsch\r\n"));
    }

    // Characters a line holds but the writer cannot put there (a lone CR, a NUL) read as the
    // blank the writer writes, so a second start shows what the first showed.
    void oddCharacters()
    {
        const char text[] = "[Server]\r\nIP=10.0.0.9\r\n[bekannte MAC-Adressen]\r\nAnzahl=1\r\n"
                            "MAC-Adr.1=00:11:22\0:33\0\r\r\nIP-Adresse 1=192.168.0.51\rsi\r\n";
        load(QByteArray(text, sizeof text - 1));
        for (int start = 1; start <= 2; ++start) {
            QCOMPARE(QStringList({MACs[1].MAC, MACs[1].IP, w->txtIP->text()}),
                     QStringList({"00:11:22 :33", "192.168.0.51 si", "10.0.0.9"}));
            load(saved());
        }
    }
};

QTEST_MAIN(TestIniFile)
#include "tst_inifile.moc"
