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
    Verlauf = named(new HistoryPage(&monitor->history(), this), "Verlauf");
    Verlauf->setAccessibleName(QStringLiteral("Verlauf"));
    auto *v = new QVBoxLayout(this);
    tighten(v, 0);
    v->addWidget(Verlauf);
    // Below the history: the desktop alerts' settings.
    cmdBenachrichtigungen = button(this, "cmdBenachrichtigungen", QStringLiteral("Benachrichtigungen ..."));
    auto *row = new QHBoxLayout;
    row->setContentsMargins(pageMargin, 0, pageMargin, pageMargin);
    row->addWidget(cmdBenachrichtigungen);
    row->addStretch();
    v->addLayout(row);

    connect(Verlauf, &HistoryPage::windowRequested, this, &VerlaufPage::openHistoryWindow);
    connect(Verlauf, &HistoryPage::presenceRequested, this, &VerlaufPage::presenceRequested);
    connect(cmdBenachrichtigungen, &QPushButton::clicked, this, &VerlaufPage::cmdBenachrichtigungen_Click);
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
        m_historyWindow->page()->setDayFolder(Verlauf->dayFolder());
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
    Verlauf->setDayFolder(folder);
    if (m_historyWindow)
        m_historyWindow->page()->setDayFolder(folder);
}

void VerlaufPage::setActive(bool shown)
{
    Verlauf->setActive(shown); // drawn only while shown
}

void VerlaufPage::setVendors(VendorRegistry *vendors)
{
    m_vendors = vendors;
    Verlauf->setVendors(vendors);
    if (m_historyWindow)
        m_historyWindow->page()->setVendors(vendors);
}

QList<QWidget *> VerlaufPage::tabChain() const
{
    auto child = [this](const char *name) { return Verlauf->findChild<QWidget *>(QLatin1String(name)); };
    return {child("cmbVerlaufZeitraum"), child("chkVerlaufAck"),        child("cmdVerlaufFenster"),
            child("cmdWerIstDa"),        child("lstVerlaufEreignisse"), cmdBenachrichtigungen};
}
