#include "ui/widgets.h"

#include <QComboBox>
#include <QEvent>
#include <QFontMetrics>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <algorithm>

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

// The row's width is shared out so that every tab gets its caption plus the same
// padding; the first tabs take the pixels left over by the division.
QSize SSTabBar::tabSizeHint(int index) const
{
    const QFontMetrics fm = fontMetrics();
    const int n = count();
    int captions = 0;
    for (int i = 0; i < n; ++i)
        captions += fm.horizontalAdvance(tabText(i));
    const int row = m_extent.width() * n;
    const int padding = std::max(minPadding, (row - captions) / n);
    const int spare = std::max(0, row - captions - padding * n);
    const int width = fm.horizontalAdvance(tabText(index)) + padding + (index < spare ? 1 : 0);
    return {width, std::max(m_extent.height(), QTabBar::tabSizeHint(index).height())};
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
    if (e->type() == QEvent::LayoutRequest) {
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
