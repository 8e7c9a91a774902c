#include <QtTest>
#include <QtWidgets>

#include "app/globals.h"
#include "config/inifile.h"
#include "config/inirw.h"
#include "testsupport.h"
#include "ui/frmMonitor.h"
#include "ui/records.h"

using namespace INIRW;

// The settings file: the INI layer, the settings it holds and the known-client records
// as the window edits them.
class TestIniFile : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
    const QString p = dir.filePath(QStringLiteral("SENVARO.INI"));
    QString path(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }
    static QString str(const char *k) { return GetPrivateIniString(QLatin1String(k), "-"); }
    static int num(const char *k) { return GetPrivateIniInt(QLatin1String(k), 99); }
    static int put(const char *k, const char *v) { return PutPrivateIniString(QLatin1String(k), v); }

    std::unique_ptr<frmMonitor> w;
    ScriptedDialogs d;
    QByteArray saved() { return IniFile().Save(p, *w) ? readFile(p) : "save failed"; }

    void load(const QByteArray &content)
    {
        QVERIFY(writeFile(p, content));
        MACs = QVector<tMAC>(2);
        w = std::make_unique<frmMonitor>();
        w->Form_Load();
        IniFile().load(p, *w);
    }
    static tMAC rec(const QString &n, const char *ap = "Falsch") { return {"mac-" + n, n, "ip-" + n, ap}; }
    void del(Dialogs::Answer a = Dialogs::Answer::Ok) { d.answer(a), w->Command2->click(); }
    void start(const QList<tMAC> &records)
    {
        d.clear();
        MACs = QVector<tMAC>(1) + (records.isEmpty() ? QList<tMAC>(1) : records);
        w = std::make_unique<frmMonitor>();
        w->Form_Load();
        setRecordMaximum(*w, int(records.size()));
        w->txtDatensatz->setText(QStringLiteral("1"));
    }
    // "N(names) bar maximum/value editor number:name"
    QString state() const
    {
        QStringList n;
        for (int i = 1; i < MACs.size(); ++i)
            n << MACs[i].Name;
        return QStringLiteral("%1(%2) %3/%4 %5:%6")
            .arg(QString::number(MACs.size() - 1), n.join(','), QString::number(w->scrDatensatz->maximum()),
                 QString::number(w->scrDatensatz->value()), w->txtDatensatz->text(), w->txtDataName->text());
    }

private slots:
    // Must run first: the layer stays registered for the rest of the process.
    void accessBeforeRegistrationIsReported()
    {
        ScriptedDialogs dialogs;
        QCOMPARE((QList<int>{num("x"), put("x", "1"), int(str("x").size())}), (QList<int>{0, 0, 0}));
        QCOMPARE(dialogs.asked().size(), 3);
        const Dialogs::Request &r = dialogs.asked().first();
        QCOMPARE(r.title, QStringLiteral("IniFile Logic Error"));
        QCOMPARE(r.text, QStringLiteral("[Section] and FileName Not Registered in Private.Ini!"));
        QVERIFY(r.buttons == Dialogs::Buttons::Ok && r.icon == Dialogs::Icon::Critical);
    }

    // Case and blanks around names do not count; the first of two equal keys does.
    void readsLikeTheIniFormat()
    {
        const QString p = path("read.ini");
        const QByteArray text =
            "Kopfzeile ohne Gleichheitszeichen \r\n\r\nKey=preamble\n[Other]\nname=other\xe4\r\n"
            "[ user ]\r\n  NAME  =  Hans Wurst  \n; Passwort=comment\nempty=\r\nbig=40000\n"
            "neg=-15\nmix=12abc\nword=abc\nname=second\nlong=";
        QVERIFY(writeFile(p, text + QByteArray(300, 'x')));
        RegisterPrivateIni(QStringLiteral("  USER "), QStringLiteral(" ") + p + QStringLiteral("  "));
        QCOMPARE((QStringList{str("name"), str("Passwort"), str("Key"), str("empty"), str("long")}),
                 (QStringList{"Hans Wurst", "-", "-", "", QString(254, QChar('x'))}));
        QCOMPARE((QList<int>{num("big"), num("neg"), num("mix"), num("word"), num("empty"), num("nix")}),
                 (QList<int>{-25536, -15, 12, 0, 99, 99}));
        RegisterPrivateIni(QStringLiteral("other"), p);
        QCOMPARE(str("NAME"), QString::fromLatin1("other\xe4"));
        RegisterPrivateIni(QStringLiteral("User"), path("none.ini"));
        QCOMPARE(str("name"), QStringLiteral("-"));
        QVERIFY(!QFile::exists(path("none.ini")));
    }

    // Only written lines change, a value cannot add lines; a new file is its owner's only.
    void writesLeaveOtherLinesAlone()
    {
        const QString p = path("write.ini");
        const auto owner = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
        QVERIFY(writeFile(p, "header line\n\n[A]\nx = old ; note\n; comment\ny=1\n\n[B]\nz=2"));
        QFile::setPermissions(p, owner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
        RegisterPrivateIni(QStringLiteral("a"), p);
        QCOMPARE(put("X", "new"), 1);
        PutPrivateIniInt(QStringLiteral("n"), -15);
        PutPrivateIniString(QStringLiteral("y"), std::nullopt);
        PutPrivateIniString(QStringLiteral("gone"), std::nullopt);
        RegisterPrivateIni(QStringLiteral("B"), p);
        put("w", "v\r\n[Evil]\r\nq=1");
        RegisterPrivateIni(QStringLiteral("C"), p);
        put("k", "");
        QCOMPARE(readFile(p), QByteArray("header line\n\n[A]\nx =new\n; comment\nn=-15\r\n\n[B]\nz=2\r\n"
                                         "w=v  [Evil]  q=1\r\n[C]\r\nk=\r\n"));
        QCOMPARE(QFile(p).permissions() & 0xF077, owner | QFileDevice::ReadGroup | QFileDevice::ReadOther);

        RegisterPrivateIni(QStringLiteral("S"), path("fresh.ini"));
        QCOMPARE(put("k", "v"), 1);
        QCOMPARE(readFile(path("fresh.ini")), QByteArray("[S]\r\nk=v\r\n"));
        QCOMPARE(QFile(path("fresh.ini")).permissions() & 0xF077, owner);
        RegisterPrivateIni(QStringLiteral("S"), path("no/such/folder.ini"));
        QCOMPARE(put("k", "v"), 0);
    }

    // First start: defaults, slot 1 saved empty and "Falsch". Then the example comes back.
    void freshFileAndExample()
    {
        load("Kopfzeile\r\n");
        const QStringList got{w->txtUser->text(),      w->Combo1->currentText(),
                              w->txtIP->text(),        w->txtMACS->text(),
                              w->txtDatensatz->text(), QString::number(w->scrDatensatz->maximum())};
        QCOMPARE(got, (QStringList{"(kein Eintrag)", "192.168.0.1", "192.168.0.1", "", "1", "0"}));
        const QByteArray fresh = saved();
        QCOMPARE(fresh.mid(fresh.indexOf("[Server]")),
                 "[Server]\r\nIP=192.168.0.1\r\n[User]\r\nName=\r\nPasswort=\r\n"
                 "Polling Zyklus in Sekunden=2\r\nBenutzername speichern=0\r\nPasswort speichern=0\r\n"
                 "Passwort anzeigen=0\r\n[bekannte MAC-Adressen]\r\nnur bekannte Clients=0\r\nAnzahl=1\r\n"
                 "MAC-Adr.1=\r\nName 1=\r\nIP-Adresse 1=\r\nist_AP 1=Falsch\r\n");

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

    // Values the window cannot take give the key's default; records above "Anzahl" stay;
    // the most records there can be load and save.
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
        load("[bekannte MAC-Adressen]\r\nAnzahl=40000\r\n"); // read as -25536: no records
        QCOMPARE(QList<qsizetype>({w->AnzahlMACs, MACs.size()}), QList<qsizetype>({0, 2}));
        load("[bekannte MAC-Adressen]\r\nAnzahl=32767\r\nMAC-Adr.1=a\r\nist_AP 2=Wahr\r\n");
        QCOMPARE(w->txtMACS->text().count(QStringLiteral("\r\n")), 32767);
        QVERIFY(saved().contains("\r\nIP-Adresse 32767=(kein Eintrag)\r\nist_AP 32767=Falsch\r\n"));
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

    void editorFlows()
    {
        start({rec("a"), rec("b")});
        w->scrDatensatz->setValue(2);
        del(Dialogs::Answer::Cancel);
        QCOMPARE(state(), QStringLiteral("2(a,b) 2/2 2:b"));
        QCOMPARE(d.asked().last().text, QStringLiteral("Diesen Datensatz wirklich löschen?"));
        QCOMPARE(d.asked().last().buttons, Dialogs::Buttons::OkCancel);
        del(); // the last one: the one before shows
        QCOMPARE(state(), QStringLiteral("1(a) 1/1 1:a"));
        del(); // the only one
        QCOMPARE(state(), QStringLiteral("0() 0/0 0:"));
        w->Command2->click(); // nothing left: no question, no change
        QCOMPARE(d.asked().size(), 3);

        // The record at the bar goes, not the one typed; the first place is refilled.
        start({rec("a"), rec("b"), rec("c")});
        w->txtDatensatz->setText(QStringLiteral("3"));
        QCOMPARE(state(), QStringLiteral("3(a,b,c) 3/1 3:c"));
        del();
        QCOMPARE(state(), QStringLiteral("2(b,c) 2/1 1:b"));

        start({rec("a")});
        w->cmdNewData->click();
        w->cmdNewData->click();
        QCOMPARE(state(), QStringLiteral("3(a,,) 3/3 3:"));
        w->txtDataName->setText(QStringLiteral("neu"));
        w->chkDataAP->setChecked(true);
        w->cmdSave->click();
        QCOMPARE(MACs[3].Name + MACs[3].ist_AP, QStringLiteral("neuWahr"));
        w->chkDataAP->setCheckState(Qt::PartiallyChecked); // greyed is not checked
        w->cmdSave->click();
        QCOMPARE(MACs[3].ist_AP, QStringLiteral("Falsch"));
        w->txtDatensatz->setText(QStringLiteral("1"));
        w->txtDatensatz->setText(QStringLiteral("9")); // above N: the fields stay, nothing is stored
        w->cmdSave->click();
        QCOMPARE(state(), QStringLiteral("3(a,,neu) 3/3 9:a"));
        QVERIFY(d.asked().last().text.contains(QStringLiteral("1 bis 3")));

        start({}); // no record (a new settings file): "Neu" takes slot 1
        w->cmdNewData->click();
        QCOMPARE(state(), QStringLiteral("1() 1/1 1:"));
        setRecordMaximum(*w, 32767); // the most there can be
        w->cmdNewData->click();
        QCOMPARE(QList<qsizetype>({w->scrDatensatz->maximum(), MACs.size()}), QList<qsizetype>({32767, 2}));
        QVERIFY(d.asked().last().text.contains(QStringLiteral("32767")));
    }

    // Views keep the typed address; a cycle the timer cannot take keeps the one before.
    void viewsAndSettings()
    {
        start({rec("a"), rec("ap", "Wahr"), {"", "", "", "wahr"}});
        w->Combo1->setEditText(QStringLiteral("10.9.9.9"));
        w->refreshKnownClientViews();
        w->refreshKnownClientViews();
        QVERIFY(w->Combo1->count() == 1 && w->Combo1->itemText(0) == QStringLiteral("ip-ap"));
        QCOMPARE(w->Combo1->currentText() + ' ' + w->txtIP->text(), QStringLiteral("10.9.9.9 10.9.9.9"));
        QCOMPARE(w->txtMACS->text(), QStringLiteral("mac-a\ta\tip-a\r\nmac-ap\tap\tip-ap\r\n\t\t\r\n"));
        w->Combo1->setCurrentIndex(0);
        QCOMPARE(w->txtIP->text(), QStringLiteral("ip-ap"));

        w->timPoll_Power->setEnabled(true);
        const QList<std::pair<QString, int>> cycles{{"2.5", 2500}, {"2,5", 2000}, {"1 0", 10000},   {"", 0},
                                                    {"70", 3000},  {"-1", 3000},  {"65.535", 65535}};
        for (const auto &[text, ms] : cycles) {
            w->cmbZyklus->setEditText(QStringLiteral("3"));
            w->cmbZyklus->setEditText(text);
            QVERIFY2(w->timPoll_Power->interval() == ms && w->timPoll_Power->enabled(), qPrintable(text));
        }
        w->txtUser->setText(QStringLiteral("ab"));
        w->txtPassw->setText(QStringLiteral("ab"));
        w->ChkShowPW->setChecked(true);
        QCOMPARE(w->txtUser->displayText() + w->txtPassw->displayText(), QStringLiteral("abab"));
        w->ChkShowPW->setChecked(false);
        QCOMPARE(w->txtUser->displayText() + w->txtPassw->displayText(), QStringLiteral("##**"));
    }
};

QTEST_MAIN(TestIniFile)
#include "tst_inifile.moc"
