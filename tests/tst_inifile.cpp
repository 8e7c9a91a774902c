#include <QtTest>
#include <QtWidgets>

#include "app/globals.h"
#include "app/startstop.h"
#include "config/inifile.h"
#include "testsupport.h"
#include "ui/frmMonitor.h"

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

namespace {
const QByteArray header =
    "Diese Ini-Datei wurde am 05.12.2026 von \r\n'monitor2.exe' automatisch generiert.\r\n\r\n";

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}
QStringList comboItems(const QComboBox *c)
{
    QStringList items;
    for (int i = 0; i < c->count(); ++i)
        items << c->itemText(i);
    return items;
}
} // namespace

class tst_inifile : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
    QString path(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }

    // A window after start-up with the given file loaded.
    std::unique_ptr<frmMonitor> loaded(const QString &file)
    {
        MACs = QVector<tMAC>(2);
        auto w = std::make_unique<frmMonitor>();
        w->Form_Load();
        IniFile().load(file, *w);
        return w;
    }

private slots:
    void exampleFileLineByLine()
    {
        const QString p = path("MONITOR2.INI");
        writeAll(p, header);
        auto w = loaded(p);
        w->setTwLeft(1200);
        w->setTwTop(900);
        w->Combo1->setEditText(QStringLiteral("192.168.0.50"));
        w->txtUser->setText(QStringLiteral("technik"));
        w->txtPassw->setText(QStringLiteral("g3heim"));
        w->cmbZyklus->setEditText(QStringLiteral("5"));
        w->ChksaveUser->setChecked(true);
        w->ChksavePW->setChecked(true);
        w->chkBekClients->setChecked(true);
        MACs = {{},
                {"00:11:22:33:44:55", "Dach           ", "192.168.0.51", "Wahr"},
                {"00:11:22:33:44:66", "Buero          ", "192.168.0.60", "Falsch"}};
        IniFile ini;
        QVERIFY(ini.Save(p, *w));
        // The window never gets smaller than its controls need: the size is the real one.
        const QString expected =
            QStringLiteral(R"(Diese Ini-Datei wurde am 05.12.2026 von%3
'monitor2.exe' automatisch generiert.

[PrgWindow]
WindowState=0
left=1200
top=900
height=%1
width=%2
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
Anzahl=2
MAC-Adr.1=00:11:22:33:44:55
Name 1=Dach%4
IP-Adresse 1=192.168.0.51
ist_AP 1=Wahr
MAC-Adr.2=00:11:22:33:44:66
Name 2=Buero%5
IP-Adresse 2=192.168.0.60
ist_AP 2=Falsch
)")
                .arg(QString::number(w->twHeight()), QString::number(w->twWidth()), QStringLiteral(" "),
                     QString(11, QChar(' ')), QString(10, QChar(' ')));
        QCOMPARE(QString::fromLatin1(readAll(p)).split(QStringLiteral("\r\n")), expected.split(QChar('\n')));

        // Round trip: the next start shows it all, and saving again changes nothing.
        const QByteArray first = readAll(p);
        auto w2 = loaded(p);
        QCOMPARE(w2->Combo1->currentText(), QStringLiteral("192.168.0.50"));
        QCOMPARE(comboItems(w2->Combo1), QStringList{"192.168.0.51"});
        QCOMPARE(w2->txtMACS->text(), QStringLiteral("00:11:22:33:44:55\tDach           \t192.168.0.51\r\n"
                                                     "00:11:22:33:44:66\tBuero          \t192.168.0.60\r\n"));
        QCOMPARE(w2->scrDatensatz->maximum(), 2);
        QCOMPARE(w2->timPoll_Power->interval(), 5000);
        QVERIFY(IniFile().Save(p, *w2));
        QCOMPARE(readAll(p), first);
    }

    // First start: only the header; the first save writes all defaults, empty record
    // fields as empty values, and they come back empty, not as an access point.
    void newFileDefaultsAndEmptySlot()
    {
        const QString p = path("NEW.INI");
        writeAll(p, header);
        auto w = loaded(p);
        QCOMPARE(w->txtIP->text(), QStringLiteral("192.168.0.1"));
        QCOMPARE(w->txtUser->text(), QStringLiteral("(kein Eintrag)"));
        QCOMPARE(w->timPoll_Power->interval(), 2000);
        QCOMPARE(w->scrDatensatz->maximum(), 0);
        QCOMPARE(w->txtDatensatz->text(), QStringLiteral("1")); // the editor works on slot 1
        QVERIFY(w->txtMACS->text().isEmpty());
        QVERIFY(IniFile().Save(p, *w));
        const QByteArray saved = readAll(p);
        QVERIFY(saved.startsWith(header + "[PrgWindow]\r\n"));
        QVERIFY(saved.contains("Name=\r\nPasswort=\r\n")); // not to be kept
        QVERIFY(saved.endsWith("Anzahl=1\r\nMAC-Adr.1=\r\nName 1=\r\nIP-Adresse 1=\r\nist_AP 1=Falsch\r\n"));
        auto w2 = loaded(p);
        QCOMPARE(w2->txtUser->text(), QString());
        QCOMPARE(w2->Combo1->count(), 0);
        QCOMPARE(w2->txtMACS->text(), QStringLiteral("\t               \t\r\n"));
    }

    // Values the window cannot take give the key's default; names are cut to 15; only
    // the exact word "Wahr" lists an address; records above "Anzahl" stay untouched.
    void oddValuesNamesAndAccessPoints()
    {
        const QString p = path("ODD.INI");
        writeAll(p,
                 "[PrgWindow]\r\nWindowState=7\r\nleft=32000\r\ntop=32000\r\n[Server]\r\nIP=10.0.0.9\r\n"
                 "[User]\r\nBenutzername speichern=ja\r\nPasswort speichern=1\r\n[bekannte MAC-Adressen]\r\n"
                 "Anzahl=3\r\nName 1=Zwanzig Zeichen Lang\r\nIP-Adresse 1=10.0.0.1\r\nist_AP 1=Wahr\r\n"
                 "IP-Adresse 2=10.0.0.2\r\nist_AP 2=wahr\r\nIP-Adresse 3=10.0.0.3\r\nist_AP 3=Wahr\r\n"
                 "Name 4=beyond\r\n");
        auto w = loaded(p);
        QCOMPARE(w->windowStateValue(), 0);
        QCOMPARE(w->twLeft(), 0);
        QCOMPARE(chkValue(w->ChksaveUser), 0);
        QCOMPARE(chkValue(w->ChksavePW), 1);
        QCOMPARE(MACs[1].Name, QStringLiteral("Zwanzig Zeichen"));
        QCOMPARE(MACs[2].MAC, QStringLiteral("(kein Eintrag)"));
        QCOMPARE(comboItems(w->Combo1), (QStringList{"10.0.0.1", "10.0.0.3"}));
        QCOMPARE(w->Combo1->currentText(), QStringLiteral("10.0.0.9"));
        QVERIFY(IniFile().Save(p, *w));
        const QByteArray saved = readAll(p);
        QVERIFY(saved.contains("Name 1=Zwanzig Zeichen\r\n"));
        QVERIFY(saved.contains("ist_AP 2=Falsch\r\n"));
        QVERIFY(saved.contains("\r\nist_AP 3=Wahr\r\nName 4=beyond\r\n"));

        for (const QByteArray count : {"-5", "40000"}) {
            writeAll(p, "[bekannte MAC-Adressen]\r\nAnzahl=" + count + "\r\n");
            auto w3 = loaded(p);
            QCOMPARE(w3->AnzahlMACs, qint16(0));
            QCOMPARE(MACs.size(), 2);
        }
    }

    // What is set survives "ENDE" and the next start; closing by the close box keeps
    // nothing.
    void survivesEndAndNextStart()
    {
        QTemporaryDir folder;
        const QString exe = folder.filePath(QStringLiteral("senvaro"));
        ScriptedDialogs dialogs;
        ProcessEndRecorder ends;
        dialogs.answer(Dialogs::Answer::Yes);
        std::unique_ptr<frmMonitor> w(StartStop::Main(exe, QString()));
        QVERIFY(w);
        QVERIFY(readAll(IniPfad).contains("\r\nPolling Zyklus in Sekunden=2\r\n"));
        w->Combo1->setEditText(QStringLiteral("10.0.0.7"));
        w->cmbZyklus->setEditText(QStringLiteral("7"));
        w->cmdNewData->click();
        w->txtDataName->setText(QStringLiteral("Lager"));
        w->cmdSave->click();
        w->CmdEnde->click();
        QCOMPARE(ends.calls(), 1);
        MACs = QVector<tMAC>(2);
        w.reset(StartStop::Main(exe, QString()));
        QCOMPARE(w->txtIP->text(), QStringLiteral("10.0.0.7"));
        QCOMPARE(w->timPoll_Power->interval(), 7000);
        QCOMPARE(MACs[1].Name, QStringLiteral("Lager          "));
        w->cmbZyklus->setEditText(QStringLiteral("9"));
        w->close();
        MACs = QVector<tMAC>(2);
        w.reset(StartStop::Main(exe, QString()));
        QCOMPARE(w->cmbZyklus->currentText(), QStringLiteral("7"));
        QCOMPARE(dialogs.asked().size(), 1);
    }

    // Shown with its frame, the window has the stored outer bounds, so saving writes
    // them back unchanged (it does not creep from start to start). Saved maximized, the
    // bounds stay as they were and remain what un-maximizing returns to.
    void windowBounds()
    {
        const QString p = path("BOUNDS.INI");
        const QByteArray bounds = "left=600\r\ntop=450\r\nheight=8010\r\nwidth=9000\r\n";
        writeAll(p, "[PrgWindow]\r\nWindowState=0\r\n" + bounds);
        auto w = loaded(p);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QTRY_COMPARE(w->twWidth(), 9000);
        QCOMPARE(QList<int>({w->twLeft(), w->twTop(), w->twHeight()}), QList<int>({600, 450, 8010}));
        QVERIFY(IniFile().Save(p, *w));
        QVERIFY(readAll(p).startsWith("[PrgWindow]\r\nWindowState=0\r\n" + bounds));

        writeAll(p, "[PrgWindow]\r\nWindowState=2\r\n" + bounds);
        auto m = loaded(p);
        QCOMPARE(m->windowStateValue(), 2);
        QVERIFY(IniFile().Save(p, *m));
        QVERIFY(readAll(p).startsWith("[PrgWindow]\r\nWindowState=2\r\n" + bounds + "[Server]"));
        QCOMPARE(m->normalGeometry().x() * 15, 600);
        QCOMPARE(m->normalGeometry().width() * 15, 9000);
    }

    void hugeCountLoadsQuickly()
    {
        const QString p = path("HUGE.INI");
        writeAll(p, "[bekannte MAC-Adressen]\r\nAnzahl=32767\r\nMAC-Adr.1=a\r\nist_AP 2=Wahr\r\n");
        QElapsedTimer t;
        t.start();
        auto w = loaded(p);
        QVERIFY2(t.elapsed() < 3000, qPrintable(QString::number(t.elapsed())));
        QCOMPARE(MACs.size(), 32768);
        QCOMPARE(MACs[32767].IP, QStringLiteral("(kein Eintrag)"));
        QCOMPARE(w->txtMACS->text().count(QStringLiteral("\r\n")), 32767);
        QCOMPARE(comboItems(w->Combo1), QStringList{"(kein Eintrag)"});
        t.restart();
        QVERIFY(IniFile().Save(p, *w));
        QVERIFY2(t.elapsed() < 3000, qPrintable(QString::number(t.elapsed())));
        QVERIFY(readAll(p).contains("\r\nist_AP 32767=Falsch\r\n"));
    }

    // A write that fails half-way (here: the file size limit, as on a full disk) must
    // leave the old file as it was, and say so.
    void failedWriteKeepsTheOldFile()
    {
#ifdef Q_OS_UNIX
        const QString p = path("FULL.INI");
        writeAll(p, header + "[Server]\r\nIP=10.1.1.1\r\n");
        const QByteArray old = readAll(p);
        auto w = loaded(p);
        MACs.resize(3001);
        for (int i = 1; i <= 3000; ++i)
            MACs[i] = {QStringLiteral("00:11:22:33:44:55"), QString(15, QChar('N')),
                       QStringLiteral("10.0.0.1"), "Wahr"};
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = 64 * 1024;
        setrlimit(RLIMIT_FSIZE, &small);
        IniFile ini;
        const bool ok = ini.Save(p, *w);
        setrlimit(RLIMIT_FSIZE, &saved);
        QVERIFY(!ok);
        QVERIFY(!ini.errorText().isEmpty());
        QCOMPARE(readAll(p), old);
        QVERIFY(IniFile().Save(p, *w));
        QVERIFY(readAll(p).contains("\r\nist_AP 3000=Wahr\r\n"));
#else
        QSKIP("needs a file size limit");
#endif
    }
};

QTEST_MAIN(tst_inifile)
#include "tst_inifile.moc"
