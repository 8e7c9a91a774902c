// The window as the session's listener, against the simulator on a stepped clock: login,
// logout, wrong password, failed connections, the test page's buttons with their bytes, and
// the desktop alerts.
#include <QtTest>
#include <QtWidgets>

#include "app/startstop.h"
#include "apsim.h"
#include "config/inifile.h"
#include "monitor/history.h"
#include "notifyserver.h"
#include "testsupport.h"
#include "ui/alertsdialog.h"
#include "ui/alertview.h"
#include "ui/chart.h"
#include "ui/frmMonitor.h"
#include "ui/loginpage.h"
#include "ui/notifier.h"

namespace {

const QString ANNA = "00:11:22:33:44:55", BERT = "02:00:00:00:00:0B", GAST = "00:0A:0B:0C:0D:0E";
const QString IP = "127.0.9.1"; // an address no other test listens on

} // namespace

class TestWindowAlerts : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        const QString failed = server.start();
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        m_ini = m_dir.filePath(QStringLiteral("SENVARO.INI"));
        QVERIFY(writeFile(m_dir.filePath("oui.csv"),
                          "Registry,Assignment,Organization Name,Organization Address\r\n"
                          "MA-L,001122,Parent Maker,x\r\nMA-L,000A0B,Gast Werke,x\r\n"));
    }

    // Desktop alerts: stations leave for less and for more than the grace period, a stranger
    // comes, a level fades, the access point falls silent. The alerts reach a recording
    // notification server on a private bus (or, without one, the event list and the status
    // line), the CSV log and the tray state.
    void scenario_data()
    {
        QTest::addColumn<QString>("bus");
        QTest::addColumn<QString>("off"); // switches turned off: L left, S stranger, W weak, A access point
        QTest::addColumn<QStringList>("expected");
        // Summary, replaced id, urgency; the stranger is reported again after a new login, and
        // the access point's notification is replaced again when it closes the connection.
        const QStringList all{"Unbekannte Station|0|2", "Schwaches Signal|0|1",
                              "Signal wieder gut|42|1", "Access Point antwortet nicht|0|2",
                              "Station getrennt|0|1",   "Access Point antwortet wieder|44|1",
                              "Unbekannte Station|41|2"};
        const QString lost = "Verbindung getrennt|%1|2";
        const auto row = [](const char *name, const char *bus, const char *off, const QStringList &expected) {
            QTest::newRow(name) << QString(bus) << QString(off) << expected;
        };
        row("all on", "server", "", all + QStringList{lost.arg(46)});
        row("left off", "server", "L", all.mid(0, 4) + all.mid(5) + QStringList{lost.arg(45)});
        row("others off", "server", "SWA", {"Station getrennt|0|1"});
        row("no service", "none", "", all + QStringList{lost});
        row("no bus", "nobus", "", all + QStringList{lost});
    }
    void scenario()
    {
        QFETCH(QString, bus);
        QFETCH(QString, off);
        QFETCH(QStringList, expected);
        QVERIFY(server.reset() && server.offer(bus != "none"));
        QFile::remove(m_dir.filePath("SENVARO-Verlauf-2026-03-01.csv"));
        apsim::ApSim sim;
        sim.options().stations = {station(ANNA), station(BERT)};
        QVERIFY(sim.listen(QHostAddress(IP)));
        auto clock = std::make_shared<SteppedClock>();
        frmMonitor w(nullptr, clock);
        StartStop::attach(w, m_ini);
        w.setVendorFolder(m_dir.path());
        w.alertView().setNotificationBus(
            bus == "nobus" ? QDBusConnection::connectToBus("unix:path=/nonexistent/bus", "nobus")
                           : server.client());
        AlertSettings settings;
        settings.stationLeft = !off.contains('L');
        settings.stranger = !off.contains('S');
        settings.weakSignal = !off.contains('W');
        settings.accessPoint = !off.contains('A');
        w.alertWatch().setSettings(settings);
        w.setKnownClients(
            knownClients({{ANNA, "Laptop Anna    ", "", "Falsch"}, {BERT, "Bert           ", "", "Falsch"}}));
        startLogin(w, IP);
        ctl<QComboBox>(w, "cmbZyklus")->setEditText("2");
        const auto run = [&](int seconds) {
            for (int step = 0; step < seconds * 10; ++step) {
                clock->advance(100);
                QTest::qWait(1); // the simulator's reply, over loopback
            }
        };
        const auto stations = [&](const QList<apsim::Station> &list) { sim.options().stations = list; };

        run(10);
        QCOMPARE(w.alertView().trayState().picture, TrayState::Picture::Connected);
        QCOMPARE(w.alertView().trayState().toolTip, "Senvaro: " + IP + ": 2 Stationen");
        stations({station(BERT)}); // Anna away for less than the grace period
        run(20);
        stations({station(ANNA), station(BERT, 10), station(GAST)}); // a stranger; Bert fades
        run(10);
        stations({station(ANNA), station(BERT), station(GAST)});
        ctl<QCheckBox>(w, "chkVerlauf")->setChecked(true); // only now: the stranger first asked for makers
        run(4);
        stations({station(BERT), station(GAST)}); // Anna leaves for good
        run(10);
        sim.options().noReply = true; // silent: only the grace timer can report Anna now
        run(55);
        QCOMPARE(w.alertView().trayState().picture, TrayState::Picture::NoAnswer);
        QCOMPARE(w.alertView().trayState().toolTip, "Senvaro: " + IP + " antwortet nicht");
        sim.options().noReply = false; // answered again once the poll is sent anew
        run(12);
        QCOMPARE(w.alertView().trayState().picture,
                 TrayState::Picture::Connected); // green again, not yellow for good
        if (bus != "server")                     // shown after the session's own caption of the same moment
            QCOMPARE(ctl<QLabel>(w, "lblStatus")->text(),
                     "Access Point antwortet wieder\r\nDer Access Point " + IP + " antwortet wieder");
        page<LoginPage>(w)->Cmd_logout_Click();
        run(2);
        page<LoginPage>(w)->CmdLogin_Click();
        run(10);
        sim.closeConnections();
        run(1);
        QCOMPARE(w.alertView().trayState(),
                 (TrayState{TrayState::Picture::NoConnection, "Senvaro: keine Verbindung zum AP"}));

        QStringList events, summaries;
        for (const HistoryEvent &e : w.history().events())
            if (!e.alert.isEmpty())
                events << e.alert;
        for (const QString &line : expected)
            summaries << line.section('|', 0, 0);
        QCOMPARE(events.join(", "), summaries.join(", "));
        if (bus == "server") {
            QTRY_COMPARE(server.calls.size(), expected.size());
            QStringList calls;
            for (const NotifyServer::Call &c : server.calls)
                calls << QStringLiteral("%1|%2|%3")
                             .arg(c.summary)
                             .arg(c.replaces)
                             .arg(c.hints["urgency"].toInt());
            QCOMPARE(calls, expected);
            QCOMPARE(server.calls[0].hints["urgency"].metaType(), QMetaType::fromType<uchar>());
            for (const NotifyServer::Call &c : server.calls)
                if (c.summary == "Station getrennt")
                    QCOMPARE(QStringList({c.app, c.body, c.hints["category"].toString(),
                                          c.hints["desktop-entry"].toString(), QString::number(c.timeout)}),
                             QStringList({"Senvaro",
                                          "Laptop Anna (" + ANNA +
                                              ") seit 60 s nicht mehr verbunden (Hersteller: Parent Maker)",
                                          "network.disconnected", "io.github.senvaro.senvaro", "-1"}));
                else if (c.summary == "Unbekannte Station") // waited for the makers being read
                    QCOMPARE(c.body,
                             GAST + " ist nicht in der Liste der bekannten Clients und hat sich verbunden "
                                    "(Hersteller: Gast Werke)");
                else if (c.summary == "Signal wieder gut")
                    QCOMPARE(c.body, "Bert (" + BERT + "): Empfangspegel wieder 50 % (private Adresse)");
        } else {
            QTRY_COMPARE(ctl<QLabel>(w, "lblStatus")->text(),
                         "Verbindung getrennt\r\nDie Verbindung zum Access Point " + IP + " ist abgebrochen");
            QCOMPARE(server.calls.size(), 0);
        }
        const QByteArray csv = readFile(m_dir.filePath("SENVARO-Verlauf-2026-03-01.csv"));
        QVERIFY(csv.contains(";Messwert;" + ANNA.toLatin1() + ";Laptop Anna;50;50;54;11g;Parent Maker\r\n"));
        QCOMPARE(csv.contains(";Station getrennt;" + ANNA.toLatin1() + ";Laptop Anna;;;;;Parent Maker\r\n"),
                 !off.contains('L'));
    }

    // A second alert of a station while the call for its first is still out: the newest goes
    // once the answer is in, replacing the first.
    void sameKeyWhileOut()
    {
        QVERIFY(server.reset());
        server.hold = true;
        Notifier n(server.client());
        QSignalSpy delivered(&n, &Notifier::delivered);
        const auto alert = [](const char *summary) {
            Alert a;
            a.key = QStringLiteral("station/A");
            a.summary = QString::fromLatin1(summary);
            return a;
        };
        QVERIFY(n.notify(alert("eins")));
        QTRY_COMPARE_WITH_TIMEOUT(server.held.size(), 1, 10000);
        QVERIFY(n.notify(alert("zwei")));
        QVERIFY(n.notify(alert("drei")));
        // The window's event loop keeps running while the answer is out.
        bool ran = false;
        QTimer::singleShot(0, this, [&ran] { ran = true; });
        QTRY_VERIFY_WITH_TIMEOUT(ran, 10000);
        QCOMPARE(server.calls.size(), 1);
        QCOMPARE(delivered.count(), 0);

        server.hold = false;
        QVERIFY(server.bus().send(server.held.takeFirst().createReply(QVariant::fromValue(7u))));
        QTRY_COMPARE_WITH_TIMEOUT(delivered.count(), 2, 10000);
        QCOMPARE(server.calls.size(), 2);
        QCOMPARE(server.calls[1].summary, QStringLiteral("drei"));
        QCOMPARE(server.calls[1].replaces, 7u);
    }

    // The dialog's values reach the settings file, as keys of their own written only once
    // changed: OK applies, Abbrechen drops, and the next start shows what was kept.
    void settingsDialog()
    {
        QVERIFY(writeFile(m_ini, "[User]\r\nName=x\r\n"));
        const QByteArray added = "[Benachrichtigungen]\r\nschwaches Signal=0\r\nKarenzzeit in Sekunden=90\r\n"
                                 "beim Minimieren in den Infobereich=1\r\n";
        // the button, the grace shown, whether the keys are in the file afterwards
        for (const auto &[button, shownGrace, keys] :
             {std::tuple{"cmdAbbrechen", 60, false}, {"cmdOK", 60, true}, {"cmdAbbrechen", 90, true}}) {
            frmMonitor w;
            StartStop::attach(w, m_ini);
            w.Form_Load();
            Settings s;
            QVERIFY(IniFile().load(m_ini, s));
            w.applySettings(s);
            ctl<QPushButton>(w, "cmdBenachrichtigungen")->click();
            auto *d = ctl<AlertsDialog>(w, "dlgBenachrichtigungen");
            QCOMPARE(ctl<QSpinBox>(*d, "spnKarenzzeit")->value(), shownGrace);
            ctl<QSpinBox>(*d, "spnKarenzzeit")->setValue(90);
            ctl<QCheckBox>(*d, "chkSchwach")->setChecked(false);
            ctl<QCheckBox>(*d, "chkInfobereich")->setChecked(true);
            ctl<QPushButton>(*d, button)->click();
            QVERIFY(IniFile().Save(m_ini, w.collectSettings()));
            const QByteArray file = readFile(m_ini);
            QCOMPARE(file.mid(file.contains("[Benachrichtigungen]") ? file.indexOf("[Benachrichtigungen]")
                                                                    : file.size()),
                     keys ? added : QByteArray());
        }
    }

private:
    QTemporaryDir m_dir;
    QString m_ini; // the settings file beside the history log
    NotifyServer server;
    ScriptedDialogs m_dialogs; // no test may hang on a real message box
};

QTEST_MAIN(TestWindowAlerts)
#include "tst_window_alerts.moc"
