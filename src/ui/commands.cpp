// Buttons of the test page "manuell": each sends one command and its answer lands in
// txtmanAntw through the receive routing of the telnet connection.
#include "ui/dialogs.h"
#include "ui/frmMonitor.h"

#include <QLineEdit>

// Answers arrive without line breaks of their own; once the box holds more than five
// characters, a new answer starts on a line of its own.
void frmMonitor::sendManual(const QString &command)
{
    if (m_session->manualAnswer().size() > 5)
        m_session->appendManualAnswer(QStringLiteral("\r\n"));
    m_session->sendCommand(command);
}

void frmMonitor::Command1_Click()
{
    sendManual(QStringLiteral("get rate"));
}

void frmMonitor::Command11_Click()
{
    sendManual(QStringLiteral("get channel"));
}

void frmMonitor::Command12_Click()
{
    sendManual(QStringLiteral("get ssid"));
}

void frmMonitor::Command13_Click()
{
    sendManual(QStringLiteral("get hardware"));
}

void frmMonitor::command6_Click()
{
    sendManual(QStringLiteral("get power"));
}

void frmMonitor::Command3_Click()
{
    sendManual(QStringLiteral("set antenna 1"));
}

void frmMonitor::Command4_Click()
{
    sendManual(QStringLiteral("set antenna best"));
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
    sendManual(QStringLiteral("set antenna 2"));
}

void frmMonitor::Command7_Click()
{
    sendManual(QStringLiteral("set ") + Text3->text());
}

void frmMonitor::Command8_Click()
{
    sendManual(QStringLiteral("get ") + Text4->text());
}

void frmMonitor::Command9_Click()
{
    sendManual(Text5->text());
}

void frmMonitor::cmd_reboot_Click()
{
    const auto answer =
        Dialogs::askOkCancel(QStringLiteral("DWL-2100AP rebooting"),
                             QStringLiteral("AP wird zurückgesetzt! Bitte Senvaro neu starten."));
    if (answer != Dialogs::Answer::Ok)
        return;
    sendManual(QStringLiteral("reboot"));
}

void frmMonitor::Command10_Click()
{
    m_session->setManualAnswer(QString());
}
