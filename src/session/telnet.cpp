// The one telnet connection to the access point: login click, sending, the socket's
// events and the routing of received text.

#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTcpSocket>
#include <QToolButton>

#include "app/pause.h"
#include "monitor/allgemein.h"
#include "monitor/auswerten.h"
#include "session/statuscolors.h"
#include "ui/frmMonitor.h"

namespace {

// 64 KiB: a chunk of that size is routed and shown in a few milliseconds.
constexpr qint64 socketReadBufferBytes = 64 * 1024;

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
    // A bounded read buffer lets TCP hold back an access point that keeps sending, instead
    // of memory filling up while the handler pauses; each chunk stays small enough to be
    // handled without the window freezing.
    TCPClient->setReadBufferSize(socketReadBufferBytes);
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
    setBackColor(lblStatus, StatusColor::Connected);
    LED2_aus->hide();
    verbunden = true;
    receivedSinceConnect = false;
    monitorCut = false;
    pollOutstanding = false;
    pollAgain = false;
    statusNote = StatusNote::None;
    lastEvaluation = QTime::currentTime();
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
        const QByteArray bytes = TCPClient->readAll();
        if (!bytes.isEmpty())
            receivedSinceConnect = true;
        const bool login = loginPhase;
        routeChunk(QString::fromLatin1(bytes));
        if (login)
            continue;
        // The 100 ms for the rest of a reply to come in, in two halves: while chunks keep
        // coming, a click then waits at most about 50 ms plus one chunk's work.
        Pause(50);
        Pause(50);
        LED1_aus->hide();
    } while (!isUnloaded() && TCPClient->bytesAvailable() > 0);
}

void frmMonitor::routeChunk(const QString &chunk)
{
    if (loginPhase) {
        if (chunk.size() > maxReceivedChars)
            showReplyCut();
        Monitor->setText(chunk.left(maxReceivedChars));
        AntwortAuswertung(*this, Monitor->text());
        return;
    }

    // A chunk that begins with "*" replaces whatever stands before it (an echo, a header),
    // unless the box already holds a station block: then it continues the same reply, and
    // emptying the box would lose the blocks received so far.
    if (chunk.startsWith(QLatin1Char('*')) && !Monitor->text().contains(stationSeparator())) {
        Monitor->setText(QString());
        monitorCut = false;
    }
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
    // Monitor keeps the beginning of the reply: that is what the evaluation reads.
    const qsizetype room = maxReceivedChars - Monitor->text().size();
    if (shown.size() > room) {
        if (!monitorCut)
            showReplyCut();
        monitorCut = true;
        shown.truncate(qMax<qsizetype>(room, 0));
    }
    Monitor->appendText(shown);
    if (manuellMode) {
        // The answer box keeps the newest text. It is cut down to seven eighths at a time,
        // so that a steady stream rebuilds the box only once per 128 KiB.
        if (txtmanAntw->text().size() + sReplyLine.size() > maxReceivedChars) {
            const QString all = txtmanAntw->text() + sReplyLine;
            txtmanAntw->setText(all.right(maxReceivedChars - maxReceivedChars / 8));
            showReplyCut();
        } else {
            txtmanAntw->appendText(sReplyLine);
        }
        // The answer to an open poll came here instead of to the evaluation: the next
        // polling tick asks again.
        if (pollOutstanding) {
            pollOutstanding = false;
            pollAgain = true;
        }
    } else {
        dataArrived = true;
        timAuswertung->setEnabled(true);
    }
}

void frmMonitor::showReplyCut()
{
    if (!verbunden)
        return;
    lblStatus->setText(QStringLiteral("Antwort des AP gekürzt: mehr als 1 MiB empfangen"));
    statusNote = StatusNote::ReplyCut;
}

void frmMonitor::TCPClient_Close()
{
    lblStatus->setText(QStringLiteral("keine Verbindung zum AP"));
    setBackColor(lblStatus, StatusColor::NoConnection);
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
