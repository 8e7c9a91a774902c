#include <QtTest>
#include <QtWidgets>

#include "config/inifile.h"
#include "testsupport.h"
#include "ui/frmMonitor.h"
#include "ui/records.h"

// The window's side of the settings and the known clients: applying loaded settings,
// collecting them again, the record editor and the views on the "LOGIN" page.
class TestRecords : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
    const QString p = dir.filePath(QStringLiteral("SENVARO.INI"));
    std::unique_ptr<frmMonitor> w;
    ScriptedDialogs d;

    template <class T = QLineEdit> T *c(const char *name) const { return ctl<T>(*w, name); }

    // A start as far as the settings go: a fresh window, the file loaded and applied.
    void load(const QByteArray &content)
    {
        Settings s;
        QVERIFY(writeFile(p, content) && IniFile().load(p, s));
        w = std::make_unique<frmMonitor>();
        w->Form_Load();
        w->applySettings(s);
    }
    QByteArray saved() { return IniFile().Save(p, w->collectSettings()) ? readFile(p) : "save failed"; }
    static tMAC rec(const QString &n, const char *ap = "Falsch") { return {"mac-" + n, n, "ip-" + n, ap}; }
    void del(Dialogs::Answer a = Dialogs::Answer::Ok) { d.answer(a), c<QToolButton>("Command2")->click(); }
    void start(const QList<tMAC> &records)
    {
        d.clear();
        w = std::make_unique<frmMonitor>();
        w->Form_Load();
        Settings s;
        s.recordCount = qint16(records.size());
        s.clients = knownClients(records);
        w->applySettings(s);
        c("txtDatensatz")->setText(QStringLiteral("1"));
    }
    // "N(names) bar maximum/value editor number:name"
    QString state() const
    {
        QStringList n;
        const KnownClients &k = w->knownClients();
        for (int i = 1; i <= k.upperBound(); ++i)
            n << k.at(i).Name;
        return QStringLiteral("%1(%2) %3/%4 %5:%6")
            .arg(QString::number(k.upperBound()), n.join(','),
                 QString::number(c<QScrollBar>("scrDatensatz")->maximum()),
                 QString::number(c<QScrollBar>("scrDatensatz")->value()), c("txtDatensatz")->text(),
                 c("txtDataName")->text());
    }

private slots:
    // No records: the editor on an empty record 1. Access points fill Combo1 in record order, its
    // text stays "Server"'s address; a position off every screen starts at 0/0.
    void applyAndCollect()
    {
        load("Kopfzeile\r\n");
        const QStringList got{
            c("txtUser")->text(),      c<QComboBox>("Combo1")->currentText(),
            c("txtIP")->text(),        c<TextBox>("txtMACS")->text(),
            c("txtDatensatz")->text(), QString::number(c<QScrollBar>("scrDatensatz")->maximum())};
        QCOMPARE(got, (QStringList{"(kein Eintrag)", "192.168.0.1", "192.168.0.1", "", "1", "0"}));
        QVERIFY(
            saved().endsWith("Anzahl=1\r\nMAC-Adr.1=\r\nName 1=\r\nIP-Adresse 1=\r\nist_AP 1=Falsch\r\n"));

        load(
            "[PrgWindow]\r\nWindowState=7\r\nleft=32000\r\ntop=32000\r\n[Server]\r\nIP=10.0.0.9\r\n[User]\r\n"
            "Polling Zyklus in Sekunden=7\r\nPasswort speichern=1\r\n[bekannte MAC-Adressen]\r\n"
            "nur bekannte Clients=1\r\nAnzahl=3\r\nName 1=Dach\r\nIP-Adresse 1=10.0.0.1\r\nist_AP 1=Wahr\r\n"
            "IP-Adresse 2=10.0.0.2\r\nist_AP 2=wahr\r\nIP-Adresse 3=10.0.0.3\r\nist_AP 3=Wahr\r\n");
        QCOMPARE((QStringList{c<QComboBox>("Combo1")->currentText(), c<QComboBox>("Combo1")->itemText(0),
                              c<QComboBox>("Combo1")->itemText(1),
                              QString::number(c<QComboBox>("Combo1")->count()),
                              c<TextBox>("txtMACS")->text().section("\r\n", 0, 0)}),
                 (QStringList{"10.0.0.9", "10.0.0.1", "10.0.0.3", "2",
                              "(kein Eintrag)\tDach           \t10.0.0.1"}));
        QCOMPARE(QList<int>({w->collectSettings().recordCount, c<QScrollBar>("scrDatensatz")->maximum(),
                             w->session().timPoll_Power()->interval(), chkValue(c<QCheckBox>("ChksavePW")),
                             chkValue(c<QCheckBox>("chkBekClients"))}),
                 QList<int>({3, 3, 7000, 1, 1}));
        QVERIFY(saved().startsWith("[PrgWindow]\r\nWindowState=0\r\nleft=0\r\ntop=0\r\n"));
        KnownClients two; // replaced later: the bar and the views follow at once
        two.setUpperBound(2);
        two[2] = rec("ap", "Wahr");
        w->setKnownClients(two);
        QCOMPARE((QStringList{c<TextBox>("txtMACS")->text(), c<QComboBox>("Combo1")->itemText(0),
                              QString::number(c<QComboBox>("Combo1")->count()),
                              QString::number(c<QScrollBar>("scrDatensatz")->maximum()), c("txtIP")->text()}),
                 (QStringList{"\t\t\r\nmac-ap\tap\tip-ap\r\n", "ip-ap", "1", "2", "10.0.0.9"}));

        load("[bekannte MAC-Adressen]\r\nAnzahl=32767\r\n");
        QCOMPARE(c<TextBox>("txtMACS")->text().count(QStringLiteral("\r\n")), 32767);
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

    void editorFlows()
    {
        start({rec("a"), rec("b")});
        c<QScrollBar>("scrDatensatz")->setValue(2);
        del(Dialogs::Answer::Cancel);
        QCOMPARE(state(), QStringLiteral("2(a,b) 2/2 2:b"));
        QCOMPARE(d.asked().last().text, QStringLiteral("Diesen Datensatz wirklich löschen?"));
        QCOMPARE(d.asked().last().buttons, Dialogs::Buttons::OkCancel);
        del(); // the last one: the one before shows
        QCOMPARE(state(), QStringLiteral("1(a) 1/1 1:a"));
        del(); // the only one
        QCOMPARE(state(), QStringLiteral("0() 0/0 0:"));
        c<QToolButton>("Command2")->click(); // nothing left: no question, no change
        QCOMPARE(d.asked().size(), 3);

        // The record at the bar goes, not the one typed; the first place is refilled.
        start({rec("a"), rec("b"), rec("c")});
        c("txtDatensatz")->setText(QStringLiteral("3"));
        QCOMPARE(state(), QStringLiteral("3(a,b,c) 3/1 3:c"));
        del();
        QCOMPARE(state(), QStringLiteral("2(b,c) 2/1 1:b"));

        start({rec("a")});
        c<QToolButton>("cmdNewData")->click();
        c<QToolButton>("cmdNewData")->click();
        QCOMPARE(state(), QStringLiteral("3(a,,) 3/3 3:"));
        c("txtDataName")->setText(QStringLiteral("neu"));
        c<QCheckBox>("chkDataAP")->setChecked(true);
        c<QToolButton>("cmdSave")->click();
        QCOMPARE(w->knownClients().at(3).Name + w->knownClients().at(3).ist_AP, QStringLiteral("neuWahr"));
        c<QCheckBox>("chkDataAP")->setCheckState(Qt::PartiallyChecked); // greyed is not checked
        c<QToolButton>("cmdSave")->click();
        QCOMPARE(w->knownClients().at(3).ist_AP, QStringLiteral("Falsch"));
        c("txtDatensatz")->setText(QStringLiteral("1"));
        c("txtDatensatz")->setText(QStringLiteral("9")); // above N: the fields stay, nothing is stored
        c<QToolButton>("cmdSave")->click();
        QCOMPARE(state(), QStringLiteral("3(a,,neu) 3/3 9:a"));
        QVERIFY(d.asked().last().text.contains(QStringLiteral("1 bis 3")));

        start({}); // no record (a new settings file): "Neu" takes slot 1
        c<QToolButton>("cmdNewData")->click();
        QCOMPARE(state(), QStringLiteral("1() 1/1 1:"));
        c<QScrollBar>("scrDatensatz")->setMaximum(32767); // the most there can be
        c<QToolButton>("cmdNewData")->click();
        QCOMPARE(QList<int>({c<QScrollBar>("scrDatensatz")->maximum(), w->knownClients().upperBound()}),
                 QList<int>({32767, 1}));
        QVERIFY(d.asked().last().text.contains(QStringLiteral("32767")));
    }

    // Views keep the typed address; a cycle the timer cannot take keeps the one before.
    void viewsAndSettings()
    {
        start({rec("a"), rec("ap", "Wahr"), {"", "", "", "wahr"}});
        c<QComboBox>("Combo1")->setEditText(QStringLiteral("10.9.9.9"));
        w->refreshKnownClientViews();
        w->refreshKnownClientViews();
        QVERIFY(c<QComboBox>("Combo1")->count() == 1 &&
                c<QComboBox>("Combo1")->itemText(0) == QStringLiteral("ip-ap"));
        QCOMPARE(c<QComboBox>("Combo1")->currentText() + ' ' + c("txtIP")->text(),
                 QStringLiteral("10.9.9.9 10.9.9.9"));
        QCOMPARE(c<TextBox>("txtMACS")->text(),
                 QStringLiteral("mac-a\ta\tip-a\r\nmac-ap\tap\tip-ap\r\n\t\t\r\n"));
        c<QComboBox>("Combo1")->setCurrentIndex(0);
        QCOMPARE(c("txtIP")->text(), QStringLiteral("ip-ap"));

        w->session().timPoll_Power()->setEnabled(true);
        const QList<std::pair<QString, int>> cycles{{"2.5", 2500}, {"2,5", 2000}, {"1 0", 10000},   {"", 0},
                                                    {"70", 3000},  {"-1", 3000},  {"65.535", 65535}};
        for (const auto &[text, ms] : cycles) {
            c<QComboBox>("cmbZyklus")->setEditText(QStringLiteral("3"));
            c<QComboBox>("cmbZyklus")->setEditText(text);
            QVERIFY2(w->session().timPoll_Power()->interval() == ms &&
                         w->session().timPoll_Power()->enabled(),
                     qPrintable(text));
        }
        c("txtUser")->setText(QStringLiteral("ab"));
        c("txtPassw")->setText(QStringLiteral("ab"));
        c<QCheckBox>("ChkShowPW")->setChecked(true);
        QCOMPARE(c("txtUser")->displayText() + c("txtPassw")->displayText(), QStringLiteral("abab"));
        c<QCheckBox>("ChkShowPW")->setChecked(false);
        QCOMPARE(c("txtUser")->displayText() + c("txtPassw")->displayText(), QStringLiteral("##**"));
    }
};

QTEST_MAIN(TestRecords)
#include "tst_records.moc"
