#pragma once

#include <QSize>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>

class QComboBox;

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
    static constexpr int minPadding = 12;
    QSize m_extent;
};

// The tab control SSTab1: a tab widget with the bar above. A page that lays itself out
// anew (a longer status text, a station button shown) asks the tab widget to lay out as
// well, which repaints all of it, bar and page; it does so only when what it places moves.
class SSTab : public QTabWidget
{
public:
    SSTab(QWidget *parent, QSize tabExtent);
    SSTabBar *bar() const { return m_bar; }

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
