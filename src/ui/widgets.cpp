#include "ui/widgets.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QImageReader>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOptionComboBox>
#include <algorithm>
#include <qdrawutil.h>

QSize PictureButton::sizeHint() const
{
    const QSize base = QToolButton::sizeHint();
    const int needed = std::max(fontMetrics().horizontalAdvance(text()), iconSize().width()) + 12;
    return {std::min(base.width(), needed), base.height()};
}

void SSTabBar::setTabExtent(QSize extent)
{
    m_extent = extent;
    setIconSize(iconSize()); // lays the tabs out anew
    updateGeometry();
}

namespace {

// Lines of the device per band: well below the engine's 96, also where a clip splits lines.
int bandHeight(const QPainter *painter)
{
    return std::max(1, int(64 / std::max<qreal>(painter->device()->devicePixelRatio(), 1)));
}

template <typename Paint> void forEachBand(const QRect &rect, int band, Paint paint)
{
    for (int top = rect.top(); top <= rect.bottom(); top += band)
        paint(QRect(rect.left(), top, rect.width(), std::min(band, rect.bottom() + 1 - top)));
}

} // namespace

void paintInBands(QPainter *painter, const QRect &rect, const std::function<void()> &draw)
{
    const int band = bandHeight(painter);
    if (rect.height() <= band) {
        draw();
        return;
    }
    forEachBand(rect, band, [&](const QRect &part) {
        painter->save();
        painter->setClipRect(part, Qt::IntersectClip);
        draw();
        painter->restore();
    });
}

ScrollBarStyle::ScrollBarStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

void ScrollBarStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex *option,
                                        QPainter *painter, const QWidget *widget) const
{
    const int band = bandHeight(painter);
    if (control != CC_ScrollBar || option->rect.height() <= band || !painter->transform().isIdentity())
        return QProxyStyle::drawComplexControl(control, option, painter, widget);
    // Fusion sets clips of its own while drawing a scroll bar: each band is drawn into a
    // picture of its own size, which bounds the drawing, and copied.
    const qreal dpr = painter->device()->devicePixelRatio();
    QPixmap picture(QSize(option->rect.width(), band) * dpr);
    picture.setDevicePixelRatio(dpr);
    forEachBand(option->rect, band, [&](const QRect &part) {
        picture.fill(Qt::transparent);
        {
            QPainter p(&picture);
            p.setRenderHints(painter->renderHints());
            p.setLayoutDirection(painter->layoutDirection());
            p.translate(-part.topLeft());
            QProxyStyle::drawComplexControl(control, option, &p, widget);
        }
        painter->drawPixmap(part, picture, QRectF(QPointF(), QSizeF(part.size()) * dpr));
    });
}

void paintScrollBarsInBands(QAbstractScrollArea *area)
{
    if (ScrollBarStyle *style = fusionProxyStyle<ScrollBarStyle>()) {
        area->verticalScrollBar()->setStyle(style);
        area->horizontalScrollBar()->setStyle(style);
    }
}

GroupBoxFrameStyle::GroupBoxFrameStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

void GroupBoxFrameStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option,
                                       QPainter *painter, const QWidget *widget) const
{
    if (element != PE_FrameGroupBox)
        return QProxyStyle::drawPrimitive(element, option, painter, widget);
    if (m_frame.isNull()) {
        QImageReader reader(QStringLiteral(":/qt-project.org/styles/commonstyle/images/fusion_groupbox.png"),
                            "png");
        reader.setAutoDetectImageFormat(false);
        m_frame = QPixmap::fromImage(reader.read());
    }
    // Fusion's frame: below the caption's line (or just its margin without caption).
    constexpr int topMargin = 3;
    const auto *box = qobject_cast<const QGroupBox *>(widget);
    const int top =
        box && !box->isCheckable() && box->title().isEmpty()
            ? topMargin
            : std::max(pixelMetric(PM_ExclusiveIndicatorHeight), option->fontMetrics.height()) + topMargin;
    const QRect frame = option->rect.adjusted(0, top, 0, 0);
    paintInBands(painter, frame, [&] { qDrawBorderPixmap(painter, frame, QMargins(6, 6, 6, 6), m_frame); });
}

// The row's width is shared out so that every tab gets its caption plus the same
// padding; the first tabs take the pixels left over by the division.
QSize SSTabBar::tabSizeHint(int index) const
{
    const int n = count();
    int captions = 0;
    for (int i = 0; i < n; ++i)
        captions += captionSize(i).width();
    const int row = m_extent.width() * n;
    const int padding = std::max(minPadding, (row - captions) / n);
    const int spare = std::max(0, row - captions - padding * n);
    const int width = captionSize(index).width() + padding + (index < spare ? 1 : 0);
    return {width, std::max(m_extent.height(), captionSize(index).height())};
}

QSize SSTabBar::captionSize(int index) const
{
    if (font() != m_measuredFont) {
        m_measured.clear();
        m_measuredFont = font();
    }
    const QString caption = tabText(index);
    auto known = m_measured.constFind(caption);
    if (known == m_measured.cend())
        known = m_measured.insert(
            caption, {fontMetrics().horizontalAdvance(caption), QTabBar::tabSizeHint(index).height()});
    return *known;
}

SSTab::SSTab(QWidget *parent, QSize tabExtent) : QTabWidget(parent), m_bar(new SSTabBar)
{
    m_bar->setTabExtent(tabExtent);
    setTabBar(m_bar);
    m_bar->setExpanding(false);
    m_bar->setUsesScrollButtons(false);
}

bool SSTab::event(QEvent *e)
{
    if (e->type() == QEvent::LayoutRequest && m_watchRelayouts) {
        const Placement now{size(),     m_bar->sizeHint(), m_bar->minimumSizeHint(),
                            sizeHint(), minimumSizeHint(), count()};
        if (now == m_placed)
            return true; // the page has laid itself out; nothing around it changes
        m_placed = now;
    }
    return QTabWidget::event(e);
}

CoverFollower::CoverFollower(QComboBox *cover, QWidget *covered)
    : QObject(cover), m_cover(cover), m_covered(covered)
{
    cover->installEventFilter(this);
}

bool CoverFollower::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_cover && (event->type() == QEvent::Move || event->type() == QEvent::Resize))
        follow();
    return QObject::eventFilter(watched, event);
}

void CoverFollower::follow()
{
    QStyleOptionComboBox opt;
    opt.initFrom(m_cover);
    opt.editable = true;
    const QRect arrow =
        m_cover->style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxArrow, m_cover);
    QRect r = m_cover->geometry();
    if (arrow.isValid() && arrow.left() > 0)
        r.setWidth(arrow.left());
    m_covered->setGeometry(r);
    m_covered->stackUnder(m_cover);
}
