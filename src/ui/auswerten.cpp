// The window's part in evaluating a reply text: the session parses it with the window's
// known clients and filter and decides what follows; the window shows and records it.
#include "monitor/reply.h"

#include <QCheckBox>
#include <QDateTime>
#include <QToolButton>

#include "config/knownclients.h"
#include "monitor/history.h"
#include "monitor/historylog.h"
#include "monitor/record.h"
#include "session/wintimer.h"
#include "ui/frmMonitor.h"

// Nothing is recorded during the login phase or once the window is unloading. The alert
// watch sees the same evaluation, after the history's own events.
void frmMonitor::recordStations(const Reply &r)
{
    if (m_session->loginPhase || isUnloaded() || !countsForHistory(r))
        return;
    const QList<HistorySample> samples = historySamples(r);
    const QDateTime now = m_session->clock().currentDateTimeUtc();
    const QList<HistoryEvent> events = m_history->addEvaluation(now, samples);
    m_historyLog->write(now, samples, events);
    m_stationCount = int(samples.size());
    m_alertWatch->evaluate(now, AlertWatch::stationsOf(r));
    armGraceTimer(now);
    updateTray();
}

Reply frmMonitor::parseForWindow(const QString &text) const
{
    return parseReply(text, knownClients(), chkValue(chkBekClients) == 1);
}

void frmMonitor::showEvaluated(const Reply &r)
{
    showReply(r);
    if (r.kind == Reply::Kind::Completed)
        recordStations(r);
}
