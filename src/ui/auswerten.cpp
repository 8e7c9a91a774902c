// The window's part in evaluating a reply text: the session parses it with the known
// clients and filter the window handed it and decides what follows; the window shows and
// records it.
#include "monitor/reply.h"

#include <QCheckBox>
#include <QDateTime>
#include <QToolButton>

#include "config/knownclients.h"
#include "monitor/stationmonitor.h"
#include "monitor/stations.h"
#include "ui/frmMonitor.h"

// Nothing is recorded during the login phase or once the window is unloading. The
// station monitor records the history, its log, the alerts and the presence.
void frmMonitor::recordStations(const Reply &r)
{
    if (m_session->loginPhase() || isUnloaded() || !isStationReply(r))
        return;
    const QList<StationValue> stations = stationValues(r);
    m_stationCount = int(stations.size());
    m_monitor->evaluated(m_session->host(), stations);
    updateTray();
}

void frmMonitor::showEvaluated(const Reply &r)
{
    showReply(r);
    if (r.kind == Reply::Kind::Completed)
        recordStations(r);
}
