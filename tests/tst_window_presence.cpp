// "Wer ist da?": the watch list's arrival and departure notices against the simulator on a
// stepped clock (private session bus, recording notification server), its settings through
// the dialog and back after a restart, the presence window's table and band, and the
// history's spans of days read from day files, with their export.
#include <QtTest>
#include <QtWidgets>

#include <time.h>

#include "app/startstop.h"
#include "apsim.h"
#include "config/inifile.h"
#include "monitor/historylog.h"
#include "monitor/presencemodel.h"
#include "notifyserver.h"
#include "testsupport.h"
#include "ui/alertsdialog.h"
#include "ui/alertview.h"
#include "ui/celldelegate.h"
#include "ui/frmMonitor.h"
#include "ui/historypage.h"
#include "ui/historyplot.h"
#include "ui/historywindow.h"
#include "ui/loginpage.h"
#include "ui/presenceview.h"
#include "ui/presencewindow.h"
#include "ui/verlaufpage.h"

namespace {

const QString ANNA = "00:11:22:33:44:55", BERT = "02:00:00:00:00:0B", GAST = "00:0A:0B:0C:0D:0E";
const QString IP = "127.0.9.7"; // an address no other test listens on

StationValue value(const QString &mac, const QString &name, bool known)
{
    StationValue v;
    v.mac = mac;
    v.name = name;
    v.known = known;
    v.rx = 50;
    v.ack = 40;
    v.rate = 54;
    v.mode = "11g";
    return v;
}

// The table as shown, row by row: the columns' texts joined by "|".
QStringList shownRows(const QTableView *table)
{
    QStringList rows;
    const QAbstractItemModel *m = table->model();
    for (int r = 0; r < m->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < m->columnCount(); ++c)
            cells << m->index(r, c).data().toString();
        rows << cells.join('|');
    }
    return rows;
}

const KnownClients kKnown = knownClients({{"F0:18:98:00:00:01", "AP             ", "127.0.0.1", "Wahr"},
                                          {ANNA, "Laptop Anna    ", "", "Falsch"},
                                          {BERT, "Bert           ", "", "Falsch"}});

} // namespace

class TestWindowPresence : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // Local times in the texts below are those of this zone.
        qputenv("TZ", "UTC");
        tzset();
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const QString failed = server.start();
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        m_ini = m_dir.filePath("SENVARO.INI");
        QVERIFY(writeFile(m_dir.filePath("oui.csv"),
                          "Registry,Assignment,Organization Name,Organization Address\r\n"
                          "MA-L,001122,Parent Maker,x\r\n"));
    }

    // A watched device is listed at the login, leaves for longer than the grace period and
    // comes back; an unwatched one does the same; both drop out for less than the grace
    // period. Only the watched one is announced, each time once, replacing its last notice.
    void watchList()
    {
        QVERIFY(server.reset());
        apsim::ApSim sim;
        sim.options().stations = {station(ANNA), station(BERT)};
        QVERIFY(sim.listen(QHostAddress(IP)));
        auto clock = std::make_shared<SteppedClock>();
        frmMonitor w(nullptr, clock);
        StartStop::attach(w, m_ini);
        w.setVendorFolder(m_dir.path());
        w.alertView().setNotificationBus(server.client());
        AlertSettings alerts; // only the watch list speaks
        alerts.stationLeft = alerts.stranger = alerts.weakSignal = alerts.accessPoint = false;
        alerts.graceSeconds = 20;
        w.alertWatch().setSettings(alerts);
        w.setKnownClients(kKnown);
        WatchListSettings watch;
        watch.setWatched(ANNA, true);
        w.presence().setWatchList(watch);
        startLogin(w, IP);
        ctl<QComboBox>(w, "cmbZyklus")->setEditText("2");
        const auto run = [&](int seconds) {
            for (int step = 0; step < seconds * 10; ++step) {
                clock->advance(100);
                QTest::qWait(1);
            }
        };
        const auto stations = [&](const QList<apsim::Station> &list) { sim.options().stations = list; };
        const auto summaries = [&] {
            QStringList out;
            for (const NotifyServer::Call &c : server.calls)
                out << c.summary + "|" + QString::number(c.replaces) + "|" + c.body;
            return out;
        };
        const QString arrived = "Station angekommen|%1|Laptop Anna (" + ANNA +
                                ") ist angekommen (Hersteller: "
                                "Parent Maker)";
        run(8);
        QTRY_COMPARE(summaries(), QStringList{arrived.arg(0)});
        // Listed and watched: the tray and the station button say since when.
        QVERIFY2(
            w.alertView().trayState().toolTip.contains("\nLaptop Anna: verbunden seit 01.03.2026 12:00:0"),
            qPrintable(w.alertView().trayState().toolTip));
        QVERIFY(ctl<QRadioButton>(w, "OptClients_0")
                    ->toolTip()
                    .startsWith("Parent Maker\nverbunden seit 01.03.2026"));

        stations({}); // both away for less than the grace period
        run(12);
        stations({station(ANNA), station(BERT)});
        run(6);
        QCOMPARE(server.calls.size(), 1);
        stations({}); // both away for longer
        run(30);
        QTRY_COMPARE(server.calls.size(), 2);
        QVERIFY(!w.alertView().trayState().toolTip.contains("Laptop Anna"));
        stations({station(ANNA), station(BERT)});
        run(6);
        QTRY_COMPARE(server.calls.size(), 3);
        run(4);
        QCOMPARE(summaries(), (QStringList{arrived.arg(0),
                                           "Station gegangen|41|Laptop Anna (" + ANNA +
                                               ") ist gegangen (Hersteller: Parent Maker)",
                                           arrived.arg(42)}));
        // Beside the other alerts in the event list.
        QStringList events;
        for (const HistoryEvent &e : w.history().events())
            if (!e.alert.isEmpty())
                events << e.alert + " " + e.mac;
        QCOMPARE(events, (QStringList{"Station angekommen " + ANNA, "Station gegangen " + ANNA,
                                      "Station angekommen " + ANNA}));
        page<LoginPage>(w)->Cmd_logout_Click();
        run(2);
    }

    // The dialog lists the known clients (no access point); what it is given back reaches
    // the file by ENDE, only once changed, and comes back after a restart, as the start
    // reads it. The start also removes the log's day files beyond the days kept.
    void watchSettings()
    {
        QVERIFY(writeFile(m_ini, "[Server]\r\nIP=127.0.0.1\r\n"));
        ProcessEndRecorder ends;
        const auto dialogOf = [](frmMonitor &w) {
            page<VerlaufPage>(w)->cmdBenachrichtigungen_Click();
            return w.findChild<AlertsDialog *>();
        };
        const auto marks = [](AlertsDialog *d) {
            QStringList out;
            auto *t = ctl<QTableWidget>(*d, "tblBeobachtet");
            for (int r = 0; r < t->rowCount(); ++r)
                out << t->item(r, 0)->text() + "=" +
                           QString::number(t->item(r, 1)->checkState() == Qt::Checked);
            return out;
        };
        const auto start = [&](frmMonitor &w) {
            StartStop::attach(w, m_ini);
            w.setKnownClients(kKnown);
            w.presence().load(m_ini);
        };
        {
            frmMonitor w;
            start(w);
            AlertsDialog *d = dialogOf(w);
            QVERIFY(d);
            QCOMPARE(marks(d), (QStringList{"Laptop Anna (" + ANNA + ")=0", "Bert (" + BERT + ")=0"}));
            d->accept(); // nothing changed: nothing written
            w.CmdEnde_Click();
            QCOMPARE(ends.calls(), 1);
            const QByteArray file = readFile(m_ini);
            QVERIFY(file.contains("[Server]") && !file.contains("[Beobachtet]") &&
                    !file.contains("behalten"));
        }
        {
            frmMonitor w;
            start(w);
            AlertsDialog *d = dialogOf(w);
            ctl<QTableWidget>(*d, "tblBeobachtet")->item(1, 1)->setCheckState(Qt::Checked);
            ctl<QSpinBox>(*d, "spnTageBehalten")->setValue(90);
            const QByteArray before = readFile(m_ini);
            d->accept();
            QCOMPARE(readFile(m_ini), before); // kept for ENDE
            w.CmdEnde_Click();
            const QByteArray file = readFile(m_ini);
            QVERIFY(file.contains("\r\nVerlauf Tage behalten=90\r\n"));
            QVERIFY(file.endsWith("[Beobachtet]\r\n" + BERT.toLatin1() + "=1\r\n"));
        }
        const QByteArray header = HistoryLog::header().toLatin1();
        const QDate today = QDate::currentDate();
        const QString old = m_dir.filePath(HistoryLog::fileName(today.addDays(-90)));
        const QString kept = m_dir.filePath(HistoryLog::fileName(today.addDays(-89)));
        const QString foreign = m_dir.filePath("SENVARO-Verlauf-alt.csv");
        QVERIFY(writeFile(old, header) && writeFile(kept, header) && writeFile(foreign, header));
        {
            frmMonitor w;
            start(w);
            QVERIFY(!QFile::exists(old) && QFile::exists(kept) && QFile::exists(foreign));
            QCOMPARE(w.presence().watchList().macs, QStringList{BERT});
            QCOMPARE(w.presence().historySettings().keepDays, 90);
            AlertsDialog *d = dialogOf(w);
            QCOMPARE(marks(d), (QStringList{"Laptop Anna (" + ANNA + ")=0", "Bert (" + BERT + ")=1"}));
            QCOMPARE(ctl<QSpinBox>(*d, "spnTageBehalten")->value(), 90);
            ctl<QTableWidget>(*d, "tblBeobachtet")->item(1, 1)->setCheckState(Qt::Unchecked);
            d->accept();
            w.CmdEnde_Click();
            QVERIFY(readFile(m_ini).endsWith("[Beobachtet]\r\n" + BERT.toLatin1() + "=0\r\n"));
        }
    }

    // The table against the monitor on a stepped clock: rows, states, since when and how
    // long; "da" first; a sort by name and the selection survive an update; the band of the
    // selected device shows when it was there (from memory, the log being off).
    void presenceWindow()
    {
        QVERIFY(writeFile(m_ini, ""));
        auto clock = std::make_shared<SteppedClock>();
        const auto window = knownClientsWindow(clock);
        frmMonitor &w = *window;
        StationMonitor &m = w.stationMonitor();
        AlertSettings alerts;
        alerts.graceSeconds = 60;
        m.setAlertSettings(alerts);
        m.watch(IP);
        clock->advance(10 * 60'000); // 12:10
        m.evaluated(IP, {value(ANNA, "Laptop Anna", true), value(GAST, GAST, false)});
        clock->advance(5 * 60'000); // 12:15: Gast gone, Bert never seen
        m.evaluated(IP, {value(ANNA, "Laptop Anna", true)});
        clock->advance(2 * 60'000);
        m.tick();

        ctl<QPushButton>(*page<VerlaufPage>(w)->historyPage(), "cmdWerIstDa")->click();
        PresenceWindow *p = w.presence().window();
        QVERIFY(p && p->isVisible());
        QCOMPARE(p->windowTitle(), "Senvaro - Wer ist da?");
        QTableView *table = p->table();
        QStringList headers;
        for (int c = 0; c < table->model()->columnCount(); ++c)
            headers << table->model()->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(headers, (QStringList{"Name", "Hersteller", "Zustand", "verbunden seit", "Dauer",
                                       "zuletzt gesehen"}));
        QTRY_COMPARE(shownRows(table),
                     (QStringList{"Laptop Anna|Parent Maker|da|01.03.2026 12:10:00|7 min|01.03.2026 12:15:00",
                                  "Bert|private Adresse|weg|||", GAST + "||weg|||01.03.2026 12:10:00"}));

        table->sortByColumn(PresenceModel::Name, Qt::DescendingOrder);
        table->selectRow(2); // Gast
        QCOMPARE(p->selectedMac(), GAST);
        clock->advance(60'000); // 12:18: Gast back, Bert arrives, a new stranger sorts in
        const QString neu = "AA:BB:CC:00:00:01";
        m.evaluated(IP, {value(ANNA, "Laptop Anna", true), value(GAST, GAST, false),
                         value(BERT, "Bert", true), value(neu, neu, false)});
        QCOMPARE(shownRows(table),
                 (QStringList{"Laptop Anna|Parent Maker|da|01.03.2026 12:10:00|8 min|01.03.2026 12:18:00",
                              "Bert|private Adresse|da|01.03.2026 12:18:00|0 min|01.03.2026 12:18:00",
                              neu + "|private Adresse|da|01.03.2026 12:18:00|0 min|01.03.2026 12:18:00",
                              GAST + "||da|01.03.2026 12:18:00|0 min|01.03.2026 12:18:00"}));
        QCOMPARE(p->selectedMac(), GAST);

        // Gast's days from memory: 12:10 and again from 12:18 (a break between).
        QTRY_VERIFY(p->isBandCurrent());
        PresenceDays *days = p->days();
        const qint64 noon = QDateTime(QDate(2026, 3, 1), QTime(12, 0), Qt::UTC).toMSecsSinceEpoch();
        QCOMPARE(days->firstDayMs(), noon - 12 * 3'600'000LL - 6 * 86'400'000LL);
        QCOMPARE(days->bands(), (std::vector<PresenceBand>{{noon + 600'000, noon + 600'000},
                                                           {noon + 1'080'000, noon + 1'080'000}}));
        days->resize(86 + 6 + 24 * 20, days->height());
        const int lastRow = days->height() - 6;
        QCOMPARE(days->toolTipAt(QPoint(86 + 12 * 20 + 5, lastRow)), "So. 01.03.2026, 12 - 13 Uhr: da");
        QCOMPARE(days->toolTipAt(QPoint(86 + 13 * 20 + 5, lastRow)), "So. 01.03.2026, 13 - 14 Uhr: weg");
        QCOMPARE(days->accessibleName(), "Anwesenheit der letzten 7 Tage");

        // Without the log the history's window exports what memory holds of the shown lines.
        page<VerlaufPage>(w)->openHistoryWindow();
        HistoryPage *own = page<VerlaufPage>(w)->historyWindow()->page();
        for (const QString &mac : {GAST, BERT, neu})
            own->setLineHidden(mac, true);
        QString error;
        const QString out = m_dir.filePath("memory.csv");
        QVERIFY2(own->exportTo(out, &error), qPrintable(error));
        const QByteArray anna = ";Messwert;" + ANNA.toLatin1() + ";Laptop Anna;50;40;54;11g;Parent Maker\r\n";
        QCOMPARE(readFile(out), HistoryLog::header().toLatin1() + "2026-03-01T12:10:00" + anna +
                                    "2026-03-01T12:15:00" + anna + "2026-03-01T12:18:00" + anna);
        page<VerlaufPage>(w)->historyWindow()->close();

        // Its size and place are written by ENDE once it has been open, and taken again.
        p->resize(610, 410);
        p->close();
        QVERIFY(!readFile(m_ini).contains("[Wer-ist-da-Fenster]"));
        ProcessEndRecorder ends;
        w.CmdEnde_Click();
        QVERIFY(readFile(m_ini).contains("[Wer-ist-da-Fenster]\r\nleft="));
        frmMonitor again;
        StartStop::attach(again, m_ini);
        again.presence().load(m_ini);
        ctl<QPushButton>(*page<VerlaufPage>(again)->historyPage(), "cmdWerIstDa")->click();
        QCOMPARE(again.presence().window()->size(), QSize(610, 410));
    }

    // An evaluation repaints only what it changed: in the table the cells whose text changed, the
    // band of days only once it grew by a pixel, and the screen then shows what a full paint shows.
    void presenceWindowRepaintsTheChangesOnly()
    {
        QVERIFY(writeFile(m_ini, ""));
        auto clock = std::make_shared<SteppedClock>();
        const auto window = knownClientsWindow(clock);
        frmMonitor &w = *window;
        StationMonitor &m = w.stationMonitor();
        m.watch(IP);
        const QList<StationValue> all{value(ANNA, "Laptop Anna", true), value(BERT, "Bert", true),
                                      value(GAST, GAST, false)};
        m.evaluated(IP, all);
        ctl<QPushButton>(*page<VerlaufPage>(w)->historyPage(), "cmdWerIstDa")->click();
        PresenceWindow *p = w.presence().window();
        QVERIFY(QTest::qWaitForWindowExposed(p));
        QTableView *table = p->table();
        table->selectRow(0);
        // The makers' names come in the background: then the table stays as it is.
        QTRY_VERIFY(!p->selectedMac().isEmpty() && p->isBandCurrent() &&
                    shownRows(table).join('\n').contains("Parent Maker"));
        QTest::qWait(50);
        PaintRecorder record;
        QHash<QObject *, QRegion> &painted = record.painted;

        // Of the rows there ("da"), the cells of these columns are repainted, nothing else.
        auto repainted = [&](const QList<int> &columns) {
            for (int r = 0; r < table->model()->rowCount(); ++r) {
                const bool there = table->model()->index(r, PresenceModel::State).data().toString() == "da";
                for (int c = 0; c < PresenceModel::ColumnCount; ++c)
                    if (painted[table->viewport()].intersects(
                            table->visualRect(table->model()->index(r, c))) != (there && columns.contains(c)))
                        return QString("row %1, column %2").arg(r).arg(c);
            }
            painted.clear();
            return QString();
        };
        clock->advance(2000); // the band grows by less than a pixel
        m.evaluated(IP, all);
        QCoreApplication::processEvents();
        QVERIFY(!painted.contains(p->days()));
        QCOMPARE(repainted({PresenceModel::LastSeen}), QString());

        clock->advance(20 * 60'000); // now by several pixels, and "Dauer" changes as well
        m.evaluated(IP, all);
        QCoreApplication::processEvents();
        QVERIFY(painted.contains(p->days()));
        QCOMPARE(repainted({PresenceModel::Duration, PresenceModel::LastSeen}), QString());
        for (QWidget *shown : {static_cast<QWidget *>(p->days()), table->viewport()}) {
            const QPoint at = shown->mapTo(p, QPoint(0, 0));
            QCOMPARE(p->screen()
                         ->grabWindow(p->winId(), at.x(), at.y(), shown->width(), shown->height())
                         .toImage()
                         .convertToFormat(QImage::Format_RGB32),
                     shown->grab().toImage().convertToFormat(QImage::Format_RGB32));
        }
    }

    // The table draws its cells from pictures of them: they look as Qt's own delegate draws
    // them (a selected row, the current cell, a text cut short, other alignments and colours,
    // a check box), also when the same texts come again and after a text changed; the
    // pictures kept stay within their bound.
    void tableCellsLookAsQtDraws()
    {
        QStandardItemModel model(4, 3);
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 3; ++c)
                model.setItem(r, c, new QStandardItem(QString("07.12.2026 23:3%1:0%2").arg(r).arg(c)));
        model.item(0, 0)->setText("Ein Name, der nicht in die Spalte passt und gekürzt wird");
        model.item(1, 1)->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        model.item(1, 2)->setForeground(Qt::red);
        model.item(0, 2)->setText(model.item(1, 2)->text()); // the same text in black
        model.item(3, 2)->setCheckable(true);
        model.item(3, 2)->setCheckState(Qt::Checked);
        QTableView plain, cached;
        auto *delegate = new CachedCellDelegate(&cached);
        cached.setItemDelegate(delegate);
        QPalette palette = plain.palette();
        palette.setColor(QPalette::Base, QColor(255, 250, 205));
        for (QTableView *view : {&plain, &cached}) {
            view->setPalette(palette);
            view->setModel(&model);
            view->setSelectionBehavior(QAbstractItemView::SelectRows);
            view->resize(420, 160);
            view->selectRow(2);
            view->setCurrentIndex(model.index(2, 1));
        }
        const auto same = [&] {
            return plain.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32) ==
                   cached.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        };
        QVERIFY(same());
        const int pictures = delegate->pictureCount();
        QVERIFY(pictures >= 9);
        QVERIFY(same()); // drawn from the pictures now
        QCOMPARE(delegate->pictureCount(), pictures);
        model.item(1, 0)->setText("07.12.2026 23:31:01"); // the text of the cell beside it
        model.item(2, 2)->setText("anders");
        QVERIFY(same());

        QTableView many;
        auto *bounded = new CachedCellDelegate(&many);
        many.setItemDelegate(bounded);
        many.setModel(&model);
        many.resize(420, 160);
        for (int i = 0; i < 400; ++i) {
            for (int r = 0; r < 4; ++r)
                model.item(r, 0)->setText(QString::number(i * 4 + r));
            many.viewport()->grab();
        }
        QVERIFY(bounded->pictureBytes() <= CachedCellDelegate::kMaxBytes);
        QVERIFY(bounded->pictureBytes() > CachedCellDelegate::kMaxBytes / 2);
    }

    // Seven day files with a junk line and a line cut short: the spans of days read them in
    // the background, draw min and max per pixel column and name the skipped lines; without
    // the log the spans say so and are disabled; the export writes the shown span.
    void daySpans()
    {
        QTemporaryDir dir;
        const QString ini = dir.filePath("SENVARO.INI");
        QVERIFY(writeFile(ini, ""));
        const QDate today = QDate::currentDate();
        const auto line = [](const QDateTime &t, const QString &mac, const QString &rx) {
            return (t.toString("yyyy-MM-ddTHH:mm:ss") + ";Messwert;" + mac + ";Laptop Anna;" + rx +
                    ";40;54;11g;Parent Maker\r\n")
                .toLatin1();
        };
        // Early in each day, so the seventh day back lies before the span of 7 days.
        QByteArray expected = HistoryLog::header().toLatin1();
        for (int d = 7; d >= 1; --d) {
            const QDate day = today.addDays(-d);
            const QDateTime early(day, QTime(0, 0, 30));
            const QByteArray anna = line(early, ANNA, "30") + line(early.addSecs(2), ANNA, "70");
            QByteArray file = HistoryLog::header().toLatin1() + anna;
            if (d == 3)
                file += "das ist keine Zeile\r\n";
            file += line(early.addSecs(4), BERT, "20");
            if (d == 2)
                file += line(early.addSecs(6), ANNA, "5").left(30); // cut off
            QVERIFY(writeFile(dir.filePath(HistoryLog::fileName(day)), file));
            if (d < 7)
                expected += anna;
        }

        frmMonitor w;
        StartStop::attach(w, ini);
        auto *shown = page<VerlaufPage>(w)->historyPage();
        auto *span = ctl<QComboBox>(*shown, "cmbVerlaufZeitraum");
        const auto *items = qobject_cast<QStandardItemModel *>(span->model());
        QCOMPARE(span->itemText(4), "7 Tage (nur mit Verlaufsprotokoll)");
        QVERIFY(!items->item(4)->isEnabled() && !items->item(5)->isEnabled());

        ctl<QCheckBox>(w, "chkVerlauf")->setChecked(true);
        QCOMPARE(span->itemText(4), "7 Tage");
        QVERIFY(items->item(4)->isEnabled() && items->item(5)->isEnabled());
        page<VerlaufPage>(w)->openHistoryWindow();
        HistoryPage *own = page<VerlaufPage>(w)->historyWindow()->page();
        auto *ownSpan = ctl<QComboBox>(*own, "cmbVerlaufZeitraum");
        ownSpan->setCurrentIndex(4);
        QVERIFY(own->isReading());
        QTRY_VERIFY(!own->isReading());
        QCOMPARE(own->plot()->lines(), (QStringList{ANNA, BERT}));
        // Per day one pixel column holds Anna's 30 and 70: a stroke from one to the other.
        QList<QList<QPointF>> pieces = own->plot()->pieces(ANNA);
        QCOMPARE(pieces.size(), 6);
        for (const QList<QPointF> &piece : pieces) {
            QCOMPARE(piece.size(), 2);
            QCOMPARE(piece[0].y(), 30.0);
            QCOMPARE(piece[1].y(), 70.0);
        }
        const QString junk = HistoryLog::fileName(today.addDays(-3)),
                      cut = HistoryLog::fileName(today.addDays(-2));
        QCOMPARE(own->statusText(),
                 "7 von 7 Tagesdateien gelesen, 18 Messwerte; 2 fehlerhafte Zeilen übersprungen: " + junk +
                     " (1), " + cut + " (1)");

        // Only Anna shown: the export holds her samples of the span, as the log wrote them.
        own->setLineHidden(BERT, true);
        const QString out = dir.filePath("export.csv");
        QString error;
        QVERIFY2(own->exportTo(out, &error), qPrintable(error));
        QCOMPARE(readFile(out), expected);
        QVERIFY(!own->exportTo(dir.filePath("no/such/folder/x.csv"), &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!QFile::exists(dir.filePath("no/such/folder/x.csv")));

        ownSpan->setCurrentIndex(5); // 30 days: the same files, the 7th day back too
        QTRY_VERIFY(!own->isReading());
        QCOMPARE(own->plot()->pieces(ANNA).size(), 7);

        ctl<QCheckBox>(w, "chkVerlauf")->setChecked(false); // back to a span of today
        QCOMPARE(ownSpan->currentIndex(), 3);
        QVERIFY(!items->item(4)->isEnabled());
        page<VerlaufPage>(w)->historyWindow()->close();
    }

private:
    // A window on the clock with the known clients and, as the start reads them, the
    // settings of m_ini.
    std::unique_ptr<frmMonitor> knownClientsWindow(const std::shared_ptr<SteppedClock> &clock)
    {
        auto w = std::make_unique<frmMonitor>(nullptr, clock);
        StartStop::attach(*w, m_ini);
        w->setVendorFolder(m_dir.path());
        w->setKnownClients(kKnown);
        w->presence().load(m_ini);
        return w;
    }

    QTemporaryDir m_dir;
    QString m_ini;
    NotifyServer server;
    ScriptedDialogs m_dialogs;
};

QTEST_MAIN(TestWindowPresence)
#include "tst_window_presence.moc"
