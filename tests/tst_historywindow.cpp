// The page "Verlauf" on its own history (spans, acknowledge switch, hidden lines, thinning,
// drawing only while shown, the event list) and the signal history as the window records,
// logs and keeps it; the rules themselves are tested on the history alone.

#include <QChart>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QListWidget>
#include <QtTest>

#include "app/globals.h"
#include "config/inifile.h"
#include "monitor/auswerten.h"
#include "monitor/historylog.h"
#include "testsupport.h"
#include "ui/frmMonitor.h"
#include "ui/historypage.h"

namespace {

const QDateTime T0(QDate(2026, 3, 1), QTime(12, 0, 0));
const QString A("00:11:22:33:44:55"), B("00:0A:0B:0C:0D:0E"), C("00:1B:11:A0:00:03");
const QString FULL = QStringLiteral(" RxSignalStrength: 40 AckSignalStrength: 32 Authentication Type: Open "
                                    "WLAN Mode: 11g, Rx Data Rate: 54 Encryption: Off");

HistorySample sample(const QString &mac, double rx, double ack = 20)
{
    return HistorySample{mac, "Laptop " + mac, rx, ack, 54, QStringLiteral("11g")};
}

QString reply(const QStringList &blocks)
{
    const QString sep = "\r\n" + QString(49, QLatin1Char('*'));
    return "get station" + sep + blocks.join(sep) + "\r\nDWL-2100AP> ";
}

// A page on a history of its own, shown, not yet active.
struct Page
{
    StationHistory history;
    HistoryPage page{&history};
    QComboBox *span = page.findChild<QComboBox *>("cmbVerlaufZeitraum");
    QCheckBox *ack = page.findChild<QCheckBox *>("chkVerlaufAck");
    QListWidget *events = page.findChild<QListWidget *>("lstVerlaufEreignisse");

    Page()
    {
        page.resize(700, 500);
        page.show();
    }
    QList<QPointF> points(const QString &mac) const
    {
        QLineSeries *s = page.series(mac);
        return s ? s->points() : QList<QPointF>();
    }
};

} // namespace

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

    void spans_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<qint64>("spanMs");
        QTest::addColumn<bool>("ack");
        QTest::addColumn<QPointF>("levels"); // the lowest and the highest drawn
        QTest::newRow("10 min") << 0 << 600'000LL << false << QPointF(40, 46);
        QTest::newRow("8 h, acknowledge level") << 2 << 28'800'000LL << true << QPointF(54, 60);
        QTest::newRow("24 h, the one dip kept") << 3 << 86'400'000LL << false << QPointF(3, 46);
    }
    void spans()
    {
        QFETCH(int, index);
        QFETCH(qint64, spanMs);
        QFETCH(bool, ack);
        QFETCH(QPointF, levels);
        Page p;
        // 25 hours, a sample a minute: A's rx 40..46 with one dip to 3, its ack 100 minus that.
        for (int m = 0; m <= 25 * 60; ++m) {
            const int rx = m == 700 ? 3 : 40 + m % 7;
            p.history.addEvaluation(T0.addSecs(60 * m), {sample("A", rx, 100 - rx), sample("B", 50)});
        }
        p.span->setCurrentIndex(index);
        p.ack->setChecked(ack);
        QVERIFY(!p.page.series("A")); // not drawn while another page is shown
        p.page.setActive(true);
        const qint64 t1 = p.history.lastMs();
        const QList<QPointF> pts = p.points("A");
        // One point a minute, one more entering from the left edge; a long span thinned to
        // one or two points per pixel column, in time order, ending at the newest sample.
        const qsizetype all = spanMs / 60'000 + 2, width = p.page.plotWidth();
        QVERIFY(all <= 2 * width ? pts.size() == all : pts.size() >= width && pts.size() <= 2 * width + 3);
        QCOMPARE(qint64(pts.first().x()), std::max(t1 - spanMs - 60'000, t1 - StationHistory::kKeepMs));
        const auto byX = [](QPointF a, QPointF b) { return a.x() >= b.x(); };
        QVERIFY(std::adjacent_find(pts.begin(), pts.end(), byX) == pts.end());
        QCOMPARE(pts.last(), QPointF(qreal(t1), ack ? 58.0 : 42.0));
        const auto byY = [](QPointF a, QPointF b) { return a.y() < b.y(); };
        const auto [lo, hi] = std::minmax_element(pts.begin(), pts.end(), byY);
        QCOMPARE(QPointF(lo->y(), hi->y()), levels);
        // Thinned to the plot's width again after a resize, without waiting for data.
        p.page.resize(380, 400);
        QTRY_VERIFY(p.points("A").size() <= 2 * p.page.plotWidth() + 3);
        // A legend click hides the line through redraws; a second click shows it.
        QLegendMarker *marker = p.page.chart()->legend()->markers(p.page.series("A")).value(0);
        QVERIFY(marker);
        emit marker->clicked();
        p.span->setCurrentIndex((index + 1) % 4);
        QVERIFY(!p.page.series("A")->isVisible() && p.page.series("B")->isVisible());
        emit marker->clicked();
        QVERIFY(p.page.series("A")->isVisible());
    }

    // The event list newest first, filled afresh after many events; a station gone for a
    // day loses its line, a cleared history empties the list.
    void eventList()
    {
        Page p;
        p.page.setActive(true);
        p.history.addEvaluation(T0, {sample("A", 10)});
        QCOMPARE(p.events->item(0)->text(), QString("12:00:00  Laptop A  verbunden"));
        p.page.setActive(false);
        for (int i = 1; i <= 302; ++i)
            p.history.addEvaluation(T0.addSecs(2 * i), {sample("A", 12), sample(i % 2 ? "A" : "C", 5)});
        p.page.setActive(true);
        QCOMPARE(p.events->count(), 302);
        QCOMPARE(p.events->item(0)->text(), QString("12:10:04  Laptop C  verbunden"));
        QCOMPARE(p.events->item(301)->text(), QString("12:00:00  Laptop A  verbunden"));
        p.history.addEvaluation(T0.addSecs(604 + 86'401), {sample("A", 12)});
        QCOMPARE(p.page.chart()->series().size(), 1);
        p.history.clear();
        QCOMPARE(p.events->count(), 0);
    }

    // Only station replies of the polling phase count, "bekannte Clients" filters, a sample
    // holds the values the clients page shows, a log that cannot be written switches itself
    // off while recording goes on, and nothing is kept once the window has unloaded.
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
        const QString decimals = " RxSignalStrength: 12,5 AckSignalStrength: -3 Rx Data Rate: 5,5";
        step(reply({A + FULL, B + " RxSignalStrength(per cent): 62"}));
        QVERIFY(!w.chkVerlauf->isChecked() && w.lblStatus->text().contains("Protokoll abgeschaltet"));
        step(reply({A + FULL}));
        MACs[1] = {A, "Laptop Anna    ", "10.0.0.7", "Falsch"};
        step(reply({A + FULL, C + decimals}));
        step(reply({A + FULL, C + decimals}), true);
        step("get station\r\nNo station associated.\r\nDWL-2100AP> ", true);
        step(reply({A + FULL}), false, true);
        step("get rate\r\nUnknown command\r\nDWL-2100AP> ");
        QStringList events;
        for (const HistoryEvent &e : w.history->events())
            events << e.word() + QLatin1Char(' ') + e.name;
        QCOMPARE(events, (QStringList{"verbunden " + A, "verbunden " + B, "getrennt " + B, "verbunden " + C,
                                      "getrennt " + C, "getrennt Laptop Anna"}));
        // 0..64 steps scaled to per cent, a per-cent value taken as it is, a missing one 0.
        const auto first = [&w](const QString &mac) {
            const StationHistory::Point &p = w.history->track(mac)->points.front();
            return QList<float>{p.rx, p.ack, p.rate};
        };
        QCOMPARE(first(A), (QList<float>{62.5f, 50, 54}));
        QCOMPARE(first(B), (QList<float>{62, 0, 0}));
        QCOMPARE(first(C), (QList<float>{19.53125f, -4.6875f, 5.5f}));
        QCOMPARE(w.history->modes().value(w.history->track(A)->points.front().mode), "11g");

        w.Unload(); // ENDE
        step(reply({A + FULL}));
        QVERIFY(w.history->tracks().empty() && w.history->events().empty());
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
