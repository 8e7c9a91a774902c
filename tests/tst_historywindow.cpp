// The history in a window of its own: it grows with the window, keeps its place over a
// restart, breaks a station's line where the station was away, names the makers, and
// follows the system's palette.

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QDateTimeAxis>
#include <QLineSeries>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include "app/globals.h"
#include "monitor/history.h"
#include "monitor/vendors.h"
#include "testsupport.h"
#include "ui/frmMonitor.h"
#include "ui/historypage.h"
#include "ui/historywindow.h"

namespace {

const QDateTime T0(QDate(2026, 3, 1), QTime(12, 0, 0));

QList<HistorySample> samples(const QStringList &macs)
{
    QList<HistorySample> list;
    for (const QString &m : macs)
        list.append({m.section('=', 0, 0), m.section('=', -1), 50, 25, 54, "11g"});
    return list;
}

// Clicks "Fenster ..." on the window's page "Verlauf" and returns what it opened.
HistoryWindow *openWindow(frmMonitor &w)
{
    ctl<QPushButton>(*ctl<HistoryPage>(w, "Verlauf"), "cmdVerlaufFenster")->click();
    return ctl<HistoryWindow>(w, "VerlaufFenster");
}

} // namespace

class TestHistoryWindow : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void opensAndGrows()
    {
        IniPfad.clear();
        frmMonitor w;
        w.Form_Load();
        HistoryWindow *win = openWindow(w);
        QVERIFY(win->isVisible() && win->isWindow() && win->page()->isActive());
        auto *view = ctl<QChartView>(*win, "chartVerlauf");
        auto *events = ctl<QListWidget>(*win, "lstVerlaufEreignisse");
        QVERIFY(!ctl<QPushButton>(*win, "cmdVerlaufFenster")->isVisible()); // no window from the window
        win->resize(500, 360);
        QTRY_VERIFY(view->width() < 500);
        const QSize chart = view->size(), list = events->size();
        win->resize(1000, 760);
        QTRY_VERIFY(view->width() > chart.width() + 400 && view->height() > chart.height() + 200);
        QVERIFY(events->height() > list.height() + 50);
    }

    // Written only once the window was open, in twips; applied when it opens after a restart.
    void boundsOverRestart()
    {
        IniPfad = dir.filePath("SENVARO.INI");
        const QByteArray before = "[PrgWindow]\r\nleft=0\r\n";
        QVERIFY(writeFile(IniPfad, before));
        {
            frmMonitor w;
            w.Form_Load();
            w.Unload();
        }
        QCOMPARE(readFile(IniPfad), before);
        {
            frmMonitor w;
            w.Form_Load();
            HistoryWindow *win = openWindow(w);
            win->move(30, 40);
            win->resize(600, 400);
            w.Unload(); // ENDE closes it with the main window
            QVERIFY(!win->isVisible());
        }
        QCOMPARE(readFile(IniPfad),
                 before + "[Verlaufsfenster]\r\nleft=450\r\ntop=600\r\nwidth=9000\r\nheight=6000\r\n");
        frmMonitor w;
        w.Form_Load();
        HistoryWindow *win = openWindow(w);
        QCOMPARE(QRect(win->pos(), win->size()), QRect(30, 40, 600, 400));
    }

    // Station A present (1) or not (0) at evaluations T0 + seconds: the pieces of its line, and
    // the time axis' labels at its ends (10 minutes up to the newest evaluation).
    void gaps_data()
    {
        QTest::addColumn<QList<int>>("seconds");
        QTest::addColumn<QList<int>>("present");
        QTest::addColumn<QList<int>>("pieces"); // points per piece
        QTest::addColumn<QString>("ends");
        QTest::newRow("away once") << QList<int>{0, 2, 4, 6, 8} << QList<int>{1, 1, 0, 1, 1}
                                   << QList<int>{2, 2} << "11:50:08 12:00:08";
        QTest::newRow("polling paused") << QList<int>{0, 2, 4, 64, 66} << QList<int>{1, 1, 1, 1, 1}
                                        << QList<int>{3, 2} << "11:51:06 12:01:06";
        QTest::newRow("slower cycle") << QList<int>{0, 2, 4, 14, 24} << QList<int>{1, 1, 1, 1, 1}
                                      << QList<int>{5} << "11:50:24 12:00:24";
        QTest::newRow("break left of the plot")
            << QList<int>{0, 2, 500, 502, 1300} << QList<int>{1, 0, 1, 1, 1} << QList<int>{1}
            << "12:11:40 12:21:40";
    }
    void gaps()
    {
        QFETCH(QList<int>, seconds);
        QFETCH(QList<int>, present);
        QFETCH(QList<int>, pieces);
        QFETCH(QString, ends);
        StationHistory h;
        HistoryPage page(&h);
        page.resize(700, 500);
        page.show();
        page.setActive(true);
        for (int i = 0; i < seconds.size(); ++i)
            h.addEvaluation(T0.addSecs(seconds[i]),
                            samples(present[i] ? QStringList{"A", "B"} : QStringList{"B"}));
        QList<int> sizes;
        for (QLineSeries *s : page.pieces("A"))
            sizes << int(s->count());
        QCOMPARE(sizes, pieces);
        const QStringList labels = page.timeLabels();
        QCOMPARE(labels.size(), 5);
        QCOMPARE(labels.first() + ' ' + labels.last(), ends);
        QCOMPARE(ctl<QListWidget>(page, "lstVerlaufLegende")->count(), 2); // each station once
        const QList<QLineSeries *> drawn = page.pieces("A");
        page.setLineHidden("A", true);
        for (QLineSeries *s : drawn)
            QVERIFY(!s->isVisible());
    }

    // Legend, hover text and events name the maker, once the registry has loaded.
    void makers()
    {
        QTemporaryDir registry;
        QVERIFY(writeFile(registry.filePath("oui.csv"), "Registry,Assignment,Organization Name,Organization "
                                                        "Address\r\nMA-L,001122,Parent Maker,x\r\n"));
        IniPfad.clear();
        frmMonitor w;
        w.setVendorFolder(registry.path());
        w.Form_Load();
        HistoryWindow *win = openWindow(w);
        QSignalSpy ready(&w.vendors(), &VendorRegistry::namesReady);
        w.history().addEvaluation(T0, samples({"00:11:22:33:44:55=Anna", "02:00:00:00:00:01=Handy"}));
        QVERIFY(ready.count() == 1 || ready.wait(10'000));
        auto *legend = ctl<QListWidget>(*win, "lstVerlaufLegende");
        QCOMPARE(legend->count(), 2);
        QCOMPARE(legend->item(0)->text(), QString("Anna (Parent Maker)"));
        QCOMPARE(legend->item(1)->text(), QString("Handy (private Adresse)"));
        QCOMPARE(win->page()->toolTipText("00:11:22:33:44:55", T0.toMSecsSinceEpoch()).section('\n', 0, 0),
                 QString("Anna (Parent Maker)"));
        const QString event = ctl<QListWidget>(*win, "lstVerlaufEreignisse")->item(1)->text();
        QCOMPARE(event.section("  ", 1), QString("Anna (Parent Maker)  verbunden"));
        // The page in the tab names them too.
        ctl<HistoryPage>(w, "Verlauf")->setActive(true);
        QCOMPARE(ctl<QListWidget>(*ctl<HistoryPage>(w, "Verlauf"), "lstVerlaufLegende")->item(0)->text(),
                 QString("Anna (Parent Maker)"));
    }

    void palette()
    {
        const QPalette light = QApplication::palette();
        HistoryWindow win(nullptr, nullptr);
        QPalette dark = light;
        dark.setColor(QPalette::Base, QColor(0x202020));
        dark.setColor(QPalette::Text, QColor(0xe0e0e0));
        QApplication::setPalette(dark);
        QTRY_COMPARE(win.page()->palette().color(QPalette::Base), QColor(0x202020));
        QCOMPARE(win.page()->chart()->backgroundBrush().color(), QColor(0x202020));
        QCOMPARE(win.page()->chart()->theme(), QChart::ChartThemeDark);
        QApplication::setPalette(light);
        QTRY_COMPARE(win.page()->chart()->theme(), QChart::ChartThemeLight);
    }
};

QTEST_MAIN(TestHistoryWindow)
#include "tst_historywindow.moc"
