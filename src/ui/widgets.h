#pragma once

#include <QApplication>
#include <QHash>
#include <QPixmap>
#include <QPointer>
#include <QProxyStyle>
#include <QSize>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>

#include <functional>

class QAbstractScrollArea;
class QComboBox;
class QPainter;

// The widget classes the window is built from beyond Qt's own (the multi-line box, the
// signal bar and the timer are in ui/controls.h).

// A picture button with the icon above its caption, no wider than the caption needs.
class PictureButton : public QToolButton
{
public:
    using QToolButton::QToolButton;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
};

// The one instance of a Fusion proxy style, owned by the application; none while the
// application draws with another style (the proxy would change how its widgets look).
template <typename Style> Style *fusionProxyStyle()
{
    static QPointer<Style> style;
    if (QApplication::style()->name().compare(QLatin1String("fusion"), Qt::CaseInsensitive) != 0)
        return nullptr;
    if (!style) {
        style = new Style;
        style->setParent(QCoreApplication::instance());
    }
    return style;
}

// Fusion draws a group box's frame from a picture it loads by file name alone, and the
// image reader then loads every image plugin to ask whether one reads it (about 3 ms at
// the start, before the first screen). This style reads the same picture as what it
// is and draws the same frame; everything else is Fusion's.
class GroupBoxFrameStyle : public QProxyStyle
{
public:
    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget = nullptr) const override;

    GroupBoxFrameStyle();

private:
    mutable QPixmap m_frame;
};

// Qt's raster engine hands a fill or blend of 96 lines or more to its thread pool and
// waits for it; for a poll's small repaints, waking the threads costs more than the
// fill. Drawn in bands of fewer lines (draw() once per band, clipped to it), the same
// pixels come out on this thread.
void paintInBands(QPainter *painter, const QRect &rect, const std::function<void()> &draw);

// Fusion's scroll bar, drawn in bands (its gradients and edges run the bar's length).
// Fusion sets clips of its own while drawing one, so a band is a picture of its own.
class ScrollBarStyle : public QProxyStyle
{
public:
    ScrollBarStyle();
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex *option, QPainter *painter,
                            const QWidget *widget = nullptr) const override;
};

// The scroll bars of an area drawn in bands, where the application draws with Fusion.
void paintScrollBarsInBands(QAbstractScrollArea *area);

// Six tabs of a fixed height, all in one row across the control.
class SSTabBar : public QTabBar
{
public:
    using QTabBar::QTabBar;
    void setTabExtent(QSize extent);

protected:
    QSize tabSizeHint(int index) const override;
    QSize minimumTabSizeHint(int index) const override { return tabSizeHint(index); }

private:
    // A caption's width and the style's height for its tab, measured once per caption and
    // font: the bar asks for every tab's size many times while tabs are added and laid out.
    QSize captionSize(int index) const;

    static constexpr int minPadding = 12;
    QSize m_extent;
    mutable QFont m_measuredFont;
    mutable QHash<QString, QSize> m_measured; // by caption, in m_measuredFont
};

// The tab control SSTab1: a tab widget with the bar above. A page that lays itself out
// anew (a longer status text, a station button shown) asks the tab widget to lay out as
// well, which repaints all of it, bar and page; it does so only when what it places moves.
class SSTab : public QTabWidget
{
public:
    SSTab(QWidget *parent, QSize tabExtent);
    SSTabBar *bar() const { return m_bar; }
    // From now on a page's layout request is passed on only when something moves; until
    // then (the start) asking what the pages need would make them all.
    void watchRelayouts() { m_watchRelayouts = true; }

protected:
    bool event(QEvent *e) override;

private:
    struct Placement
    {
        QSize size, barHint, barMinimum, hint, minimum;
        int count = -1;
        bool operator==(const Placement &) const = default;
    };

    SSTabBar *m_bar;
    Placement m_placed; // as at the last layout
    bool m_watchRelayouts = false;
};

// txtIP lies under Combo1 wherever the layout puts the combo: same place, as wide as
// the combo's edit field (the combo is wider by its drop-down arrow).
class CoverFollower : public QObject
{
public:
    CoverFollower(QComboBox *cover, QWidget *covered);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void follow();

    QComboBox *m_cover;
    QWidget *m_covered;
};
