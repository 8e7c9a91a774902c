// The page "Verlauf": spans, the acknowledge switch, hidden lines, drawing only while
// shown, the event list and the thinning of long lines.

#include <QChart>
#include <QCheckBox>
#include <QComboBox>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QListWidget>
#include <QtTest>

#include "monitor/history.h"
#include "ui/historypage.h"

namespace {

const QDateTime T0(QDate(2026, 3, 1), QTime(12, 0, 0));

HistorySample sample(const QString &mac, double rx, double ack = 20)
{
    return HistorySample{mac, "Laptop " + mac, rx, ack, 54, QStringLiteral("11g")};
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
    // Two stations over 25 hours, one sample a minute: A's rx is the minute number
    // modulo 100, its ack 100 minus that; B the other way round.
    void fillDay()
    {
        for (int m = 0; m <= 25 * 60; ++m)
            history.addEvaluation(T0.addSecs(60 * m),
                                  {sample("A", m % 100, 100 - m % 100), sample("B", 100 - m % 100, m % 100)});
        page.setActive(true);
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
        QTest::addColumn<qint64>("spanMs");
        QTest::addColumn<bool>("ack");
        QTest::newRow("10 min") << 0 << 600'000LL << false;
        QTest::newRow("8 h, acknowledge level") << 2 << 28'800'000LL << true;
        QTest::newRow("24 h") << 3 << 86'400'000LL << false;
    }
    void spans()
    {
        QFETCH(int, index);
        QFETCH(qint64, spanMs);
        QFETCH(bool, ack);
        Page p;
        p.fillDay();
        p.span->setCurrentIndex(index);
        p.ack->setChecked(ack);
        const qint64 t1 = p.history.lastMs();
        const QList<QPointF> pts = p.points("A");
        // One point a minute, one more entering from the left edge; a long span
        // thinned to two points per pixel column.
        const qsizetype all = spanMs / 60'000 + 2;
        QVERIFY(all <= 2 * p.page.plotWidth() ? pts.size() == all : pts.size() <= 2 * p.page.plotWidth() + 3);
        QCOMPARE(qint64(pts.first().x()), std::max(t1 - spanMs - 60'000, t1 - StationHistory::kKeepMs));
        // The last minute is 1500: rx 0, ack 100 for A.
        QCOMPARE(pts.last(), QPointF(qreal(t1), ack ? 100.0 : 0.0));
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

    // Not drawn while another page is shown; brought up to date at once when shown, the
    // event list newest first and filled afresh after many events.
    void drawsOnlyWhileShown()
    {
        Page p;
        p.history.addEvaluation(T0, {sample("A", 10)});
        QVERIFY(!p.page.series("A"));
        p.page.setActive(true);
        p.history.addEvaluation(T0.addSecs(2), {sample("A", 11)});
        QCOMPARE(p.points("A").size(), 2);
        QCOMPARE(p.events->item(0)->text(), QString("12:00:00  Laptop A  verbunden"));
        p.page.setActive(false);
        for (int i = 2; i <= 302; ++i)
            p.history.addEvaluation(T0.addSecs(2 * i), {sample("A", 12), sample(i % 2 ? "A" : "C", 5)});
        p.ack->setChecked(true);
        QCOMPARE(p.points("A").size(), 2);
        QVERIFY(!p.page.series("C"));
        p.page.setActive(true);
        QCOMPARE(p.points("A").last().x(), qreal(T0.addSecs(604).toMSecsSinceEpoch()));
        QCOMPARE(p.points("C").last(), QPointF(qreal(T0.addSecs(604).toMSecsSinceEpoch()), 20.0));
        QCOMPARE(p.events->count(), 302);
        QCOMPARE(p.events->item(0)->text(), QString("12:10:04  Laptop C  verbunden"));
        QCOMPARE(p.events->item(301)->text(), QString("12:00:00  Laptop A  verbunden"));
        // A station gone for a day loses its line; a cleared history empties the list.
        p.history.addEvaluation(T0.addSecs(604 + 86'401), {sample("A", 12)});
        QCOMPARE(p.page.chart()->series().size(), 1);
        p.history.clear();
        QCOMPARE(p.events->count(), 0);
    }

    // Thinned to the lowest and highest value of each pixel column, every dip kept.
    void decimation()
    {
        StationHistory h;
        for (int i = 0; i < 43'200; ++i)
            h.addEvaluation(T0.addSecs(2 * i), {sample("A", i == 20'000 ? 3 : 40 + i % 7)});
        const qint64 t1 = h.lastMs();
        const QList<QPointF> pts = HistoryPage::decimate(h, 0, false, t1 - 86'400'000, t1, 500);
        QVERIFY(pts.size() <= 2 * 500 + 3 && pts.size() >= 500);
        const auto byY = [](QPointF a, QPointF b) { return a.y() < b.y(); };
        QCOMPARE(std::min_element(pts.begin(), pts.end(), byY)->y(), 3.0);
        QCOMPARE(std::max_element(pts.begin(), pts.end(), byY)->y(), 46.0);
        QVERIFY(std::adjacent_find(pts.begin(), pts.end(),
                                   [](QPointF a, QPointF b) { return a.x() >= b.x(); }) == pts.end());
        QCOMPARE(qint64(pts.last().x()), t1);
    }
};

QTEST_MAIN(TestHistoryPage)
#include "tst_historypage.moc"
