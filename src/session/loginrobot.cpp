// The login robot: walks the access point's login on a fixed 200 ms clock, without
// waiting for prompts; what comes back meanwhile goes to the reply parser.

#include <QLabel>
#include <QLineEdit>

#include "monitor/allgemein.h"
#include "monitor/auswerten.h"
#include "ui/frmMonitor.h"

void frmMonitor::timPWRobot_Timer()
{
    ++robotTick;
    const auto showStep = [this](const char *step) {
        lblStatus->setText(statusBase + QStringLiteral("\r\n") + QString::fromUtf8(step));
    };
    switch (robotTick) {
    case 4:
        sendCommand(fTrim(txtUser->text()));
        statusBase = lblStatus->text();
        showStep("sende Username");
        break;
    case 6:
        sendCommand(sPassword);
        showStep("sende Passwort");
        break;
    case 10:
        Monitor->setText(QString());
        sendCommand(QStringLiteral("version"));
        showStep("hole Firmware");
        break;
    case 12:
        AntwortAuswertung(*this, Monitor->text());
        // The parser may have ended the dialogue (refused login, restart): its status stays.
        if (isUnloaded() || !timPWRobot->enabled())
            return;
        showStep("Antwort erhalten");
        break;
    case 13:
        if (paramMode) {
            sendCommand(paramCommand);
            showStep("sende Befehl");
        }
        break;
    case 19:
        loginPhase = false;
        timPWRobot->setEnabled(false);
        if (paramMode) {
            // A command-line action ends here: close without saving.
            Unload();
            return;
        }
        timPoll_Power->setEnabled(true);
        lblStatus->setText(QStringLiteral("Verbindung zu AP") +
                           fGetField(txtIP->text(), QStringLiteral("."), 4) + QStringLiteral(" aufgebaut"));
        break;
    default:
        break;
    }
}
