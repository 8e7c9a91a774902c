// The window's evaluation of a reply text: parse it, then act on the outcome.
#include "monitor/auswerten.h"

#include <QCheckBox>
#include <QDateTime>
#include <QToolButton>

#include "app/startstop.h"
#include "config/knownclients.h"
#include "monitor/history.h"
#include "monitor/historylog.h"
#include "monitor/record.h"
#include "ui/frmMonitor.h"

namespace {

// Nothing is recorded during the login phase or once the window is unloading.
void recordStations(frmMonitor &w, const Reply &r)
{
    if (w.loginPhase || w.isUnloaded() || !countsForHistory(r))
        return;
    const QList<HistorySample> samples = historySamples(r);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QList<HistoryEvent> events = w.history->addEvaluation(now, samples);
    w.historyLog->write(now, samples, events);
}

} // namespace

void AntwortAuswertung(frmMonitor &w, QString text)
{
    const Reply r = parseReply(text, w.knownClients(), chkValue(w.chkBekClients) == 1);
    switch (r.kind) {
    case Reply::Kind::Refused:
        w.timPWRobot->setEnabled(false);
        w.timPoll_Power->setEnabled(false);
        w.CmdLogin->setEnabled(true);
        w.trennen();
        w.IamReady = true;
        return;
    case Reply::Kind::Rebooting:
        w.timPoll_Power->setEnabled(false);
        w.CmdLogin->setEnabled(true);
        StartStop::ProgrammEnde(w);
        return; // the program has ended
    case Reply::Kind::TooShort:
        w.showReply(r); // the firmware only; IamReady stays as it is
        return;
    case Reply::Kind::Completed:
        break;
    }
    w.showReply(r);
    recordStations(w, r);
    w.IamReady = true;
    w.evaluationCompleted();
}
