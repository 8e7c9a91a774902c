#include "ui/historyplot.h"

#include <QHelpEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPolygonF>
#include <QToolTip>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr int kTicks = 5;    // on either axis: the ends and three between
constexpr int kMark = 5;     // a tick mark's length outside the plot
constexpr int kGap = 3;      // between a mark and its label
constexpr int kEdge = 2;     // around everything
constexpr int kDot = 2;      // radius of a piece of one point
constexpr int kNearLine = 4; // pixels within which the pointer names a line

QString valueText(qreal v)
{
    return QString::number(qRound64(v));
}

// A fifth of the way from the background to the text, opaque: blending each grid line
// into what lies below would cost more at every paint.
QColor gridColor(const QPalette &pal)
{
    const QColor text = pal.color(QPalette::Text), base = pal.color(QPalette::Base);
    return QColor::fromRgbF(base.redF() + (text.redF() - base.redF()) * 0.2f,
                            base.greenF() + (text.greenF() - base.greenF()) * 0.2f,
                            base.blueF() + (text.blueF() - base.blueF()) * 0.2f);
}

qreal distanceToSegment(QPointF p, QPointF a, QPointF b)
{
    const QPointF ab = b - a;
    const qreal len2 = QPointF::dotProduct(ab, ab);
    const qreal t = len2 > 0 ? std::clamp(QPointF::dotProduct(p - a, ab) / len2, 0.0, 1.0) : 0.0;
    const QPointF d = p - (a + t * ab);
    return std::hypot(d.x(), d.y());
}

} // namespace

HistoryPlot::HistoryPlot(QWidget *parent) : QWidget(parent)
{
    // Everything is painted here, the background included.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(120, 80);
    relayout();
}

QRect HistoryPlot::linesRect() const
{
    return m_plot.adjusted(-kDot, -kDot, kDot + 1, kDot + 1); // a dot may stand out by its radius
}

void HistoryPlot::setValueAxis(const QString &title, qreal lo, qreal hi)
{
    if (title == m_valueTitle && lo == m_lo && hi == m_hi)
        return;
    m_valueTitle = title;
    m_lo = lo;
    m_hi = hi > lo ? hi : lo + 1;
    relayout(); // wider labels make the plot narrower
    m_frameStale = true;
    update();
}

void HistoryPlot::setTimeAxis(qint64 spanMs, const QStringList &labels)
{
    if (spanMs != m_spanMs) {
        m_spanMs = std::max<qint64>(spanMs, 1);
        update(linesRect());
    }
    if (labels == m_timeTexts)
        return;
    m_timeTexts = labels;
    m_timeStatic.clear();
    for (const QString &text : labels) {
        QStaticText st(text);
        st.setTextFormat(Qt::PlainText);
        st.prepare(QTransform(), font());
        m_timeStatic.append(st);
    }
    update(QRect(0, m_plot.bottom() + 1, width(), height() - m_plot.bottom()));
}

void HistoryPlot::setLine(const QString &mac, const QColor &color, const QList<QList<QPointF>> &pieces)
{
    auto line = m_lines.find(mac);
    if (line == m_lines.end()) {
        line = m_lines.insert(mac, Line{});
        m_order.append(mac);
    } else if (line->color == color && line->pieces == pieces) {
        return; // a station that sent nothing new is not drawn again
    }
    line->color = color;
    line->pieces = pieces;
    if (!line->hidden)
        update(linesRect());
}

void HistoryPlot::setLineHidden(const QString &mac, bool hidden)
{
    const auto line = m_lines.find(mac);
    if (line == m_lines.end() || line->hidden == hidden)
        return;
    line->hidden = hidden;
    update(linesRect());
}

void HistoryPlot::removeLine(const QString &mac)
{
    if (m_lines.remove(mac)) {
        m_order.removeOne(mac);
        update(linesRect());
    }
}

bool HistoryPlot::isLineShown(const QString &mac) const
{
    const auto line = m_lines.constFind(mac);
    return line != m_lines.constEnd() && !line->hidden && !line->pieces.isEmpty();
}

void HistoryPlot::setToolTipSource(std::function<QString(const QString &, qint64)> source)
{
    m_toolTip = std::move(source);
}

void HistoryPlot::relayout()
{
    const QFontMetrics fm(font());
    int labels = 0;
    for (int k = 0; k < kTicks; ++k)
        labels = std::max(labels, fm.horizontalAdvance(valueText(m_lo + (m_hi - m_lo) * k / (kTicks - 1))));
    // Left: the title turned upright, the labels and their marks; below: marks and the
    // times; right: room for half of the last time, which is centred under the edge.
    const int left = kEdge + fm.height() + kGap + labels + kGap + kMark;
    const int top = kEdge + fm.height() / 2;
    const int right = kEdge + fm.horizontalAdvance(QStringLiteral("00:00:00")) / 2;
    const int bottom = kEdge + kMark + kGap + fm.height();
    const QRect plot = rect().adjusted(left, top, -right, -bottom);
    const int before = m_plot.width();
    m_plot = plot.isValid() ? plot : QRect(left, top, 1, 1);
    m_frameStale = true;
    if (m_plot.width() != before)
        emit plotWidthChanged(m_plot.width());
}

void HistoryPlot::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    relayout();
}

void HistoryPlot::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    switch (event->type()) {
    case QEvent::FontChange:
        relayout();
        setTimeAxis(m_spanMs, std::exchange(m_timeTexts, {})); // prepared for the new font
        break;
    case QEvent::PaletteChange:
    case QEvent::StyleChange:
        m_frameStale = true;
        update();
        break;
    default:
        break;
    }
}

QPointF HistoryPlot::toPixel(QPointF p) const
{
    const QRectF plot(m_plot);
    return QPointF(plot.left() + (p.x() + qreal(m_spanMs)) / qreal(m_spanMs) * plot.width(),
                   plot.bottom() - (p.y() - m_lo) / (m_hi - m_lo) * plot.height());
}

void HistoryPlot::paintFrame()
{
    const qreal dpr = devicePixelRatioF();
    m_frame = QPixmap(size() * dpr);
    m_frame.setDevicePixelRatio(dpr);
    const QPalette &pal = palette();
    m_frame.fill(pal.color(QPalette::Base));
    QPainter p(&m_frame);
    const QFontMetrics fm(font());
    const QRect &plot = m_plot;
    const QPen axis(pal.color(QPalette::Mid), 0);
    for (int k = 0; k < kTicks; ++k) {
        const int x = plot.left() + plot.width() * k / (kTicks - 1);
        const int y = plot.bottom() - plot.height() * k / (kTicks - 1);
        p.setPen(QPen(gridColor(pal), 0));
        p.drawLine(x, plot.top(), x, plot.bottom());
        p.drawLine(plot.left(), y, plot.right(), y);
        p.setPen(axis);
        p.drawLine(x, plot.bottom(), x, plot.bottom() + kMark);
        p.drawLine(plot.left() - kMark, y, plot.left(), y);
        p.setPen(pal.color(QPalette::Text));
        const QString label = valueText(m_lo + (m_hi - m_lo) * k / (kTicks - 1));
        p.drawText(QRect(0, y - fm.height(), plot.left() - kMark - kGap, 2 * fm.height()),
                   Qt::AlignRight | Qt::AlignVCenter, label);
    }
    p.setPen(axis);
    p.drawLine(plot.left(), plot.top(), plot.left(), plot.bottom());
    p.drawLine(plot.left(), plot.bottom(), plot.right(), plot.bottom());
    // The title upright along the value axis, centred on the plot.
    p.setPen(pal.color(QPalette::Text));
    p.translate(kEdge, plot.center().y());
    p.rotate(-90);
    p.drawText(QRect(-plot.height() / 2, 0, plot.height(), fm.height()), Qt::AlignCenter, m_valueTitle);
    m_frameStale = false;
}

void HistoryPlot::paintEvent(QPaintEvent *event)
{
    if (m_frameStale || m_frame.deviceIndependentSize().toSize() != size())
        paintFrame();
    QPainter p(this);
    // Copied rectangle by rectangle: into a clip of several rectangles Qt blends the
    // picture line by line and hands the lines to other threads, waking them each time.
    for (const QRect &r : event->region()) {
        p.setClipRect(r);
        p.drawPixmap(0, 0, m_frame);
    }
    p.setClipping(false);

    // One-pixel lines without antialiasing take the painter's fastest path.
    p.save();
    p.setClipRect(linesRect());
    QPolygonF poly;
    for (const QString &mac : std::as_const(m_order)) {
        const Line &line = m_lines[mac];
        if (line.hidden)
            continue;
        p.setPen(QPen(line.color, 0));
        p.setBrush(line.color);
        for (const QList<QPointF> &piece : line.pieces) {
            if (piece.size() == 1) {
                p.drawEllipse(toPixel(piece.first()), kDot, kDot);
                continue;
            }
            poly.resize(piece.size());
            std::transform(piece.begin(), piece.end(), poly.begin(),
                           [this](QPointF q) { return toPixel(q); });
            p.drawPolyline(poly);
        }
    }
    p.restore();

    p.setPen(palette().color(QPalette::Text));
    const int y = m_plot.bottom() + kMark + kGap;
    for (int k = 0; k < int(m_timeStatic.size()); ++k) {
        const int x = m_plot.left() + m_plot.width() * k / (kTicks - 1);
        p.drawStaticText(QPointF(x - m_timeStatic[k].size().width() / 2, y), m_timeStatic[k]);
    }
}

QString HistoryPlot::lineAt(QPoint pos) const
{
    QString nearest;
    qreal best = kNearLine + 0.5;
    for (const QString &mac : m_order) {
        const Line &line = m_lines[mac];
        if (line.hidden)
            continue;
        for (const QList<QPointF> &piece : line.pieces) {
            QPointF a = toPixel(piece.value(0));
            for (qsizetype i = 0; i < piece.size(); ++i) {
                const QPointF b = toPixel(piece[i]);
                const qreal d = distanceToSegment(pos, a, b);
                if (d < best) {
                    best = d;
                    nearest = mac;
                }
                a = b;
            }
        }
    }
    return nearest;
}

bool HistoryPlot::event(QEvent *event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    const auto *help = static_cast<QHelpEvent *>(event);
    const QString mac = m_plot.contains(help->pos()) ? lineAt(help->pos()) : QString();
    const qint64 ms =
        qint64((help->pos().x() - m_plot.left()) * double(m_spanMs) / std::max(m_plot.width(), 1)) - m_spanMs;
    const QString text = mac.isEmpty() || !m_toolTip ? QString() : m_toolTip(mac, ms);
    if (text.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
    } else {
        QToolTip::showText(help->globalPos(), text, this);
    }
    return true;
}
