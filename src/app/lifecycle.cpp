#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTcpSocket>

#include "app/startstop.h"
#include "monitor/allgemein.h"
#include "ui/frmMonitor.h"

void frmMonitor::Form_Load()
{
    setTwHeight(4230);
    setTwWidth(6600);
    setTwTop(0);
    setTwLeft(0);
    OptClients[0]->setChecked(true);
    SSTab1->setCurrentIndex(PageLogin);
    manuellMode = false;
    txtMACS->setText(QString());
    const QString commandLine = commandLineText();
    if (fFieldCount(commandLine, QStringLiteral(" ")) >= 1)
        ParameterAuswertung(commandLine);
    LED1_aus->hide();
}

void frmMonitor::Form_Activate()
{
    // A command-line request is carried out once the animation has played.
    animateCredit([this] {
        if (paramMode && !isUnloaded()) {
            startOneShotWatchdog();
            Combo1->setEditText(paramIP);
            CmdLogin_Click();
        }
    });
}

void frmMonitor::Form_Unload()
{
    // Dropped without logging out; this is our close, not the peer's, so no close event.
    const QSignalBlocker blocker(TCPClient);
    TCPClient->abort();
}

void frmMonitor::CmdEnde_Click()
{
    StartStop::ProgrammEnde(*this);
}

void frmMonitor::lblautor_Click()
{
    animateCredit();
}
