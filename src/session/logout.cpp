// Logout: back to the idle state, from any connection state. And the wrong-password
// question, which leads to the logout or to the program's end.

#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTcpSocket>
#include <QToolButton>

#include "app/dialogs.h"
#include "app/pause.h"
#include "app/startstop.h"
#include "monitor/allgemein.h"
#include "session/statuscolors.h"
#include "ui/chart.h"
#include "ui/frmMonitor.h"

void frmMonitor::Cmd_logout_Click()
{
    LED2_aus->show();
    lblStatus->setText(QStringLiteral("Verbindung wird getrennt"));
    Cmd_logout->setEnabled(false);
    timPoll_Power->setEnabled(false);
    // Nothing may go out after a logout, so the login robot stops as well.
    timPWRobot->setEnabled(false);
    Pause(1000);
    {
        // Our own close: the peer-close handler must not run for it. Harmless when the
        // socket never connected or the peer has already closed.
        const QSignalBlocker blocker(TCPClient);
        TCPClient->abort();
    }
    CmdLogin->setEnabled(true);
    lblStatus->setText(QStringLiteral("keine Verbindung zum AP"));
    setBackColor(lblStatus, StatusColor::NoConnection);
    verbunden = false;

    MSChart1->setRowCount(1);
    MSChart1->setRow(1);
    MSChart1->setRowLabel(QString());
    MSChart1->setColumn(1);
    MSChart1->setData(fNumText(0));
    MSChart1->setColumn(2);
    MSChart1->setData(fNumText(0));

    txtSoftVers->setText(QString());
    txtmanAntw->setText(QString());
    Monitor->setText(QString());
    txtMac->setText(QString());
    txtAuth->setText(QString());
    txtEncrypt->setText(QString());
    txtWLANMode->setText(QString());
    txtRXDataRate->setText(QString());
}

void frmMonitor::trennen()
{
    lblStatus->setText(QStringLiteral("Passwort ungültig"));
    setBackColor(lblStatus, StatusColor::Refused);
    if (paramMode) {
        // Nobody is there to answer the question.
        oneShotAbort(QStringLiteral("Anmeldung am Access Point abgelehnt (falscher Benutzername "
                                    "oder falsches Passwort)."),
                     3);
        return;
    }
    const Dialogs::Answer answer =
        Dialogs::askOkCancel(QStringLiteral("falsches Passwort"),
                             QStringLiteral("Das eingegebene Passwort ist falsch! Nochmal versuchen?"));
    if (answer == Dialogs::Answer::Ok)
        Cmd_logout_Click();
    else
        StartStop::ProgrammEnde(*this);
}
