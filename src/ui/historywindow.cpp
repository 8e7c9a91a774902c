#include "ui/historywindow.h"

#include <QGuiApplication>
#include <QHideEvent>
#include <QScreen>
#include <QVBoxLayout>

#include "ui/controls.h"
#include "ui/historypage.h"

HistoryWindow::HistoryWindow(StationHistory *history, VendorRegistry *vendors, QWidget *parent)
    : PlacedWindow(parent), m_page(new HistoryPage(history, this, true))
{
    setWindowTitle(QStringLiteral("Senvaro - Verlauf"));
    m_page->setObjectName(QStringLiteral("VerlaufFensterSeite"));
    m_page->setVendors(vendors);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_page);
    setMinimumSize(360, 260);
    resize(820, 520);
}

QRect PlacedWindow::twips() const
{
    return {pos().x() * twipsPerPixel, pos().y() * twipsPerPixel, width() * twipsPerPixel,
            height() * twipsPerPixel};
}

void PlacedWindow::setTwips(const QRect &twips)
{
    resize(tw(twips.width()), tw(twips.height()));
    const QRect strip(tw(twips.x()), tw(twips.y()), std::max(tw(twips.width()), 48), 24);
    const QList<QScreen *> screens = QGuiApplication::screens();
    for (const QScreen *screen : screens) {
        const QRect seen = strip.intersected(screen->availableGeometry());
        if (seen.width() >= 48 && seen.height() >= 8) {
            move(tw(twips.x()), tw(twips.y()));
            return;
        }
    }
}

void PlacedWindow::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (!event->spontaneous())
        emit hidden();
}

void HistoryWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_page->setActive(true);
}

void HistoryWindow::hideEvent(QHideEvent *event)
{
    // Minimized it draws nothing either, and catches up when shown again.
    m_page->setActive(false);
    PlacedWindow::hideEvent(event);
}
