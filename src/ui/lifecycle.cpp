#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>

#include "base/allgemein.h"
#include "session/cmdline.h"
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
    m_session->setManualMode(false);
    txtMACS->setText(QString());
    if (fFieldCount(m_commandLine, QStringLiteral(" ")) >= 1)
        ParameterAuswertung(m_commandLine);
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
    // Dropped without logging out, and nothing of the session runs on.
    m_session->closeDown();
}

void frmMonitor::CmdEnde_Click()
{
    emit endRequested(ExitStatus::Ok, QString());
}

void frmMonitor::lblautor_Click()
{
    animateCredit();
}

// The command-line request: what it asks for is read by the session's rules; the
// window keeps it and shows it in its caption.
void frmMonitor::ParameterAuswertung(const QString &s)
{
    setWindowTitle(QStringLiteral("Senvaro - Parameter: ") + s);
    paramMode = false;
    const ParamRequest r = evaluateParameters(s);
    paramMode = r.mode;
    if (r.mode)
        paramCommand = r.command;
    if (!r.ip.isEmpty())
        paramIP = r.ip;
    setWindowTitle(r.caption);
}
