#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QtTest>

#include "app/globals.h"
#include "apsim.h"
#include "config/inifile.h"
#include "monitor/allgemein.h"
#include "monitor/auswerten.h"
#include "monitor/history.h"
#include "monitor/historylog.h"
#include "testsupport.h"
#include "ui/frmMonitor.h"
#include "ui/historypage.h"

namespace {

const QString SEP(49, QLatin1Char('*'));
const QString A = QStringLiteral("00:11:22:33:44:55");
const QString B = QStringLiteral("00:0A:0B:0C:0D:0E");
const QString C = QStringLiteral("00:1B:11:A0:00:03");
const QString FULL = QStringLiteral(" RxSignalStrength: 40 AckSignalStrength: 32 Authentication Type: Open "
                                    "WLAN Mode: 11g, Rx Data Rate: 54 Encryption: Off");

QString reply(const QStringList &blocks)
{
    QString r = QStringLiteral("get station\r\n");
    for (const QString &b : blocks)
        r += SEP + b + QStringLiteral("\r\n");
    return r + QStringLiteral("DWL-2100AP> ");
}

// The log's lines without their time, "|"-joined.
QString logLines(const QString &file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("(keine Datei)");
    QStringList out;
    const QStringList lines =
        QString::fromLatin1(f.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    for (const QString &l : lines.mid(1))
        out << l.section(QLatin1Char(';'), 1);
    return out.join(QLatin1Char('|'));
}

} // namespace

// The signal history as the window records, shows and logs it.
class TestHistoryWindow : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void init()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        IniPfad = dir.filePath(QStringLiteral("SENVARO.INI"));
        MACs = QVector<tMAC>(2);
    }

    // A scripted sequence of replies: each evaluation adds its samples and events to the
    // history and, with the log on, to the day's file; only station replies of the polling
    // phase count, and nothing once the window has unloaded.
    void recordingSequence()
    {
        frmMonitor w;
        w.Form_Load();
        w.chkVerlauf->setChecked(true);
        const QString file = w.historyLog->filePath(QDate::currentDate());
        QFile::remove(file);
        const QString a = QStringLiteral("Messwert;") + A + QLatin1Char(';');
        struct Step
        {
            QString reply;
            bool knownOnly;
            bool loginPhase;
            QString logged; // new lines of the log
        };
        const QList<Step> steps = {
            {reply({A + FULL, B + " RxSignalStrength(per cent): 62"}), false, false,
             a + A + ";62,5;50;54;11g|Messwert;" + B + ";" + B + ";62;0;0;|verbunden;" + A + ";" + A +
                 ";;;;|verbunden;" + B + ";" + B + ";;;;"},
            {reply({A + FULL}), false, false, a + A + ";62,5;50;54;11g|getrennt;" + B + ";" + B + ";;;;"},
            // From here A is the known client "Laptop Anna".
            {reply({A + FULL, C + " RxSignalStrength: 16"}), false, false,
             a + "Laptop Anna;62,5;50;54;11g|Messwert;" + C + ";" + C + ";25;0;0;|verbunden;" + C + ";" + C +
                 ";;;;"},
            {reply({A + FULL, C + " RxSignalStrength: 16"}), true, false,
             a + "Laptop Anna;62,5;50;54;11g|getrennt;" + C + ";" + C + ";;;;"},
            {"get station\r\nNo station associated.\r\nDWL-2100AP> ", true, false,
             "getrennt;" + A + ";Laptop Anna;;;;"},
            {reply({A + FULL}), false, true, ""},                                     // login phase
            {"version\r\nSOFTWARE_VERSION: v2.50\r\nDWL-2100AP> ", false, false, ""}, // no station reply
            {"get rate\r\nUnknown command\r\nDWL-2100AP> ", false, false, ""},
        };
        QString logged;
        for (int i = 0; i < steps.size(); ++i) {
            if (i == 2)
                MACs[1] = {A, QStringLiteral("Laptop Anna    "), QStringLiteral("10.0.0.7"),
                           QStringLiteral("Falsch")};
            setChkValue(w.chkBekClients, steps[i].knownOnly);
            w.loginPhase = steps[i].loginPhase;
            AntwortAuswertung(w, steps[i].reply);
            const QString all = logLines(file);
            QCOMPARE(all.mid(logged.size()).section(QLatin1Char('|'), logged.isEmpty() ? 0 : 1),
                     steps[i].logged);
            logged = all;
        }
        // A renamed known client stays one station, shown under its latest name.
        QCOMPARE(w.history->tracks().size(), size_t(3));
        QCOMPARE(w.history->track(A)->name, QStringLiteral("Laptop Anna"));
        QCOMPARE(w.history->events().size(), size_t(6));

        w.loginPhase = false;
        w.Unload(); // ENDE: the history is gone and nothing more is recorded or written
        AntwortAuswertung(w, reply({A + FULL}));
        QVERIFY(w.history->tracks().empty() && w.history->events().empty());
        QCOMPARE(logLines(file), logged);
    }

    // A sample carries the values the clients page shows for the same block.
    void sampleAsDetails_data()
    {
        QTest::addColumn<QString>("block");
        QTest::newRow("full") << FULL;
        QTest::newRow("per cent") << " RxSignalStrength(per cent): 62 AckSignalStrength: 20";
        QTest::newRow("both forms") << " RxSignalStrength: 40 RxSignalStrength(per cent): 70";
        QTest::newRow("decimals, negative")
            << " RxSignalStrength: 12,5 AckSignalStrength: -3 Rx Data Rate: 5,5";
        QTest::newRow("nothing") << " Authentication Type: Open";
        QTest::newRow("mode without rate") << " WLAN Mode: 11b";
    }

    void sampleAsDetails()
    {
        QFETCH(QString, block);
        frmMonitor w;
        w.Form_Load();
        for (QLineEdit *e : {w.txtRXSign, w.txtAckSign, w.txtRXDataRate})
            e->setText(QStringLiteral("0"));
        w.txtWLANMode->clear();
        w.SSTab1->setCurrentIndex(frmMonitor::PageClients);
        w.Text1->setText(QStringLiteral("0"));
        AntwortAuswertung(w, reply({A + block}));
        const StationHistory::Track *t = w.history->track(A);
        QVERIFY(t && t->points.size() == 1);
        const StationHistory::Point &p = t->points.front();
        const QStringList recorded{fNumText(p.rx), fNumText(p.ack), fNumText(p.rate),
                                   w.history->modes().value(p.mode)};
        QCOMPARE(recorded, (QStringList{w.txtRXSign->text(), w.txtAckSign->text(), w.txtRXDataRate->text(),
                                        w.txtWLANMode->text()}));
    }

    // "Verlauf" is the seventh page; the designed six keep number and caption, and
    // changing to or from it polls like any page but "manuell".
    void seventhPage()
    {
        frmMonitor w;
        w.Form_Load();
        QStringList captions;
        for (int i = 0; i < w.SSTab1->count(); ++i)
            captions << w.SSTab1->tabText(i);
        QCOMPARE(captions,
                 (QStringList{"LOGIN", " Clients", "Diagramm", "manuell", "Antworten", "Setup", "Verlauf"}));
        QCOMPARE(w.SSTab1->widget(frmMonitor::PageVerlauf), w.Verlauf->parentWidget());
        QCOMPARE(int(frmMonitor::PageSetup), 5);

        for (auto [from, to] : {std::pair{1, 6}, {3, 6}, {6, 0}, {6, 3}, {5, 6}})
            for (bool polling : {false, true}) {
                w.verbunden = true;
                w.SSTab1->setCurrentIndex(from);
                w.timPoll_Power->setEnabled(polling);
                w.SSTab1->setCurrentIndex(to);
                const bool expected = to == 3 ? false : from == 3 ? true : polling;
                QVERIFY2(w.timPoll_Power->enabled() == expected && w.manuellMode == (to == 3) &&
                             w.Verlauf->isActive() == (to == 6),
                         qPrintable(QString::asprintf("%d to %d, polling %d", from, to, polling)));
            }
    }

    // The key "Verlauf protokollieren" follows the designed keys of "User" once the log
    // was switched on; files without it read as off and stay as they are while it is off.
    // Loading it on switches the log on beside the settings file.
    void settingsKey()
    {
        const QByteArray old = "[User]\r\nName=x\r\nPasswort=\r\nPolling Zyklus in Sekunden=2\r\n"
                               "Benutzername speichern=1\r\nPasswort speichern=0\r\nPasswort anzeigen=0\r\n"
                               "[bekannte MAC-Adressen]\r\nAnzahl=0\r\n";
        const auto content = [] {
            QFile f(IniPfad);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        };
        QFile f(IniPfad);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(old) == old.size());
        f.close();
        for (bool on : {false, true, false}) {
            frmMonitor w;
            w.Form_Load();
            QVERIFY(IniFile().load(IniPfad, w));
            QCOMPARE(w.chkVerlauf->isChecked() && w.historyLog->isEnabled(),
                     content().contains("protokollieren=1"));
            w.chkVerlauf->setChecked(on);
            QVERIFY(IniFile().Save(IniPfad, w));
            if (content().contains("Verlauf"))
                QVERIFY(content().contains(QByteArray("Passwort anzeigen=0\r\nVerlauf protokollieren=") +
                                           (on ? "1" : "0") + "\r\n[bekannte"));
            else
                QVERIFY(!on); // off and never on: no new key
        }
        frmMonitor w;
        w.Form_Load();
        w.chkVerlauf->setChecked(true);
        QCOMPARE(QDir(w.historyLog->folder()), QDir(dir.path()));
    }

    // A log that cannot be written switches itself off with a German status text; the
    // monitoring goes on, and a logout keeps the history.
    void logFailureKeepsMonitoring()
    {
        apsim::Options o;
        o.stations = apsim::makeStations(3);
        apsim::ApSim sim(o);
        QVERIFY2(sim.listen(QHostAddress(QStringLiteral("127.0.0.91")), 23), qPrintable(sim.errorString()));
        QTemporaryDir logDir;
        IniPfad = QDir(logDir.path()).filePath(QStringLiteral("SENVARO.INI"));
        ScriptedDialogs dialogs;
        frmMonitor w;
        w.Form_Load();
        w.chkVerlauf->setChecked(true);
        w.txtIP->setText(QStringLiteral("127.0.0.91"));
        w.txtUser->setText(QStringLiteral("admin"));
        w.txtPassw->setText(QStringLiteral("admin"));
        w.timPoll_Power->setInterval(1000);
        w.CmdLogin_Click();
        const QString file = w.historyLog->filePath(QDate::currentDate());
        QVERIFY(waitUntil([&] { return logLines(file).count(QStringLiteral("Messwert")) >= 3; }, 20000));

        QVERIFY(QDir(logDir.path()).removeRecursively());
        QVERIFY(waitUntil([&] { return !w.chkVerlauf->isChecked(); }, 10000));
        QVERIFY2(w.lblStatus->text().contains(QStringLiteral("Protokoll abgeschaltet")),
                 qPrintable(w.lblStatus->text()));
        const auto polls = [&] { return sim.lines().count("get station"); };
        const int before = polls();
        const quint64 revision = w.history->revision();
        QVERIFY(waitUntil([&] { return polls() >= before + 2 && w.history->revision() > revision; }, 10000));
        QCOMPARE(w.txtAnzahl->text(), QStringLiteral("3"));

        w.Cmd_logout_Click();
        QCOMPARE(w.history->tracks().size(), size_t(3));
    }
};

QTEST_MAIN(TestHistoryWindow)
#include "tst_historywindow.moc"
