// The page "Verlauf": spans, the acknowledge switch, hidden lines, drawing only while
// shown, the event list and the thinning of long lines.

#include <QChart>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeAxis>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QListWidget>
#include <QtTest>

#include "monitor/history.h"
#include "ui/historypage.h"

namespace {

const QDateTime T0(QDate(2026, 3, 1), QTime(12, 0, 0));

HistorySample sample(const QString &mac, const QString &name, double rx, double ack)
{
    return HistorySample{mac, name, rx, ack, 54, QStringLiteral("11g")};
}

// Two stations over 25 hours, one sample a minute: A's rx is the minute number
// modulo 100, its ack 100 minus that; B the other way round.
void fillDay(StationHistory &h)
{
    for (int m = 0; m <= 25 * 60; ++m) {
        const double v = m % 100;
        h.addEvaluation(T0.addSecs(60 * m),
                        {sample("A", "Laptop Anna", v, 100 - v), sample("B", "Werkstatt", 100 - v, v)});
    }
}

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
    QStringList eventTexts() const
    {
        QStringList out;
        for (int i = 0; i < events->count(); ++i)
            out << events->item(i)->text();
        return out;
    }
};

} // namespace

class TestHistoryPage : public QObject
{
    Q_OBJECT
private slots:
    void spans_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<qint64>("spanMs");
        QTest::addColumn<bool>("ack");
        QTest::newRow("10 min") << 0 << "10 min" << 600'000LL << false;
        QTest::newRow("1 h") << 1 << "1 h" << 3'600'000LL << false;
        QTest::newRow("8 h, acknowledge level") << 2 << "8 h" << 28'800'000LL << true;
        QTest::newRow("24 h, acknowledge level") << 3 << "24 h" << 86'400'000LL << true;
    }
    void spans()
    {
        QFETCH(int, index);
        QFETCH(qint64, spanMs);
        QFETCH(bool, ack);
        QFETCH(QString, caption);
        Page p;
        fillDay(p.history);
        p.page.setActive(true);
        QVERIFY(p.span && p.ack && p.events);
        p.span->setCurrentIndex(index);
        p.ack->setChecked(ack);
        QCOMPARE(p.span->currentText(), caption);

        const qint64 t1 = p.history.lastMs();
        QCOMPARE(p.page.timeAxis()->min().toMSecsSinceEpoch(), t1 - spanMs);
        QCOMPARE(p.page.timeAxis()->max().toMSecsSinceEpoch(), t1);
        const QList<QPointF> pts = p.points("A");
        // One point a minute, one more entering from the left edge; a long span
        // thinned to two points per pixel column.
        const qsizetype all = spanMs / 60'000 + 2;
        if (all <= 2 * p.page.plotWidth()) {
            QCOMPARE(pts.size(), all);
        } else {
            QVERIFY(pts.size() <= 2 * p.page.plotWidth() + 3);
            QVERIFY(pts.size() >= p.page.plotWidth());
        }
        // (The history itself keeps no point older than 24 hours.)
        QCOMPARE(qint64(pts.first().x()), std::max(t1 - spanMs - 60'000, t1 - StationHistory::kKeepMs));
        QCOMPARE(qint64(pts.last().x()), t1);
        // The last minute is 1500: rx 0, ack 100 for A.
        QCOMPARE(pts.last().y(), ack ? 100.0 : 0.0);
        QCOMPARE(p.page.series("A")->name(), QString("Laptop Anna"));
        // Thinned to the plot's width again after a resize, without waiting for data.
        const int wide = p.page.plotWidth();
        p.page.resize(380, 400);
        QTRY_VERIFY(p.page.plotWidth() < wide);
        QTRY_VERIFY(p.points("A").size() <= 2 * p.page.plotWidth() + 3);
    }

    void hiddenLines()
    {
        Page p;
        fillDay(p.history);
        p.page.setActive(true);
        QLineSeries *a = p.page.series("A");
        QVERIFY(a && a->isVisible());
        const QList<QLegendMarker *> markers = p.page.chart()->legend()->markers(a);
        QCOMPARE(markers.size(), 1);
        QCoreApplication::processEvents(); // the legend lays its entries out
        QVERIFY(markers.first()->isVisible());
        emit markers.first()->clicked();
        QCoreApplication::processEvents();
        QVERIFY(p.page.isLineHidden("A"));
        QVERIFY(!a->isVisible());
        QVERIFY(markers.first()->isVisible()); // the entry stays to be clicked again
        QVERIFY(p.page.series("B")->isVisible());
        // Hidden through redraws and span changes.
        p.history.addEvaluation(T0.addSecs(60 * 1501), {sample("A", "Laptop Anna", 1, 2)});
        p.span->setCurrentIndex(1);
        QVERIFY(!p.page.series("A")->isVisible());
        emit markers.first()->clicked();
        QVERIFY(p.page.series("A")->isVisible());
        QCOMPARE(p.points("A").last(), QPointF(qreal(T0.addSecs(60 * 1501).toMSecsSinceEpoch()), 1.0));
    }

    // Not drawn while another page is shown; brought up to date at once when shown.
    void drawsOnlyWhileShown()
    {
        Page p;
        p.history.addEvaluation(T0, {sample("A", "Laptop Anna", 10, 20)});
        QVERIFY(!p.page.isCurrent());
        QVERIFY(!p.page.series("A"));
        p.page.setActive(true);
        QVERIFY(p.page.isCurrent());
        QCOMPARE(p.points("A").size(), 1);
        p.history.addEvaluation(T0.addSecs(2), {sample("A", "Laptop Anna", 11, 20)});
        QCOMPARE(p.points("A").size(), 2);
        p.page.setActive(false);
        p.history.addEvaluation(T0.addSecs(4), {sample("A", "Anna", 12, 20), sample("C", "C", 5, 5)});
        p.ack->setChecked(true);
        QCOMPARE(p.points("A").size(), 2);
        QVERIFY(!p.page.series("C"));
        QVERIFY(!p.page.isCurrent());
        p.page.setActive(true);
        QCOMPARE(p.points("A").size(), 3);
        QCOMPARE(p.page.series("A")->name(), QString("Anna"));
        QCOMPARE(p.points("C"), QList<QPointF>({QPointF(qreal(T0.addSecs(4).toMSecsSinceEpoch()), 5.0)}));
        // A station gone for a day loses its line.
        p.history.addEvaluation(T0.addSecs(4 + 86'401), {sample("A", "Anna", 12, 20)});
        QVERIFY(!p.page.series("C"));
        QCOMPARE(p.page.chart()->series().size(), 1);
    }

    void eventList()
    {
        Page p;
        p.page.setActive(true);
        const QDateTime t(QDate(2026, 3, 1), QTime(12, 3, 15));
        p.history.addEvaluation(t, {sample("A", "Laptop Anna", 10, 20), sample("B", "Werkstatt", 1, 1)});
        p.history.addEvaluation(t.addSecs(2), {sample("B", "Werkstatt", 1, 1)});
        QCOMPARE(p.eventTexts(),
                 QStringList({"12:03:17  Laptop Anna  getrennt", "12:03:15  Werkstatt  verbunden",
                              "12:03:15  Laptop Anna  verbunden"}));
        // Caught up after a pause with many events (filled afresh), then cleared.
        p.page.setActive(false);
        for (int i = 1; i <= 300; ++i)
            p.history.addEvaluation(t.addSecs(2 + i),
                                    i % 2 ? QList<HistorySample>{}
                                          : QList<HistorySample>{sample("B", "Werkstatt", 1, 1)});
        p.page.setActive(true);
        QCOMPARE(p.events->count(), 303);
        QCOMPARE(p.events->item(0)->text(), QString("12:08:17  Werkstatt  verbunden"));
        QCOMPARE(p.events->item(302)->text(), QString("12:03:15  Laptop Anna  verbunden"));
        p.history.clear();
        QCOMPARE(p.events->count(), 0);
        p.history.addEvaluation(t.addSecs(400), {sample("A", "Laptop Anna", 10, 20)});
        QCOMPARE(p.eventTexts(), QStringList({"12:09:55  Laptop Anna  verbunden"}));
    }

    void toolTip()
    {
        Page p;
        p.history.addEvaluation(T0, {sample("A", "Laptop Anna", 62.5, 31.25)});
        p.history.addEvaluation(T0.addSecs(10), {sample("A", "Laptop Anna", 50, 20)});
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const qint64 t = T0.toMSecsSinceEpoch();
        QCOMPARE(p.page.toolTipText("A", t + 4000),
                 QString("Laptop Anna\n01.03.2026 12:00:00\nRX Level: 62,5 %"));
        p.ack->setChecked(true);
        QCOMPARE(p.page.toolTipText("A", t + 6000),
                 QString("Laptop Anna\n01.03.2026 12:00:10\nAck. Level: 20 %"));
        QLocale::setDefault(QLocale::c());
        QCOMPARE(p.page.toolTipText("X", t), QString());
    }

    // Thinned to the lowest and highest value of each pixel column, every dip kept.
    void decimation()
    {
        StationHistory h;
        for (int i = 0; i < 43'200; ++i)
            h.addEvaluation(T0.addSecs(2 * i), {sample("A", "A", i == 20'000 ? 3 : 40 + i % 7, 50)});
        const qint64 t1 = h.lastMs();
        const QList<QPointF> pts = HistoryPage::decimate(h, 0, false, t1 - 86'400'000, t1, 500);
        QVERIFY2(pts.size() <= 2 * 500 + 3 && pts.size() >= 500, qPrintable(QString::number(pts.size())));
        qreal lo = 100, hi = 0;
        for (qsizetype i = 0; i < pts.size(); ++i) {
            lo = std::min(lo, pts[i].y());
            hi = std::max(hi, pts[i].y());
            if (i > 0)
                QVERIFY(pts[i].x() > pts[i - 1].x());
        }
        QCOMPARE(lo, 3.0);
        QCOMPARE(hi, 46.0);
        QCOMPARE(qint64(pts.last().x()), t1);
    }
};

QTEST_MAIN(TestHistoryPage)
#include "tst_historypage.moc"
