#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QtTest>

#include "app/globals.h"
#include "config/inifile.h"
#include "monitor/allgemein.h"
#include "monitor/auswerten.h"
#include "monitor/historylog.h"
#include "testsupport.h"
#include "ui/frmMonitor.h"

namespace {

const QString A("00:11:22:33:44:55"), B("00:0A:0B:0C:0D:0E"), C("00:1B:11:A0:00:03");
const QString FULL = QStringLiteral(" RxSignalStrength: 40 AckSignalStrength: 32 Authentication Type: Open "
                                    "WLAN Mode: 11g, Rx Data Rate: 54 Encryption: Off");

QString reply(const QStringList &blocks)
{
    const QString sep = "\r\n" + QString(49, QLatin1Char('*'));
    return "get station" + sep + blocks.join(sep) + "\r\nDWL-2100AP> ";
}

} // namespace

// The signal history as the window records, shows and logs it; the rules themselves are
// tested on the history alone.
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

    // Only station replies of the polling phase count, "bekannte Clients" filters, a log
    // that cannot be written switches itself off while recording goes on, and nothing is
    // kept or recorded once the window has unloaded.
    void recordingSequence()
    {
        IniPfad = dir.filePath(QStringLiteral("gone/SENVARO.INI"));
        frmMonitor w;
        w.Form_Load();
        w.chkVerlauf->setChecked(true);
        const auto step = [&w](const QString &text, bool knownOnly = false, bool loginPhase = false) {
            setChkValue(w.chkBekClients, knownOnly);
            w.loginPhase = loginPhase;
            AntwortAuswertung(w, text);
        };
        step(reply({A + FULL, B + " RxSignalStrength(per cent): 62"}));
        QVERIFY(!w.chkVerlauf->isChecked() && w.lblStatus->text().contains("Protokoll abgeschaltet"));
        step(reply({A + FULL}));
        MACs[1] = {A, "Laptop Anna    ", "10.0.0.7", "Falsch"};
        step(reply({A + FULL, C + " RxSignalStrength: 16"}));
        step(reply({A + FULL, C + " RxSignalStrength: 16"}), true);
        step("get station\r\nNo station associated.\r\nDWL-2100AP> ", true);
        step(reply({A + FULL}), false, true);
        step("get rate\r\nUnknown command\r\nDWL-2100AP> ");
        QStringList events;
        for (const HistoryEvent &e : w.history->events())
            events << e.word() + QLatin1Char(' ') + e.name;
        QCOMPARE(events, (QStringList{"verbunden " + A, "verbunden " + B, "getrennt " + B, "verbunden " + C,
                                      "getrennt " + C, "getrennt Laptop Anna"}));
        // 0..64 steps scaled to per cent; a per-cent value taken as it is.
        QCOMPARE(w.history->track(A)->points.front().rx, 62.5f);
        QCOMPARE(w.history->track(B)->points.front().rx, 62.0f);
        QCOMPARE(w.history->track(C)->points.front().rx, 25.0f);

        w.Unload(); // ENDE
        step(reply({A + FULL}));
        QVERIFY(w.history->tracks().empty() && w.history->events().empty());
    }

    // A sample carries the values the clients page shows for the same block.
    void sampleAsDetails_data()
    {
        QTest::addColumn<QString>("block");
        QTest::newRow("full") << FULL;
        QTest::newRow("per cent") << " RxSignalStrength(per cent): 62 AckSignalStrength: 20";
        QTest::newRow("decimals, negative")
            << " RxSignalStrength: 12,5 AckSignalStrength: -3 Rx Data Rate: 5,5";
    }
    void sampleAsDetails()
    {
        QFETCH(QString, block);
        frmMonitor w;
        w.Form_Load();
        for (QLineEdit *e : {w.txtRXSign, w.txtAckSign, w.txtRXDataRate})
            e->setText(QStringLiteral("0")); // what the page keeps for a missing value
        w.SSTab1->setCurrentIndex(frmMonitor::PageClients);
        AntwortAuswertung(w, reply({A + block}));
        const StationHistory::Point &p = w.history->track(A)->points.front();
        QCOMPARE((QStringList{fNumText(p.rx), fNumText(p.ack), fNumText(p.rate),
                              w.history->modes().value(p.mode)}),
                 (QStringList{w.txtRXSign->text(), w.txtAckSign->text(), w.txtRXDataRate->text(),
                              w.txtWLANMode->text()}));
    }

    // "Verlauf protokollieren" follows the keys of "User" once the log was switched on;
    // files without it read as off and stay so while it is off.
    void settingsKey()
    {
        QVERIFY(writeFile(IniPfad,
                          "[User]\r\nName=x\r\nPasswort=\r\nPolling Zyklus in Sekunden=2\r\n"
                          "Benutzername speichern=1\r\nPasswort speichern=0\r\nPasswort anzeigen=0\r\n"
                          "[bekannte MAC-Adressen]\r\nAnzahl=0\r\n"));
        bool keyed = false; // the key is in the file; it reads as on only after "on"
        for (bool on : {false, true, false}) {
            frmMonitor w;
            w.Form_Load();
            QVERIFY(IniFile().load(IniPfad, w));
            QCOMPARE(w.chkVerlauf->isChecked() && w.historyLog->isEnabled(), keyed && !on);
            w.chkVerlauf->setChecked(on);
            QVERIFY(IniFile().Save(IniPfad, w));
            keyed = keyed || on;
            const QByteArray ini = readFile(IniPfad);
            QCOMPARE(ini.contains("Verlauf"), keyed);
            QVERIFY(!keyed || ini.contains(QByteArray("anzeigen=0\r\nVerlauf protokollieren=") +
                                           (on ? "1" : "0") + "\r\n[bekannte"));
        }
    }
};

QTEST_MAIN(TestHistoryWindow)
#include "tst_historywindow.moc"
