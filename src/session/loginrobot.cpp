// The login robot: walks the access point's login on a fixed 200 ms clock, without
// waiting for prompts; what comes back meanwhile goes to the reply parser.

#include <QLabel>
#include <QLineEdit>
#include <QTcpSocket>

#include "monitor/allgemein.h"
#include "monitor/auswerten.h"
#include "session/cmdline.h"
#include "session/robotticks.h"
#include "session/statuscolors.h"
#include "ui/frmMonitor.h"

void frmMonitor::timPWRobot_Timer()
{
    ++robotTick;
    const auto showStep = [this](const char *step) {
        lblStatus->setText(statusBase + QStringLiteral("\r\n") + QString::fromUtf8(step));
    };
    switch (robotTick) {
    case RobotTick::SendUser:
        sendCommand(fTrim(txtUser->text()));
        statusBase = lblStatus->text();
        showStep("sende Username");
        break;
    case RobotTick::SendPassword:
        sendCommand(sPassword);
        showStep("sende Passwort");
        break;
    case RobotTick::AskFirmware:
        Monitor->setText(QString());
        sendCommand(QStringLiteral("version"));
        showStep("hole Firmware");
        break;
    case RobotTick::ReadFirmware:
        AntwortAuswertung(*this, Monitor->text());
        // The parser may have ended the dialogue (refused login, restart): its status stays.
        if (isUnloaded() || !timPWRobot->enabled())
            return;
        showStep("Antwort erhalten");
        break;
    case RobotTick::SendAction:
        if (paramMode) {
            sendCommand(paramCommand);
            showStep("sende Befehl");
        }
        break;
    case RobotTick::LoginDone: {
        loginPhase = false;
        timPWRobot->setEnabled(false);
        // A connection that is gone, or an access point that never said a word, is no
        // established connection, whatever the clock says.
        const bool closed = !verbunden || TCPClient->state() != QAbstractSocket::ConnectedState;
        if (paramMode) {
            if (closed)
                oneShotAbort(QStringLiteral("Verbindung zum AP während der Anmeldung beendet - Befehl "
                                            "vielleicht nicht ausgeführt"),
                             ExitStatus::ConnectionLost);
            else if (!receivedSinceConnect)
                oneShotAbort(QStringLiteral("keine Antwort vom AP - Befehl vielleicht nicht ausgeführt"),
                             ExitStatus::NoAnswer);
            else
                Unload(); // a command-line action ends here: close without saving
            return;
        }
        timPoll_Power->setEnabled(true);
        if (closed) {
            // The later steps have written over what the close event said: say it again.
            TCPClient_Close();
        } else if (!receivedSinceConnect) {
            lblStatus->setText(QStringLiteral("keine Antwort vom AP"));
            setBackColor(lblStatus, StatusColor::NoConnection);
            statusNote = StatusNote::NoAnswer;
        } else {
            lblStatus->setText(QStringLiteral("Verbindung zu AP") +
                               fGetField(txtIP->text(), QStringLiteral("."), 4) +
                               QStringLiteral(" aufgebaut"));
        }
        break;
    }
    default:
        break;
    }
}
