#pragma once

#include <QRect>
#include <QWidget>

class HistoryPage;

// A window's bounds in twips: the frame's top left corner and the size of the inside.
QRect windowTwips(const QWidget *window);
// Sizes and places a window by its bounds in twips; a place on no screen (one unplugged
// since) is not taken, the size is.
void placeWindow(QWidget *window, const QRect &twips);
class StationHistory;
class VendorRegistry;

// The history in a window of its own, as large as the user makes it: a second view
// of the same history, with its own span, switches and hidden lines. It draws only
// while it is shown.
class HistoryWindow : public QWidget
{
    Q_OBJECT
public:
    HistoryWindow(StationHistory *history, VendorRegistry *vendors, QWidget *parent = nullptr);

    HistoryPage *page() const { return m_page; }

    // Bounds in twips: the frame's top left corner and the size of the inside.
    QRect twips() const;
    // A place on no screen (one unplugged since) is not taken; the size is.
    void setTwips(const QRect &twips);

signals:
    // Closed or hidden (not minimized): a moment to keep its bounds.
    void hidden();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    HistoryPage *m_page;
};
