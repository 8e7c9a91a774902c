// Page "Verlauf": the signal history of the evaluated stations, and the switch of its
// CSV log on the setup page.

#include "ui/frmMonitor.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "monitor/history.h"
#include "monitor/historylog.h"
#include "ui/builders.h"
#include "ui/historypage.h"
#include "ui/historywindow.h"
#include "ui/presenceview.h"

using namespace ui;

void frmMonitor::createVerlaufPage(QWidget *page)
{
    Verlauf = named(new HistoryPage(m_history, page), "Verlauf");
    Verlauf->setAccessibleName(QStringLiteral("Verlauf"));
    auto *v = new QVBoxLayout(page);
    tighten(v, 0);
    v->addWidget(Verlauf);
    // Below the history: the desktop alerts' settings (src/ui/alertview.cpp).
    cmdBenachrichtigungen = button(page, "cmdBenachrichtigungen", QStringLiteral("Benachrichtigungen ..."));
    auto *row = new QHBoxLayout;
    row->setContentsMargins(pageMargin, 0, pageMargin, pageMargin);
    row->addWidget(cmdBenachrichtigungen);
    row->addStretch();
    v->addLayout(row);
}

void frmMonitor::wireHistory()
{
    Verlauf->setVendors(m_vendors);
    connect(Verlauf, &HistoryPage::windowRequested, this, &frmMonitor::openHistoryWindow);
    // The log goes beside the settings file; the folder is taken when the log is
    // switched on, since the settings file is found after the window is built.
    connect(chkVerlauf, &QCheckBox::toggled, this, [this](bool on) {
        m_historyLog->setFolder(m_settingsFolder);
        m_historyLog->setEnabled(on);
    });
    // A failed write has switched the log off; monitoring goes on.
    connect(m_historyLog, &HistoryLog::failed, this, [this](const QString &reason) {
        lblStatus->setText(reason);
        chkVerlauf->setChecked(false);
    });
}

void frmMonitor::endHistory()
{
    // Nothing is recorded or written once the window is unloading; the history's own
    // window closes with it.
    if (m_historyWindow)
        m_historyWindow->close();
    m_presence->end();
    m_historyLog->setEnabled(false);
    m_history->clear();
}
