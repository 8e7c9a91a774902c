// The signal history, its CSV day log, the page "Verlauf", its own window and the window's recording.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QtTest>

#include <ctime>

#include "config/inifile.h"
#include "monitor/history.h"
#include "monitor/historylog.h"
#include "monitor/vendors.h"
#include "testsupport.h"
#include "ui/frmMonitor.h"
#include "ui/historypage.h"
#include "ui/historyplot.h"
#include "ui/historywindow.h"
#include "ui/setuppage.h"
#include "ui/verlaufpage.h"

namespace {

const QDateTime T0(QDate(2026, 3, 1), QTime(12, 0, 0));
const QString A("00:11:22:33:44:55"), B("00:0A:0B:0C:0D:0E"), C("02:11:A0:00:00:03");
const QString FULL = QStringLiteral(" RxSignalStrength: 40 AckSignalStrength: 32 Authentication Type: Open "
                                    "WLAN Mode: 11g, Rx Data Rate: 54 Encryption: Off");

// "A=Anna B" -> samples for MACs A (named Anna) and B (named by its MAC), all at the levels given.
QList<HistorySample> samples(const QString &script, double rx = 50, double ack = 25)
{
    QList<HistorySample> list;
    for (const QString &part : script.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        list.append({part.section('=', 0, 0), part.section('=', -1), rx, ack, 54, "11g"});
    return list;
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
};

QStringList texts(const QListWidget *list)
{
    QStringList t;
    for (int i = 0; i < list->count(); ++i)
        t << list->item(i)->text();
    return t;
}

// Clicks "Fenster ..." on the window's page "Verlauf" and returns what it opened.
HistoryWindow *openWindow(frmMonitor &w)
{
    ctl<QPushButton>(*page<VerlaufPage>(w)->historyPage(), "cmdVerlaufFenster")->click();
    return ctl<HistoryWindow>(w, "VerlaufFenster");
}

} // namespace

class TestHistory : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    // Local time an hour off UTC, so a time given in UTC must be written as local time.
    void initTestCase()
    {
        qputenv("TZ", "Europe/Berlin");
        tzset();
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    }

    // One evaluation every 2 s: a MAC twice counts once, B leaves and comes back, A renamed stays
    // one station, an empty reply disconnects all in order of first sight.
    void events()
    {
        const QStringList evaluations{"B A=Anna A=Zweit", "A=Laptop", "A=Laptop B=Bert", ""};
        StationHistory h;
        int returned = 0;
        for (int i = 0; i < evaluations.size(); ++i)
            returned += int(h.addEvaluation(T0.addSecs(2 * i), samples(evaluations[i])).size());
        QStringList made; // "<evaluation> <mac> <name> <word>"
        for (const HistoryEvent &e : h.events())
            made << QStringLiteral("%1 %2 %3 %4")
                        .arg(T0.msecsTo(e.time()) / 2000)
                        .arg(e.mac, e.name, e.word());
        QCOMPARE(made, (QStringList{"0 B B verbunden", "0 A Anna verbunden", "1 B B getrennt",
                                    "2 B Bert verbunden", "3 B Bert getrennt", "3 A Laptop getrennt"}));
        QCOMPARE(returned, int(h.events().size()));
    }

    // The clock is whatever the caller passes: 25 hours of samples every 10 minutes.
    void dayBound()
    {
        StationHistory h;
        for (int i = 0; i <= 25 * 6; ++i)
            h.addEvaluation(T0.addSecs(600 * i), samples(i < 6 ? "B A" : "A"));
        const qint64 last = T0.addSecs(600 * 150).toMSecsSinceEpoch();
        const StationHistory::Track *a = h.track("A");
        QVERIFY(a);
        QCOMPARE(a->points.front().ms, last - StationHistory::kKeepMs);
        // B, last seen 25 hours ago, is gone; only its leaving, on the bound, is still listed.
        QCOMPARE(h.tracks().size(), size_t(1));
        QVERIFY(h.events().size() == 1 && h.events().front().ms == last - StationHistory::kKeepMs);
        // The clock set back by an hour: recorded at the newest time, still sorted.
        h.addEvaluation(T0.addSecs(600 * 150 - 3600), samples("A"));
        QCOMPARE(a->points.back().ms, last);
        // However fast stations come and go, 20000 events are kept: the oldest go first.
        StationHistory busy;
        for (int i = 0; i < 20'002; ++i)
            busy.addEvaluation(T0.addSecs(i), samples(i % 2 ? "" : "A"));
        QCOMPARE(busy.events().size(), size_t(20'000));
        QCOMPARE(busy.events().front().ms, T0.addSecs(2).toMSecsSinceEpoch());
    }

    // Off writes nothing; each line goes to its local day's file, the header once (also after a
    // restart), local time, Latin-1, decimal comma, quoted names.
    void csvLog()
    {
        QTemporaryDir folder;
        const QDateTime t(QDate(2026, 3, 1), QTime(23, 59, 59));
        const QString file = folder.filePath("SENVARO-Verlauf-2026-03-01.csv");
        const HistorySample s{"00:11:22:33:44:55", "Büro; \"hinten\"", 62.5, 31.25, 5.5, "11g"};
        const HistoryEvent e{t.addSecs(2).toMSecsSinceEpoch(), s.mac, s.name, false, {}};
        HistoryLog log(folder.path()), restarted(folder.path()); // a second log, as after a restart
        QVERIFY(log.write(t, {s}, {e}));                         // off: the files below show nothing of it
        log.setEnabled(true);
        restarted.setEnabled(true);
        QVERIFY(log.write(t, {s}, {e}));
        QVERIFY(restarted.write(t.toUTC(), {s}, {}));
        const QByteArray header = "Zeit;Ereignis;MAC-Adresse;Name;Empfangspegel (%);Ack.-Pegel (%);"
                                  "Datenrate (Mbps);WLAN-Modus;Hersteller\r\n";
        const QByteArray station = ";00:11:22:33:44:55;\"B\xfcro; \"\"hinten\"\"\";";
        const QByteArray sample = "2026-03-01T23:59:59;Messwert" + station + "62,5;31,25;5,5;11g;\r\n";
        QCOMPARE(readFile(file), header + sample + sample);
        QCOMPARE(readFile(folder.filePath("SENVARO-Verlauf-2026-03-02.csv")),
                 header + "2026-03-02T00:00:01;getrennt" + station + ";;;;\r\n");
        // A log that cannot be written switches itself off once (the window shows the reason).
        QSignalSpy failed(&log, &HistoryLog::failed);
        QVERIFY(folder.remove() && !log.write(t, {s}, {}));
        QVERIFY(log.write(t, {s}, {}));
        QCOMPARE(failed.count(), 1);
        // Each character that would end a field or a line quotes the name on its own.
        for (const auto &[name, field] :
             QList<std::pair<QString, QString>>{{"Dach;Süd", "\"Dach;Süd\""},
                                                {"Anna \"A\"", "\"Anna \"\"A\"\"\""},
                                                {"Lager\n2", "\"Lager\n2\""}})
            QCOMPARE(HistoryLog::eventLine({T0.toMSecsSinceEpoch(), A, name, true, {}}),
                     "2026-03-01T12:00:00;verbunden;00:11:22:33:44:55;" + field + ";;;;;\r\n");
    }

    void pageSpans()
    {
        // span index, span, acknowledge level, the lowest and the highest level drawn
        for (const auto &[index, spanMs, ack, levels] :
             {std::tuple{0, 600'000LL, false, QPointF(40, 46)},
              {2, 28'800'000LL, true, QPointF(54, 60)},
              {3, 86'400'000LL, false, QPointF(3, 46)}}) // 24 h: the one dip kept
            pageSpan(index, spanMs, ack, levels);
    }

private:
    void pageSpan(int index, qint64 spanMs, bool ack, QPointF levels)
    {
        Page p;
        // 25 hours, a sample a minute: A's rx 40..46 with one dip to 3, its ack 100 minus that.
        for (int m = 0; m <= 25 * 60; ++m) {
            const int rx = m == 700 ? 3 : 40 + m % 7;
            p.history.addEvaluation(T0.addSecs(60 * m), samples("A B", rx, 100 - rx));
        }
        p.span->setCurrentIndex(index);
        p.ack->setChecked(ack);
        HistoryPlot &plot = *p.page.plot();
        QVERIFY(plot.lines().isEmpty()); // not drawn while another page is shown
        p.page.setActive(true);
        const QList<QPointF> pts = plot.pieces("A").value(0); // ms before the newest sample
        QCOMPARE(plot.pieces("A").size(), 1);
        QCOMPARE(p.page.drawnEnd(), p.history.lastMs());
        // A point a minute plus one from the left edge; long spans thinned to <= 2 per pixel column.
        const qsizetype all = spanMs / 60'000 + 2, width = p.page.plotWidth();
        QVERIFY(all <= 2 * width ? pts.size() == all : pts.size() >= width && pts.size() <= 2 * width + 3);
        QCOMPARE(qint64(pts.first().x()), -std::min(spanMs + 60'000, StationHistory::kKeepMs));
        const auto notAfter = [](QPointF a, QPointF b) { return a.x() >= b.x(); };
        QVERIFY(std::adjacent_find(pts.begin(), pts.end(), notAfter) == pts.end());
        QCOMPARE(pts.last(), QPointF(0, ack ? 58.0 : 42.0));
        const auto [lo, hi] =
            std::minmax_element(pts.begin(), pts.end(), [](QPointF a, QPointF b) { return a.y() < b.y(); });
        QCOMPARE(QPointF(lo->y(), hi->y()), levels);
        // Thinned to the plot's width again after a resize, without waiting for data.
        p.page.resize(380, 400);
        QTRY_VERIFY(plot.pieces("A").value(0).size() <= 2 * p.page.plotWidth() + 3);
        // Hiding survives redraws; showing again draws at once, not on new data.
        p.page.setLineHidden("A", true);
        p.span->setCurrentIndex((index + 1) % 4);
        QVERIFY(!plot.isLineShown("A") && plot.isLineShown("B"));
        p.page.setLineHidden("A", false);
        const QList<QPointF> shown = plot.pieces("A").value(0);
        QCOMPARE(shown.value(shown.size() - 1), QPointF(0, ack ? 58.0 : 42.0));
    }

private slots:
    // Twelve stations at the window's size, each named in full, in order of arrival.
    void pageLegend()
    {
        Page p;
        p.page.resize(515, 270);
        QStringList script, names;
        for (int i = 1; i <= 12; ++i) {
            const QString mac = QStringLiteral("02:11:A0:00:00:%1").arg(i, 2, 10, QLatin1Char('0'));
            script << (i == 4 ? mac + "=Besprechungsraum" : mac);
            names << (i == 4 ? "Besprechungsraum" : mac);
        }
        p.history.addEvaluation(T0, samples(script.join(' ')));
        p.page.setActive(true);
        auto *legend = p.page.findChild<QListWidget *>("lstVerlaufLegende");
        QVERIFY(legend && legend->isVisible());
        QStringList listed;
        for (int i = 0; i < legend->count(); ++i) {
            QListWidgetItem *item = legend->item(i);
            listed << item->text();
            // Reachable and never cut short at the right.
            legend->scrollToItem(item);
            const QRect r = legend->visualItemRect(item);
            QVERIFY(legend->viewport()->rect().contains(r));
            QVERIFY(r.width() >= legend->sizeHintForIndex(legend->model()->index(i, 0)).width());
        }
        QCOMPARE(listed, names);

        script[6] = "02:11:A0:00:00:07=Lager";
        p.history.addEvaluation(T0.addSecs(2), samples(script.join(' ')));
        QCOMPARE(legend->item(6)->text(), QString("Lager"));

        const QString mac = "02:11:A0:00:00:09";
        for (const bool shown : {false, true}) {
            legend->scrollToItem(legend->item(8));
            QTest::mouseClick(legend->viewport(), Qt::LeftButton, {},
                              legend->visualItemRect(legend->item(8)).center());
            QCOMPARE(p.page.plot()->isLineShown(mac), shown);
            QCOMPARE(p.page.isLineHidden(mac), !shown);
            QCOMPARE(legend->count(), 12); // a hidden line keeps its entry
        }
    }

    // The tooltip names the sample nearest to the pointer, on either side.
    void pageToolTip()
    {
        Page p;
        p.history.addEvaluation(T0, samples("A=Anna", 62.5, 31.25));
        p.history.addEvaluation(T0.addSecs(60), samples("A=Anna", 50, 20));
        const QString first = "Anna\n01.03.2026 12:00:00\n", second = "Anna\n01.03.2026 12:01:00\n";
        // seconds after the first of the two samples a minute apart
        for (const auto &[secs, text] : QList<std::pair<int, QString>>{{-30, first + "RX Level: 62,5 %"},
                                                                       {20, first + "RX Level: 62,5 %"},
                                                                       {40, second + "RX Level: 50 %"},
                                                                       {600, second + "RX Level: 50 %"}})
            QCOMPARE(p.page.toolTipText("A", T0.addSecs(secs).toMSecsSinceEpoch()), text);
        p.ack->setChecked(true);
        QCOMPARE(p.page.toolTipText("A", T0.addSecs(25).toMSecsSinceEpoch()), first + "Ack. Level: 31,25 %");
    }

    // The event list newest first, cut with the history, emptied with it.
    void pageEvents()
    {
        Page p;
        for (int i = 0; i <= 302; ++i)
            p.history.addEvaluation(T0.addSecs(2 * i), samples(i % 2 ? "A A" : "A C"));
        p.page.setActive(true);
        QCOMPARE(p.events->count(), 304);
        QCOMPARE(p.events->item(303)->text(), QString("12:00:00  A  verbunden"));
        p.history.addEvaluation(T0.addSecs(604 + 86'401), samples("A"));
        QCOMPARE(p.page.plot()->lines(), QStringList{"A"});
        QCOMPARE(p.events->count(), 1);
        QCOMPARE(p.events->item(0)->text(), QString("12:10:05  C  getrennt"));
        p.history.clear();
        QCOMPARE(p.events->count(), 0);
    }

    // The history part is made when the page is first shown: its fields then lie in the tab
    // order after those of "Setup" and before "Benachrichtigungen ..." and ENDE.
    void historyPartMadeWhenShown()
    {
        frmMonitor w;
        w.Form_Load();
        QVERIFY(!w.findChild<HistoryPage *>("Verlauf"));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        ctl<QTabWidget>(w, "SSTab1")->setCurrentIndex(frmMonitor::PageVerlauf);
        auto *span = ctl<QComboBox>(w, "cmbVerlaufZeitraum");
        QVERIFY(span->isVisible());
        auto tabStop = [](QWidget *from, bool forward) {
            do
                from = forward ? from->nextInFocusChain() : from->previousInFocusChain();
            while (!(from->focusPolicy() & Qt::TabFocus) || from->isHidden());
            return from;
        };
        QStringList after;
        for (QWidget *at = span; after.size() < 6;)
            after << (at = tabStop(at, true))->objectName();
        QCOMPARE(after, (QStringList{"chkVerlaufAck", "lstVerlaufEreignisse", "cmdWerIstDa",
                                     "cmdVerlaufFenster", "cmdBenachrichtigungen", "CmdEnde"}));
        QWidget *before = tabStop(span, false);
        QVERIFY2(qobject_cast<SetupPage *>(before->parentWidget()->parentWidget()) ||
                     qobject_cast<SetupPage *>(before->parentWidget()),
                 qPrintable(before->objectName()));
    }

    // Only polling-phase station replies count, "bekannte Clients" filters, an unwritable log
    // switches off while recording goes on, nothing is kept after unloading.
    void windowRecords()
    {
        frmMonitor w;
        w.setSettingsFolder(dir.filePath(QStringLiteral("gone")));
        w.Form_Load();
        ctl<QTabWidget>(w, "SSTab1")->setCurrentIndex(frmMonitor::PageClients);
        ctl<QCheckBox>(w, "chkVerlauf")->setChecked(true);
        const auto step = [&w](const QString &text, bool knownOnly = false, bool loginPhase = false) {
            setChkValue(ctl<QCheckBox>(w, "chkBekClients"), knownOnly);
            if (loginPhase) // a login without an address: it fails, and its login phase goes on
                w.session().login(QString(), QString());
            w.session().evaluate(text);
            if (loginPhase)
                w.session().stop();
            QCOMPARE(w.session().loginPhase(), false);
        };
        const QString decimals = " RxSignalStrength: 12,5 AckSignalStrength: -3 Rx Data Rate: 5,5";
        step(reply({A + FULL, B + " RxSignalStrength(per cent): 62"}));
        QVERIFY(!ctl<QCheckBox>(w, "chkVerlauf")->isChecked() &&
                ctl<QLabel>(w, "lblStatus")->text().contains("Protokoll abgeschaltet"));
        step(reply({A + FULL}));
        step("get rate\r\nUnknown command\r\nDWL-2100AP> ");
        KnownClients anna;
        anna[0] = {A, "Laptop Anna    ", "10.0.0.7", "Falsch"};
        w.setKnownClients(anna);
        step(reply({A + FULL, C + decimals}));
        step(reply({A + FULL, C + decimals}), true);
        step("get station\r\nNo station associated.\r\nDWL-2100AP> ", true);
        step(reply({A + FULL}), false, true);
        QStringList events;
        for (const HistoryEvent &e : w.history().events())
            if (e.alert.isEmpty()) // the strangers' alerts are the alert tests' business
                events << e.word() + QLatin1Char(' ') + e.name;
        QCOMPARE(events, (QStringList{"verbunden " + A, "verbunden " + B, "getrennt " + B, "verbunden " + C,
                                      "getrennt " + C, "getrennt Laptop Anna"}));
        QVERIFY(!page<VerlaufPage>(w)->historyPage()->isCurrent()); // the page "Verlauf" is not shown

        w.Unload(); // ENDE
        step(reply({A + FULL}));
        QVERIFY(w.history().tracks().empty() && w.history().events().empty());
    }

    // "Verlauf protokollieren" is written after "User" once switched on; missing, it reads off.
    void settingsKey()
    {
        const QString ini = dir.filePath(QStringLiteral("SENVARO.INI"));
        QVERIFY(writeFile(ini, "[User]\r\nName=x\r\n[bekannte MAC-Adressen]\r\nAnzahl=0\r\n"));
        bool keyed = false; // the key is in the file; it reads as on only after "on"
        for (bool on : {false, true, false}) {
            frmMonitor w;
            w.setSettingsFolder(dir.path());
            w.Form_Load();
            Settings settings;
            QVERIFY(IniFile().load(ini, settings));
            w.applySettings(settings);
            QCOMPARE(ctl<QCheckBox>(w, "chkVerlauf")->isChecked() && w.historyLog().isEnabled(),
                     keyed && !on);
            ctl<QCheckBox>(w, "chkVerlauf")->setChecked(on);
            if (on) { // switched on, the log writes beside the settings file and stays on
                QVERIFY(w.historyLog().write(T0, samples("A"), {}) &&
                        ctl<QCheckBox>(w, "chkVerlauf")->isChecked());
                QVERIFY(QFile::exists(dir.filePath("SENVARO-Verlauf-2026-03-01.csv")));
            }
            QVERIFY(IniFile().Save(ini, w.collectSettings()));
            keyed = keyed || on;
            const QByteArray file = readFile(ini);
            QCOMPARE(file.contains("Verlauf"), keyed);
            QVERIFY(!keyed || file.contains(QByteArray("anzeigen=0\r\nVerlauf protokollieren=") +
                                            (on ? "1" : "0") + "\r\n[bekannte"));
        }
    }

    // The drawing maps levels and times onto the plot, leaves hidden lines out, shows a
    // piece of one point as a dot, and names the line under the pointer only.
    void plotDraws()
    {
        HistoryPlot plot;
        plot.resize(400, 300);
        plot.setValueAxis("RX Level (%)", 0, 100);
        plot.setTimeAxis(1000, {"1", "2", "3", "4", "5"});
        plot.setLine("A", Qt::red, {{QPointF(-1000, 50), QPointF(0, 50)}});
        plot.setLine("B", Qt::blue, {{QPointF(-1000, 25), QPointF(0, 25)}, {QPointF(-250, 75)}});
        plot.setLineHidden("B", true);
        const QRect r = plot.plotRect();
        const auto at = [&r](qreal ms, qreal level) {
            return QPoint(qRound(r.left() + (ms + 1000) / 1000 * r.width()),
                          qRound(r.top() + r.height() * (100 - level) / 100));
        };
        const auto colourNear = [](const QImage &img, QPoint p, QColor c) {
            for (int dy = -1; dy <= 1; ++dy)
                if (img.pixelColor(p + QPoint(0, dy)) == c)
                    return true;
            return false;
        };
        QImage img = plot.grab().toImage();
        QVERIFY(colourNear(img, at(-500, 50), Qt::red) && !colourNear(img, at(-500, 25), Qt::blue));
        plot.setLineHidden("B", false);
        img = plot.grab().toImage();
        QVERIFY(colourNear(img, at(-500, 25), Qt::blue) && colourNear(img, at(-250, 75), Qt::blue));
        QVERIFY(!colourNear(img, at(-500, 75), Qt::blue)); // pieces are not joined

        // Shown on screen, a poll's update of the lines and the time labels at once (two
        // rectangles) leaves the plot as a full paint draws it.
        plot.show();
        QVERIFY(QTest::qWaitForWindowExposed(&plot));
        plot.setLine("A", Qt::red, {{QPointF(-1000, 60), QPointF(0, 40)}});
        plot.setTimeAxis(1000, {"2", "3", "4", "5", "6"});
        QCoreApplication::processEvents();
        QCOMPARE(plot.screen()->grabWindow(plot.winId()).toImage().convertToFormat(QImage::Format_RGB32),
                 plot.grab().toImage().convertToFormat(QImage::Format_RGB32));

        QStringList asked;
        plot.setToolTipSource([&asked](const QString &mac, qint64 ms) {
            asked << mac + ' ' + QString::number(qRound(ms / 50.0) * 50); // within a pixel
            return QString();
        });
        for (const QPoint &pos : {at(-500, 50) + QPoint(0, 3), at(-500, 60), at(-250, 75) + QPoint(2, 0)}) {
            QHelpEvent help(QEvent::ToolTip, pos, plot.mapToGlobal(pos));
            QApplication::sendEvent(&plot, &help);
        }
        QCOMPARE(asked, QStringList({"A -500", "B -250"}));
    }

    // The history in a window of its own: it grows with the window and follows the system's
    // palette, keeps its place over a restart, breaks a station's line where the station was
    // away, and names the makers.
    void opensAndGrows()
    {
        frmMonitor w;
        w.Form_Load();
        w.show();
        HistoryWindow *win = openWindow(w);
        QVERIFY(win->isVisible() && win->isWindow() && win->page()->isActive());
        auto *view = ctl<HistoryPlot>(*win, "chartVerlauf");
        auto *events = ctl<QListWidget>(*win, "lstVerlaufEreignisse");
        QVERIFY(!ctl<QPushButton>(*page<VerlaufPage>(w)->historyPage(), "cmdVerlaufFenster")->isHidden());
        QVERIFY(!ctl<QPushButton>(*win, "cmdVerlaufFenster")->isVisible()); // no window from the window
        win->resize(500, 360);
        QTRY_VERIFY(view->width() < 500);
        const QSize chart = view->size(), list = events->size();
        win->resize(1000, 760);
        QTRY_VERIFY(view->width() > chart.width() + 400 && view->height() > chart.height() + 200);
        QVERIFY(events->height() > list.height() + 50);
        // It follows the system's palette, dark and light again.
        const QPalette light = QApplication::palette();
        QPalette dark = light;
        dark.setColor(QPalette::Base, QColor(0x202020));
        QApplication::setPalette(dark);
        const auto background = [](QWidget *plot) { return plot->grab().toImage().pixelColor(1, 1); };
        QTRY_COMPARE(background(view), QColor(0x202020));
        QCOMPARE(background(page<VerlaufPage>(w)->historyPage()->plot()), QColor(0x202020)); // the tab too
        QApplication::setPalette(light);
        QTRY_COMPARE(background(view), light.color(QPalette::Base));
    }

    // Written by ENDE once the window has been open, in twips; applied when it opens after a restart.
    void boundsOverRestart()
    {
        const QString ini = dir.filePath("SENVARO.INI");
        QVERIFY(writeFile(ini, "[User]\r\nName=x\r\n[bekannte MAC-Adressen]\r\nAnzahl=0\r\n"));
        const auto start = [&ini](frmMonitor &w) {
            Settings s;
            QVERIFY(IniFile().load(ini, s));
            w.Form_Load();
            w.applySettings(s);
        };
        {
            frmMonitor w;
            start(w);
            QVERIFY(IniFile().Save(ini, w.collectSettings()) && !readFile(ini).contains("Verlaufsfenster"));
            HistoryWindow *win = openWindow(w);
            win->move(30, 40);
            win->resize(600, 400);
            win->close(); // kept when closed, written at the end
            QVERIFY(IniFile().Save(ini, w.collectSettings()));
        }
        QVERIFY(readFile(ini).endsWith(
            "IP=192.168.0.1\r\n[Verlaufsfenster]\r\nleft=450\r\ntop=600\r\nwidth=9000\r\n"
            "height=6000\r\n"));
        frmMonitor w;
        start(w);
        HistoryWindow *win = openWindow(w);
        QCOMPARE(QRect(win->pos(), win->size()), QRect(30, 40, 600, 400));
        // Still open at ENDE: where it is now, not where it was last closed.
        win->move(70, 90);
        QCOMPARE(w.collectSettings().historyWindow, std::optional(QRect(1050, 1350, 9000, 6000)));
        win->close();

        // A place on no screen (a monitor unplugged) is not taken: the window opens within reach.
        QVERIFY(writeFile(ini, readFile(ini).replace("left=450", "left=-300000")));
        frmMonitor far;
        start(far);
        HistoryWindow *shown = openWindow(far);
        QCOMPARE(shown->size(), QSize(600, 400));
        QVERIFY(shown->screen()->availableGeometry().intersects(QRect(shown->pos(), shown->size())));
    }

    // "evaluations | pieces | labels": evaluations at T0 + seconds, "(s)" without station A; the
    // points of each piece of A's line; the time axis' end labels (10 minutes up to the newest).
    void gaps_data()
    {
        QTest::addColumn<QString>("row");
        QTest::newRow("away once") << "0 2 (4) 6 8 | 2 2 | 11:50:08 12:00:08";
        QTest::newRow("polling paused") << "0 2 4 64 66 | 3 2 | 11:51:06 12:01:06";
        QTest::newRow("slower cycle") << "0 2 4 14 24 | 5 | 11:50:24 12:00:24";
        QTest::newRow("break left of the plot") << "0 (2) 500 502 1300 | 1 | 12:11:40 12:21:40";
    }
    void gaps()
    {
        QFETCH(QString, row);
        const QStringList parts = row.split(" | ");
        StationHistory h;
        HistoryPage page(&h);
        page.resize(700, 500);
        page.show();
        page.setActive(true);
        for (const QString &at : parts[0].split(' '))
            h.addEvaluation(T0.addSecs(at.trimmed().remove('(').remove(')').toInt()),
                            samples(at.startsWith('(') ? "B" : "A B"));
        QStringList sizes;
        for (const QList<QPointF> &piece : page.plot()->pieces("A"))
            sizes << QString::number(piece.size());
        QCOMPARE(sizes.join(' '), parts[1]);
        QCOMPARE(page.timeLabels().first() + ' ' + page.timeLabels().last(), parts[2]);
        QCOMPARE(texts(ctl<QListWidget>(page, "lstVerlaufLegende")), QStringList({"A", "B"})); // once each
    }

    // Legend, hover text and events name the maker, once the registry has loaded.
    void makers()
    {
        QTemporaryDir registry;
        QVERIFY(writeFile(registry.filePath("oui.csv"), "Registry,Assignment,Organization Name,Organization "
                                                        "Address\r\nMA-L,001122,Parent Maker,x\r\n"));
        frmMonitor w;
        w.setVendorFolder(registry.path());
        w.Form_Load();
        HistoryWindow *win = openWindow(w);
        QSignalSpy ready(&w.vendors(), &VendorRegistry::namesReady);
        w.history().addEvaluation(T0, samples("00:11:22:33:44:55=Anna 02:00:00:00:00:01=Handy"));
        QVERIFY(ready.count() == 1 || ready.wait(10'000));
        QCOMPARE(texts(ctl<QListWidget>(*win, "lstVerlaufLegende")),
                 QStringList({"Anna (Parent Maker)", "Handy (private Adresse)"}));
        QCOMPARE(win->page()->toolTipText("00:11:22:33:44:55", T0.toMSecsSinceEpoch()).section('\n', 0, 0),
                 QString("Anna (Parent Maker)"));
        QCOMPARE(texts(ctl<QListWidget>(*win, "lstVerlaufEreignisse")).value(1).section("  ", 1),
                 QString("Anna (Parent Maker)  verbunden"));
        page<VerlaufPage>(w)->historyPage()->setActive(true); // the page in the tab names them too
        QCOMPARE(texts(ctl<QListWidget>(*page<VerlaufPage>(w)->historyPage(), "lstVerlaufLegende")).value(0),
                 QString("Anna (Parent Maker)"));
    }
};

QTEST_MAIN(TestHistory)
#include "tst_window_verlauf.moc"
