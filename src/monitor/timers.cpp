#include <QLabel>
#include <QLineEdit>

#include "monitor/allgemein.h"
#include "monitor/auswerten.h"
#include "session/statuscolors.h"
#include "ui/frmMonitor.h"

namespace {
// An open poll counts as unanswered after three polling intervals, but never sooner.
constexpr qint64 minNoAnswerMs = 10000;
} // namespace

// Polling: at most one "get station" per finished evaluation; a tick that finds the
// previous reply still open is lost. An access point that stops answering is asked
// again once three intervals have passed without an evaluation.
void frmMonitor::timPoll_Power_Timer()
{
    if (!verbunden)
        return;
    if (IamReady || pollAgain) {
        // Everything in the box has been evaluated: it holds only the coming reply, so a
        // reply that does not begin with the separator cannot pile up on earlier ones.
        Monitor->setText(QString());
        monitorCut = false;
        sendCommand(QStringLiteral("get station"));
        IamReady = false;
        pollAgain = false;
        pollOutstanding = true;
        pollSentAt.start();
        return;
    }
    if (pollOutstanding &&
        pollSentAt.elapsed() >= qMax<qint64>(3 * qint64(timPoll_Power->interval()), minNoAnswerMs)) {
        lblStatus->setText(QStringLiteral("keine Antwort vom AP seit ") +
                           lastEvaluation.toString(QStringLiteral("HH:mm:ss")));
        setBackColor(lblStatus, StatusColor::NoConnection);
        statusNote = StatusNote::NoAnswer;
        pollAgain = true;
    }
}

// A reply counts as complete once a whole interval passed without a new chunk. The
// connection lamp blinks on every tick while a reply settles.
void frmMonitor::timAuswertung_Timer()
{
    if (!dataArrived) {
        AntwortAuswertung(*this, Monitor->text());
        timAuswertung->setEnabled(false);
    }
    dataArrived = false;
    LED2_aus->setHidden(!LED2_aus->isHidden());
}

void frmMonitor::evaluationCompleted()
{
    lastEvaluation = QTime::currentTime();
    pollOutstanding = false;
    pollAgain = false;
    if (statusNote == StatusNote::None || loginPhase || !verbunden || isUnloaded())
        return;
    if (monitorCut) {
        showReplyCut(); // the evaluated reply itself was cut: the note stays
        return;
    }
    statusNote = StatusNote::None;
    showConnectedCaption();
}

void frmMonitor::showConnectedCaption()
{
    lblStatus->setText(QStringLiteral("Verbindung zu AP") + fGetField(txtIP->text(), QStringLiteral("."), 4) +
                       QStringLiteral(" aufgebaut"));
    setBackColor(lblStatus, StatusColor::Connected);
}
