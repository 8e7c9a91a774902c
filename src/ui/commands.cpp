// Buttons of the test page "manuell": each sends one command and its answer lands in
// txtmanAntw through the receive routing of the telnet connection.
#include "app/dialogs.h"
#include "ui/frmMonitor.h"

#include <QLineEdit>

namespace {

// Answers arrive without line breaks of their own; once the box holds more than five
// characters, a new answer starts on a line of its own.
void sendManual(frmMonitor &w, const QString &command)
{
    if (w.session->manualAnswer().size() > 5)
        w.session->appendManualAnswer(QStringLiteral("\r\n"));
    w.session->sendCommand(command);
}

} // namespace

void frmMonitor::Command1_Click()
{
    sendManual(*this, QStringLiteral("get rate"));
}

void frmMonitor::Command11_Click()
{
    sendManual(*this, QStringLiteral("get channel"));
}

void frmMonitor::Command12_Click()
{
    sendManual(*this, QStringLiteral("get ssid"));
}

void frmMonitor::Command13_Click()
{
    sendManual(*this, QStringLiteral("get hardware"));
}

void frmMonitor::command6_Click()
{
    sendManual(*this, QStringLiteral("get power"));
}

void frmMonitor::Command3_Click()
{
    sendManual(*this, QStringLiteral("set antenna 1"));
}

void frmMonitor::Command4_Click()
{
    sendManual(*this, QStringLiteral("set antenna best"));
}

void frmMonitor::Command5_Click()
{
    // The internal antenna only makes sense next to the access point; a remote one
    // could become unreachable, so ask first and do nothing at all on No.
    const auto answer = Dialogs::askYesNo(
        QStringLiteral("interne Antenne wählen?"),
        QStringLiteral("Nur sinnvoll, wenn AP lokal betrieben wird. (nicht bei entferntem AP "
                       "verwenden).        Trotzdem Antenne 2 wählen ?"));
    if (answer != Dialogs::Answer::Yes)
        return;
    sendManual(*this, QStringLiteral("set antenna 2"));
}

void frmMonitor::Command7_Click()
{
    sendManual(*this, QStringLiteral("set ") + Text3->text());
}

void frmMonitor::Command8_Click()
{
    sendManual(*this, QStringLiteral("get ") + Text4->text());
}

void frmMonitor::Command9_Click()
{
    sendManual(*this, Text5->text());
}

void frmMonitor::cmd_reboot_Click()
{
    const auto answer =
        Dialogs::askOkCancel(QStringLiteral("DWL-2100AP rebooting"),
                             QStringLiteral("AP wird zurückgesetzt! Bitte Senvaro neu starten."));
    if (answer != Dialogs::Answer::Ok)
        return;
    sendManual(*this, QStringLiteral("reboot"));
}

void frmMonitor::Command10_Click()
{
    session->setManualAnswer(QString());
}
