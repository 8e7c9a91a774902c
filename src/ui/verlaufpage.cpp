// Page "Verlauf": the signal history of the evaluated stations, its own window and the
// desktop alerts' settings.

#include "ui/verlaufpage.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "monitor/stationmonitor.h"
#include "ui/alertsdialog.h"
#include "ui/builders.h"
#include "ui/historypage.h"
#include "ui/historywindow.h"

using namespace ui;

VerlaufPage::VerlaufPage(StationMonitor *monitor, QWidget *parent) : QWidget(parent), m_monitor(monitor)
{
    setObjectName(QStringLiteral("VerlaufPage"));
    m_layout = new QVBoxLayout(this);
    tighten(m_layout, 0);
    // Below the history: the desktop alerts' settings.
    cmdBenachrichtigungen = button(this, "cmdBenachrichtigungen", QStringLiteral("Benachrichtigungen ..."));
    auto *row = new QHBoxLayout;
    row->setContentsMargins(pageMargin, 0, pageMargin, pageMargin);
    row->addWidget(cmdBenachrichtigungen);
    row->addStretch();
    m_layout->addLayout(row);
    connect(cmdBenachrichtigungen, &QPushButton::clicked, this, &VerlaufPage::cmdBenachrichtigungen_Click);
}

HistoryPage *VerlaufPage::historyPage()
{
    if (Verlauf)
        return Verlauf;
    // Made when first needed: the start shows the page "LOGIN", and the history part has
    // everything it draws from the history, not from its own past.
    Verlauf = named(new HistoryPage(&m_monitor->history(), this), "Verlauf");
    Verlauf->setAccessibleName(QStringLiteral("Verlauf"));
    Verlauf->setDayFolder(m_dayFolder);
    Verlauf->setVendors(m_vendors);
    m_layout->insertWidget(0, Verlauf);
    // Its fields take their place in the tab order before "Benachrichtigungen ...", after
    // the stop before it (a new widget enters the focus chain anywhere).
    QWidget *previous = cmdBenachrichtigungen->previousInFocusChain();
    while (previous != cmdBenachrichtigungen &&
           (!(previous->focusPolicy() & Qt::TabFocus) || Verlauf->isAncestorOf(previous)))
        previous = previous->previousInFocusChain();
    for (QWidget *w : historyTabChain())
        QWidget::setTabOrder(std::exchange(previous, w), w);
    connect(Verlauf, &HistoryPage::windowRequested, this, &VerlaufPage::openHistoryWindow);
    connect(Verlauf, &HistoryPage::presenceRequested, this, &VerlaufPage::presenceRequested);
    if (isVisible())
        Verlauf->show();
    return Verlauf;
}

void VerlaufPage::showEvent(QShowEvent *event)
{
    historyPage();
    QWidget::showEvent(event);
}

VerlaufPage::~VerlaufPage()
{
    // The window is the main window's child and may outlive the page by a moment.
    if (m_historyWindow)
        m_historyWindow->disconnect(this);
}

void VerlaufPage::cmdBenachrichtigungen_Click()
{
    auto *dialog = new AlertsDialog(m_monitor->alerts().settings(), window());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this,
            [this, dialog] { m_monitor->setAlertSettings(dialog->settings()); });
    emit alertsDialogOpening(dialog);
    dialog->open();
}

void VerlaufPage::openHistoryWindow()
{
    if (!m_historyWindow) {
        m_historyWindow = new HistoryWindow(&m_monitor->history(), m_vendors, window());
        m_historyWindow->setObjectName(QStringLiteral("VerlaufFenster"));
        if (m_historyTwips)
            m_historyWindow->setTwips(*m_historyTwips);
        m_historyWindow->page()->setDayFolder(m_dayFolder);
        // Kept in memory; ENDE writes it with the other settings.
        connect(m_historyWindow, &HistoryWindow::hidden, this,
                [this] { m_historyTwips = m_historyWindow->twips(); });
    }
    m_historyWindow->show();
    m_historyWindow->raise();
    m_historyWindow->activateWindow();
}

std::optional<QRect> VerlaufPage::historyWindowTwips() const
{
    if (m_historyWindow && m_historyWindow->isVisible())
        return m_historyWindow->twips();
    return m_historyTwips;
}

void VerlaufPage::closeHistoryWindow()
{
    if (m_historyWindow)
        m_historyWindow->close();
}

void VerlaufPage::setDayFolder(const QString &folder)
{
    m_dayFolder = folder;
    if (Verlauf)
        Verlauf->setDayFolder(folder);
    if (m_historyWindow)
        m_historyWindow->page()->setDayFolder(folder);
}

void VerlaufPage::setActive(bool shown)
{
    if (shown || Verlauf)
        historyPage()->setActive(shown); // drawn only while shown
}

void VerlaufPage::setVendors(VendorRegistry *vendors)
{
    m_vendors = vendors;
    if (Verlauf)
        Verlauf->setVendors(vendors);
    if (m_historyWindow)
        m_historyWindow->page()->setVendors(vendors);
}

QList<QWidget *> VerlaufPage::historyTabChain() const
{
    if (!Verlauf)
        return {};
    auto child = [this](const char *name) { return Verlauf->findChild<QWidget *>(QLatin1String(name)); };
    return {child("cmbVerlaufZeitraum"), child("chkVerlaufAck"), child("lstVerlaufEreignisse"),
            child("cmdWerIstDa"), child("cmdVerlaufFenster")};
}

QList<QWidget *> VerlaufPage::tabChain() const
{
    return historyTabChain() + QList<QWidget *>{cmdBenachrichtigungen};
}
