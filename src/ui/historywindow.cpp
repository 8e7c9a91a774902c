#include "ui/historywindow.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

#include "app/globals.h"
#include "ui/controls.h"
#include "ui/frmMonitor.h"
#include "ui/historypage.h"

HistoryWindow::HistoryWindow(StationHistory *history, VendorRegistry *vendors, QWidget *parent)
    : QWidget(parent, Qt::Window), m_page(new HistoryPage(history, this, true))
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

HistoryWindowBounds HistoryWindow::bounds() const
{
    const QPoint at = pos();
    return {true, at.x() * twipsPerPixel, at.y() * twipsPerPixel, width() * twipsPerPixel,
            height() * twipsPerPixel};
}

void HistoryWindow::setBounds(const HistoryWindowBounds &b)
{
    if (!b.known)
        return;
    resize(tw(b.width), tw(b.height));
    // A place on no screen (one that was unplugged since) is not taken.
    const QRect strip(tw(b.left), tw(b.top), std::max(tw(b.width), 48), 24);
    const QList<QScreen *> screens = QGuiApplication::screens();
    for (const QScreen *screen : screens) {
        const QRect seen = strip.intersected(screen->availableGeometry());
        if (seen.width() >= 48 && seen.height() >= 8) {
            move(tw(b.left), tw(b.top));
            return;
        }
    }
}

void HistoryWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_page->setActive(true);
}

void HistoryWindow::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    // A minimized window is hidden too, but it keeps its place and catches up when
    // shown again.
    m_page->setActive(false);
    if (!event->spontaneous())
        emit hidden();
}

void frmMonitor::openHistoryWindow()
{
    if (!m_historyWindow) {
        m_historyWindow = new HistoryWindow(m_history, m_vendors, this);
        m_historyWindow->setObjectName(QStringLiteral("VerlaufFenster"));
        HistoryWindowBounds bounds;
        if (!IniPfad.isEmpty() && HistoryWindowBounds::load(IniPfad, &bounds, nullptr))
            m_historyWindow->setBounds(bounds);
        // Kept when it closes, and so at the end too (the window closes with the main one).
        connect(m_historyWindow, &HistoryWindow::hidden, this, [this] {
            if (!IniPfad.isEmpty())
                m_historyWindow->bounds().save(IniPfad, nullptr);
        });
    }
    m_historyWindow->show();
    m_historyWindow->raise();
    m_historyWindow->activateWindow();
}
