#include <QtTest>
#include <QtWidgets>

#include <algorithm>

#include "app/startstop.h"
#include "apsim.h"
#include "config/inifile.h"
#include "exporter/apwatch.h"
#include "monitor/history.h"
#include "monitor/historylog.h"
#include "monitor/stations.h"
#include "monitor/vendors.h"
#include "testsupport.h"
#include "ui/chart.h"
#include "ui/frmMonitor.h"
#include "ui/loginpage.h"
#include "ui/windowgeometry.h"
#include "windowfixture.h"

// clang-format off

// The settings and the known clients in the window (case tables packed by hand).
class TestWindowSetup : public QObject, public WindowFixture
{
    Q_OBJECT

    // clang-format off

private slots:
    void init() { reset(); }

    // The window's side of the settings and the known clients: applying loaded settings,
    // collecting them again, the record editor and the views on the "LOGIN" page.
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
        w->setKnownClients(knownClients({{}, rec("ap", "Wahr")})); // the bar and the views follow at once
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
        QTRY_COMPARE(twWidth(w.get()), 9000);
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
        QCOMPARE(w->knownClients().at(2).Name + w->knownClients().at(2).ist_AP, QStringLiteral("neuWahr"));
        c<QCheckBox>("chkDataAP")->setCheckState(Qt::PartiallyChecked); // greyed is not checked
        c<QToolButton>("cmdSave")->click();
        QCOMPARE(w->knownClients().at(2).ist_AP, QStringLiteral("Falsch"));
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
        QCOMPARE(QList<int>({c<QScrollBar>("scrDatensatz")->maximum(), w->knownClients().size()}),
                 QList<int>({32767, 1}));
        QVERIFY(d.asked().last().text.contains(QStringLiteral("32767")));
    }

    // A reply is judged by the records and the switch as the window shows them at that
    // moment: a record saved on Setup names the next reply's station (and reaches the station
    // monitor at once), a new one too, a deleted one no longer; the switch filters from the
    // next reply on.
    void filterFollowsEdits()
    {
        const QString dach = QStringLiteral("00:11:22:33:44:55");
        const auto save = [this](const QString &mac, const QString &name) {
            c<QTabWidget>("SSTab1")->setCurrentIndex(frmMonitor::PageSetup);
            c("txtDataMAC")->setText(mac);
            c("txtDataName")->setText(name);
            c<QToolButton>("cmdSave")->click();
        };
        start({rec("a")});
        save(dach, QStringLiteral("Dach"));
        QVERIFY(w->stationMonitor().device(dach) && w->stationMonitor().device(dach)->name == "Dach");
        evaluate(EXAMPLE);
        QCOMPARE(shownOf(*w), QStringLiteral("0=Dach|1=00:0A:0B:0C:0D:0E 2"));
        c<QCheckBox>("chkBekClients")->setChecked(true);
        evaluate(EXAMPLE);
        QCOMPARE(shownOf(*w), QStringLiteral("0=Dach 1"));

        c<QToolButton>("cmdNewData")->click(); // record 2
        save(QStringLiteral("00:0A:0B:0C:0D:0E"), QStringLiteral("Keller"));
        evaluate(EXAMPLE);
        QCOMPARE(shownOf(*w), QStringLiteral("0=Dach|1=Keller 2"));
        c<QTabWidget>("SSTab1")->setCurrentIndex(frmMonitor::PageSetup);
        c<QScrollBar>("scrDatensatz")->setValue(1);
        del();
        evaluate(EXAMPLE);
        QCOMPARE(shownOf(*w), QStringLiteral("1=Keller 1"));
        c<QCheckBox>("chkBekClients")->setChecked(false);
        evaluate(EXAMPLE);
        QCOMPARE(shownOf(*w), QStringLiteral("0=00:11:22:33:44:55|1=Keller 2"));
    }

    // Views keep the typed address; a cycle the timer cannot take keeps the one before.
    void viewsAndSettings()
    {
        start({rec("a"), rec("ap", "Wahr"), {"", "", "", "wahr"}});
        c<QComboBox>("Combo1")->setEditText(QStringLiteral("10.9.9.9"));
        page<LoginPage>(*w)->refreshKnownClientViews(w->knownClients());
        page<LoginPage>(*w)->refreshKnownClientViews(w->knownClients());
        QVERIFY(c<QComboBox>("Combo1")->count() == 1 &&
                c<QComboBox>("Combo1")->itemText(0) == QStringLiteral("ip-ap"));
        QCOMPARE(c<QComboBox>("Combo1")->currentText() + ' ' + c("txtIP")->text(),
                 QStringLiteral("10.9.9.9 10.9.9.9"));
        QCOMPARE(c<TextBox>("txtMACS")->text(),
                 QStringLiteral("mac-a\ta\tip-a\r\nmac-ap\tap\tip-ap\r\n\t\t\r\n"));
        c<QComboBox>("Combo1")->setCurrentIndex(0);
        QCOMPARE(c("txtIP")->text(), QStringLiteral("ip-ap"));

        w->session().timPoll_Power()->setEnabled(true);
        const QList<std::pair<QString, int>> cycles{{"2.5", 2500},    {"2,5", 2000}, {"1 0", 10000},
                                                    {"", 3000},       {"70", 3000},  {"-1", 3000},
                                                    {"65.535", 65535}};
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
    // clang-format off

    void setupAndLoginPages()
    {
        frmMonitor w;
        w.Form_Load();
        auto *tabs = ctl<QTabWidget>(w, "SSTab1");
        KnownClients clients;
        clients.resize(0); // no record 1: "Setup" adds an empty one
        w.setKnownClients(clients);
        tabs->setCurrentIndex(5);
        QCOMPARE(w.knownClients().size(), 1);
        // more records stay; record 1 is shown and listed
        w.setKnownClients(knownClients({{"00:11:22:33:44:55", "Bürozugang", "10.0.0.7", "Wahr"}, {}, {}}));
        ctl<TextBox>(w, "txtMACS")->setText(QString());
        tabs->setCurrentIndex(0);
        QVERIFY(ctl<TextBox>(w, "txtMACS")->text().contains(QStringLiteral("00:11:22:33:44:55")));
        ctl<QLineEdit>(w, "txtDataName")->clear();
        tabs->setCurrentIndex(5);
        QCOMPARE(w.knownClients().size(), 3);
        QCOMPARE(ctl<QLineEdit>(w, "txtDataName")->text(), QStringLiteral("Bürozugang"));
    }
};
// clang-format on

QTEST_MAIN(TestWindowSetup)
#include "tst_window_setup.moc"
