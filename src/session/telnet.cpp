// The one telnet connection to the access point: login click, sending, the socket's
// events and the routing of received text.

#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTcpSocket>
#include <QToolButton>

#include "app/dialogs.h"
#include "app/pause.h"
#include "app/startstop.h"
#include "monitor/allgemein.h"
#include "monitor/auswerten.h"
#include "ui/frmMonitor.h"

namespace {

const QColor statusGreen(0, 192, 0);
const QColor statusPaleYellow(255, 255, 192);

QString germanSocketError(QAbstractSocket::SocketError error, const QString &host)
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return QStringLiteral("Verbindung abgelehnt");
    case QAbstractSocket::HostNotFoundError:
        if (host.trimmed().isEmpty())
            return QStringLiteral("keine Adresse eingegeben");
        return QStringLiteral("Adresse nicht gefunden");
    case QAbstractSocket::SocketTimeoutError:
        return QStringLiteral("Zeitüberschreitung");
    case QAbstractSocket::NetworkError:
        return QStringLiteral("Netzwerk nicht erreichbar");
    case QAbstractSocket::SocketAccessError:
        return QStringLiteral("Zugriff verweigert");
    case QAbstractSocket::SocketResourceError:
        return QStringLiteral("zu wenig Systemressourcen");
    case QAbstractSocket::UnsupportedSocketOperationError:
        return QStringLiteral("Adresse wird nicht unterstützt");
    case QAbstractSocket::AddressInUseError:
        return QStringLiteral("Adresse wird bereits verwendet");
    case QAbstractSocket::SocketAddressNotAvailableError:
        return QStringLiteral("Adresse nicht verfügbar");
    default:
        return QStringLiteral("Fehler %1").arg(int(error));
    }
}

} // namespace

void frmMonitor::CmdLogin_Click()
{
    loginPhase = true;
    CmdLogin->setEnabled(false);
    Cmd_logout->setEnabled(true);
    if (TCPClient->state() != QAbstractSocket::UnconnectedState) {
        // A leftover attempt is dropped quietly; only the new one counts.
        const QSignalBlocker blocker(TCPClient);
        TCPClient->abort();
    }
    // The system picks the local port. The address goes to the socket as typed; an
    // unusable one comes back as an error event and leaves the window connecting.
    TCPClient->connectToHost(txtIP->text(), 23);
    sPassword = fTrim(txtPassw->text());
}

void frmMonitor::sendCommand(const QString &text)
{
    if (TCPClient->state() != QAbstractSocket::ConnectedState)
        return;
    TCPClient->write((text + QStringLiteral("\r\n")).toLatin1());
    // Out now: the access point goes by the robot's clock.
    TCPClient->flush();
}

void frmMonitor::TCPClient_Connect()
{
    lblStatus->setText(QStringLiteral("AP lokalisiert"));
    setBackColor(lblStatus, statusGreen);
    LED2_aus->hide();
    verbunden = true;
    robotTick = 0;
    timPWRobot->setEnabled(true);
    CmdLogin->setEnabled(false);
}

void frmMonitor::TCPClient_DataArrival()
{
    // Qt does not signal again for bytes that come in while this handler pauses, so
    // whatever is waiting afterwards is handled here as the next chunk.
    do {
        LED1_aus->show();
        const QString chunk = QString::fromLatin1(TCPClient->readAll());

        if (loginPhase) {
            Monitor->setText(chunk);
            AntwortAuswertung(*this, Monitor->text());
            continue;
        }

        if (chunk.startsWith(QLatin1Char('*')))
            Monitor->setText(QString());
        sReplyLine.clear();
        QString shown;
        shown.reserve(chunk.size());
        sReplyLine.reserve(chunk.size());
        for (const QChar c : chunk) {
            if (c == QLatin1Char('\r')) {
                sReplyLine += QLatin1Char(',');
            } else if (c != QLatin1Char('\n')) {
                sReplyLine += c;
                shown += c;
            }
        }
        Monitor->appendText(shown);
        if (manuellMode) {
            txtmanAntw->appendText(sReplyLine);
        } else {
            dataArrived = true;
            timAuswertung->setEnabled(true);
        }
        Pause(100);
        LED1_aus->hide();
    } while (!isUnloaded() && TCPClient->bytesAvailable() > 0);
}

void frmMonitor::TCPClient_Close()
{
    lblStatus->setText(QStringLiteral("keine Verbindung zum AP"));
    setBackColor(lblStatus, statusPaleYellow);
    verbunden = false;
}

void frmMonitor::TCPClient_Error()
{
    // Only a failed attempt is reported; an established connection that breaks ends in
    // the close event instead.
    if (verbunden || isUnloaded())
        return;
    const QAbstractSocket::SocketError error = TCPClient->error();
    if (error == QAbstractSocket::RemoteHostClosedError)
        return;
    lblStatus->setText(QStringLiteral("Verbindung fehlgeschlagen: ") +
                       germanSocketError(error, TCPClient->peerName()));
}
