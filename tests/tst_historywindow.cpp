// The history in a window of its own: it grows with the window and follows the system's
// palette, keeps its place over a restart, breaks a station's line where the station was
// away, and names the makers.

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include "config/inifile.h"
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
        frmMonitor w;
        w.Form_Load();
        w.show();
        HistoryWindow *win = openWindow(w);
        QVERIFY(win->isVisible() && win->isWindow() && win->page()->isActive());
        auto *view = ctl<QChartView>(*win, "chartVerlauf");
        auto *events = ctl<QListWidget>(*win, "lstVerlaufEreignisse");
        QVERIFY(!ctl<QPushButton>(*ctl<HistoryPage>(w, "Verlauf"), "cmdVerlaufFenster")->isHidden());
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
        QTRY_COMPARE(win->page()->chart()->theme(), QChart::ChartThemeDark);
        QCOMPARE(win->page()->chart()->backgroundBrush().color(), QColor(0x202020));
        QTRY_COMPARE(ctl<HistoryPage>(w, "Verlauf")->chart()->theme(), QChart::ChartThemeDark); // the tab too
        QApplication::setPalette(light);
        QTRY_COMPARE(win->page()->chart()->theme(), QChart::ChartThemeLight);
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
                            samples(at.startsWith('(') ? QStringList{"B"} : QStringList{"A", "B"}));
        QStringList sizes;
        for (QLineSeries *s : page.pieces("A"))
            sizes << QString::number(s->count());
        QCOMPARE(sizes.join(' '), parts[1]);
        QCOMPARE(page.timeLabels().first() + ' ' + page.timeLabels().last(), parts[2]);
        QCOMPARE(texts(ctl<QListWidget>(page, "lstVerlaufLegende")), QStringList({"A", "B"})); // once each
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
        frmMonitor w;
        w.setVendorFolder(registry.path());
        w.Form_Load();
        HistoryWindow *win = openWindow(w);
        QSignalSpy ready(&w.vendors(), &VendorRegistry::namesReady);
        w.history().addEvaluation(T0, samples({"00:11:22:33:44:55=Anna", "02:00:00:00:00:01=Handy"}));
        QVERIFY(ready.count() == 1 || ready.wait(10'000));
        QCOMPARE(texts(ctl<QListWidget>(*win, "lstVerlaufLegende")),
                 QStringList({"Anna (Parent Maker)", "Handy (private Adresse)"}));
        QCOMPARE(win->page()->toolTipText("00:11:22:33:44:55", T0.toMSecsSinceEpoch()).section('\n', 0, 0),
                 QString("Anna (Parent Maker)"));
        QCOMPARE(texts(ctl<QListWidget>(*win, "lstVerlaufEreignisse")).value(1).section("  ", 1),
                 QString("Anna (Parent Maker)  verbunden"));
        ctl<HistoryPage>(w, "Verlauf")->setActive(true); // the page in the tab names them too
        QCOMPARE(texts(ctl<QListWidget>(*ctl<HistoryPage>(w, "Verlauf"), "lstVerlaufLegende")).value(0),
                 QString("Anna (Parent Maker)"));
    }
};

QTEST_MAIN(TestHistoryWindow)
#include "tst_historywindow.moc"
