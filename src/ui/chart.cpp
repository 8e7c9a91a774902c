#include "ui/chart.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QFontMetricsF>
#include <QGraphicsLayout>
#include <QGraphicsRectItem>
#include <QHash>
#include <QLocale>
#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>

#include <cmath>

#include "base/allgemein.h"

class StationChart::Impl
{
public:
    QChartView *view = nullptr;
    QChart *chart = nullptr;
    QBarSeries *series = nullptr;
    QBarSet *sets[2] = {nullptr, nullptr};
    QBarCategoryAxis *categories = nullptr;
    QValueAxis *values = nullptr;
    bool refreshPending = false;
    // Row labels as broken into lines for a room: stations come and go (and with them the
    // room per row), and a label measured once for a room is not measured again.
    QHash<std::pair<qreal, QString>, QString> brokenLabels;
};

namespace {

// A cell value as the chart takes it: a number text in the system's notation, or in
// the C notation; anything else reads by its leading number.
double cellValue(const QString &text)
{
    QLocale loc;
    loc.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    double v = loc.toDouble(text.trimmed(), &ok);
    if (!ok) {
        QLocale c = QLocale::c();
        c.setNumberOptions(QLocale::RejectGroupSeparator);
        v = c.toDouble(text.trimmed(), &ok);
    }
    if (!ok)
        v = fVal(text);
    return std::isfinite(v) ? v : 0.0;
}

// The bars stay inside the 0..100 axis.
qreal barHeight(double v)
{
    if (!(v > 0.0))
        return 0.0;
    return v > 100.0 ? 100.0 : v;
}

// A row label broken into lines of at most room pixels.
QString brokenLabel(const QString &source, const QFontMetricsF &fm, qreal room)
{
    QStringList lines;
    const QString t = source.left(200); // more never fits; keeps the cost bounded
    for (qsizetype at = 0; at < t.size();) {
        qsizetype len = 1;
        while (at + len < t.size() && fm.horizontalAdvance(t.mid(at, len + 1)) <= room)
            ++len;
        if (at + len < t.size()) {
            // Prefer a break after a colon or blank ("F0:18:" / "98:00:" / "00:05").
            for (qsizetype i = len - 1; i > 0; --i) {
                const QChar c = t.at(at + i);
                if (c == QLatin1Char(':') || c == QLatin1Char(' ')) {
                    len = i + 1;
                    break;
                }
            }
        }
        lines.append(t.mid(at, len).toHtmlEscaped());
        at += len;
    }
    return lines.join(QStringLiteral("<br>"));
}

// The category labels for the given row labels, each broken into lines of at most
// room pixels; broken holds labels broken before, by room and label.
QStringList axisLabels(const QStringList &sources, const QFontMetricsF &fm, qreal room,
                       QHash<std::pair<qreal, QString>, QString> &broken)
{
    // A bound for a window that sees ever new stations.
    if (broken.size() > 256)
        broken.clear();
    QStringList labels;
    labels.reserve(sources.size());
    for (const QString &source : sources) {
        const std::pair<qreal, QString> key(room, source);
        auto known = broken.constFind(key);
        if (known == broken.constEnd())
            known = broken.insert(key, brokenLabel(source, fm, room));
        QString label = *known;
        while (labels.contains(label))
            label += QChar(0x200B);
        labels.append(label);
    }
    return labels;
}

} // namespace

StationChart::StationChart(QWidget *parent) : QWidget(parent), m_rows(1), m_impl(new Impl)
{
    m_rows[0].label = QStringLiteral("Client");
    for (Row &r : m_rows) {
        r.text[0] = r.text[1] = QStringLiteral("0");
    }
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    setAccessibleName(QStringLiteral("Diagramm"));
}

// The chart's scene is made when it is first shown or asked for: a window that never
// shows its chart page starts without it.
void StationChart::build()
{
    if (m_impl->chart)
        return;
    Impl &d = *m_impl;
    d.chart = new QChart;
    d.chart->setAnimationOptions(QChart::NoAnimation);
    d.chart->legend()->setVisible(true);
    d.chart->legend()->setAlignment(Qt::AlignBottom);
    d.chart->setMargins(QMargins(2, 2, 2, 2));

    d.series = new QBarSeries;
    d.sets[0] = new QBarSet(QStringLiteral("RX Level"));
    d.sets[1] = new QBarSet(QStringLiteral("Ack. Level"));
    d.sets[0]->setColor(QColor(0x1f, 0x5f, 0xbf));
    d.sets[1]->setColor(QColor(0xe0, 0x8a, 0x1c));
    d.series->append(d.sets[0]);
    d.series->append(d.sets[1]);
    d.chart->addSeries(d.series);

    d.categories = new QBarCategoryAxis;
    QFont labelFont = d.categories->labelsFont();
    labelFont.setPointSizeF(labelFont.pointSizeF() > 0 ? labelFont.pointSizeF() * 0.85 : 7.5);
    d.categories->setLabelsFont(labelFont);
    d.values = new QValueAxis;
    d.values->setRange(0, 100);
    d.values->setTickCount(6);
    d.values->setLabelFormat(QStringLiteral("%d"));
    d.chart->addAxis(d.categories, Qt::AlignBottom);
    d.chart->addAxis(d.values, Qt::AlignLeft);
    d.series->attachAxis(d.categories);
    d.series->attachAxis(d.values);
    // The chart's background (the rectangle item below all others) is a gradient: filled
    // anew under the bars at every poll, Qt splits the fill among threads and wakes them.
    // Drawn once into a picture in screen pixels and copied from there, it looks the same.
    for (QGraphicsItem *item : d.chart->childItems())
        if (item->type() == QGraphicsRectItem::Type && item->zValue() < 0)
            item->setCacheMode(QGraphicsItem::DeviceCoordinateCache);

    d.view = new QChartView(d.chart, this);
    d.view->setObjectName(QStringLiteral("MSChart1View"));
    // No antialiasing: bars, axes and grid are upright lines and rectangles, which it only
    // blurs, and it doubled the cost of every poll's repaint of the plot (text
    // keeps its own smoothing).
    d.view->setRenderHint(QPainter::Antialiasing, false);
    d.view->setOptimizationFlag(QGraphicsView::DontAdjustForAntialiasing);
    // A poll's repaint is one rectangle around the changed bars: into one rectangle Qt
    // copies the background's picture directly, into several line by line on its threads.
    d.view->setViewportUpdateMode(QGraphicsView::BoundingRectViewportUpdate);
    layout()->addWidget(d.view);

    QObject::connect(d.chart, &QChart::plotAreaChanged, this, [this] { refresh(); });
    applyRefresh();
}

void StationChart::showEvent(QShowEvent *event)
{
    build();
    QWidget::showEvent(event);
}

StationChart::~StationChart()
{
    delete m_impl;
}

void StationChart::setRowCount(qint16 count)
{
    // The chart always keeps at least one row.
    const int n = count < 1 ? 1 : count;
    if (n == m_rows.size())
        return;
    const int old = int(m_rows.size());
    m_rows.resize(n);
    for (int i = old; i < n; ++i)
        m_rows[i].text[0] = m_rows[i].text[1] = QStringLiteral("0");
    refresh();
}

void StationChart::setRow(qint16 row)
{
    m_row = row;
}

void StationChart::setRowLabel(const QString &label)
{
    if (m_row < 1 || m_row > m_rows.size())
        return; // no such row: the value is rejected
    QString &current = m_rows[m_row - 1].label;
    if (current == label)
        return;
    current = label;
    refresh();
}

void StationChart::setColumn(qint16 column)
{
    m_column = column;
}

void StationChart::setData(const QString &numberText)
{
    if (m_row < 1 || m_row > m_rows.size() || m_column < 1 || m_column > 2)
        return;
    Row &r = m_rows[m_row - 1];
    if (r.text[m_column - 1] == numberText)
        return; // the same text gives the same value: nothing to draw
    r.text[m_column - 1] = numberText;
    r.value[m_column - 1] = cellValue(numberText);
    refresh();
}

QString StationChart::rowLabel(int row) const
{
    return row >= 1 && row <= m_rows.size() ? m_rows[row - 1].label : QString();
}

double StationChart::data(int row, int column) const
{
    if (row < 1 || row > m_rows.size() || column < 1 || column > 2)
        return 0.0;
    return m_rows[row - 1].value[column - 1];
}

QString StationChart::dataText(int row, int column) const
{
    if (row < 1 || row > m_rows.size() || column < 1 || column > 2)
        return QString();
    return m_rows[row - 1].text[column - 1];
}

QStringList StationChart::shownCategories() const
{
    const_cast<StationChart *>(this)->build();
    return m_impl->categories->categories();
}

void StationChart::flush()
{
    if (!m_impl->chart)
        build(); // draws what the rows hold
    else if (m_impl->refreshPending)
        applyRefresh();
}

void StationChart::refresh()
{
    // A reply sets several cells per station; draw once when the handler is done. Without
    // a scene yet the rows wait: the scene draws them when it is made.
    if (m_impl->refreshPending || !m_impl->chart)
        return;
    m_impl->refreshPending = true;
    QTimer::singleShot(0, this, &StationChart::flush);
}

void StationChart::applyRefresh()
{
    Impl &d = *m_impl;
    d.refreshPending = false;

    // Labels show as typed (the axis renders markup, so it is escaped) and are broken
    // into lines that fit the width of one category, so a MAC address is never cut
    // short. Equal labels get invisible zero-width marks: the axis needs distinct ones.
    const qreal plotWidth =
        d.chart->plotArea().width() > 0 ? d.chart->plotArea().width() : qreal(width()) * 0.85;
    // The axis gives each label the plot width over rows + 1, less its padding.
    const qreal perRow = plotWidth / qreal(m_rows.size() + 1) - 12.0;
    QStringList sources;
    sources.reserve(m_rows.size());
    for (const Row &r : m_rows)
        sources.append(r.label);
    const QStringList labels =
        axisLabels(sources, QFontMetricsF(d.categories->labelsFont()), perRow, d.brokenLabels);
    const bool relabelled = d.categories->categories() != labels;
    if (relabelled)
        d.categories->setCategories(labels); // one relayout, where clear and append made two
    for (int c = 0; c < 2; ++c) {
        QBarSet *set = d.sets[c];
        while (set->count() > m_rows.size())
            set->remove(set->count() - 1);
        for (int i = 0; i < m_rows.size(); ++i) {
            const qreal v = barHeight(m_rows[i].value[c]);
            if (i < set->count()) {
                if (set->at(i) != v)
                    set->replace(i, v);
            } else {
                set->append(v);
            }
        }
    }
    // New labels change the axis' room. Laid out now, not by the chart's own deferred
    // layout, the chart on screen is drawn once, not once before and once after.
    if (relabelled && isVisible()) {
        if (QGraphicsLayout *layout = d.chart->layout())
            layout->activate();
    }
}
