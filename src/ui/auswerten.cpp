// The window's part in evaluating a reply text: the session parses it with the window's
// known clients and filter and decides what follows; the window shows and records it.
#include "ui/auswerten.h"

#include <QCheckBox>
#include <QDateTime>
#include <QToolButton>

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
    w.session->evaluate(text);
}

Reply parseForWindow(const frmMonitor &w, const QString &text)
{
    return parseReply(text, w.knownClients(), chkValue(w.chkBekClients) == 1);
}

void showEvaluated(frmMonitor &w, const Reply &r)
{
    w.showReply(r);
    if (r.kind == Reply::Kind::Completed)
        recordStations(w, r);
}
