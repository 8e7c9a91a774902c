#pragma once

#include <QRect>
#include <QWidget>

class HistoryPage;

// A window of its own whose place the settings keep: its bounds in twips, and a signal
// when the user closes or hides it.
class PlacedWindow : public QWidget
{
    Q_OBJECT
public:
    explicit PlacedWindow(QWidget *parent = nullptr) : QWidget(parent, Qt::Window) {}

    // Bounds in twips: the frame's top left corner and the size of the inside.
    QRect twips() const;
    // A place on no screen (one unplugged since) is not taken; the size is.
    void setTwips(const QRect &twips);

signals:
    // Closed or hidden (not minimized): a moment to keep its bounds.
    void hidden();

protected:
    void hideEvent(QHideEvent *event) override;
};
class StationHistory;
class VendorRegistry;

// The history in a window of its own, as large as the user makes it: a second view
// of the same history, with its own span, switches and hidden lines. It draws only
// while it is shown.
class HistoryWindow : public PlacedWindow
{
    Q_OBJECT
public:
    HistoryWindow(StationHistory *history, VendorRegistry *vendors, QWidget *parent = nullptr);

    HistoryPage *page() const { return m_page; }

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    HistoryPage *m_page;
};
