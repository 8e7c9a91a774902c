#include "monitor/stationmonitor.h"

#include <QSet>
#include <algorithm>
#include <climits>
#include <utility>

#include "base/wintimer.h"
#include "monitor/eventprograms.h"
#include "monitor/history.h"
#include "monitor/historylog.h"
#include "monitor/record.h"

QString StationEvent::text() const
{
    switch (kind) {
    case Kind::Joined:
        return QStringLiteral("angekommen an %1").arg(ap);
    case Kind::Left:
        return QStringLiteral("gegangen von %1").arg(ap);
    case Kind::Roamed:
        return QStringLiteral("gewechselt von %1 nach %2").arg(fromAp, ap);
    }
    return {};
}

StationMonitor::StationMonitor(std::shared_ptr<SessionClock> clock, QObject *parent)
    : QObject(parent), m_clock(std::move(clock))
{
    m_history = new StationHistory(this);
    m_history->setObjectName(QStringLiteral("history"));
    m_log = new HistoryLog(QString(), this);
    m_log->setObjectName(QStringLiteral("historyLog"));
    m_alerts = new AlertWatch(AlertSettings(), this);
    m_alerts->setObjectName(QStringLiteral("alertWatch"));
    m_programs = new EventPrograms(this);
    // Interval 0 never fires: the timer runs only once armed for a grace period's end.
    m_timer = m_clock->createTimer(0, this);
    connect(m_timer, &WinTimer::timeout, this, [this] {
        m_timer->setEnabled(false);
        tick();
    });
}

StationMonitor::~StationMonitor() = default;

void StationMonitor::setAlertSettings(const AlertSettings &settings)
{
    m_alerts->setSettings(settings);
    arm(nowMs());
}

const AlertSettings &StationMonitor::alertSettings() const
{
    return m_alerts->settings();
}

QString StationMonitor::key(const QString &mac)
{
    return mac.toUpper();
}

qint64 StationMonitor::nowMs() const
{
    return m_clock->currentDateTimeUtc().toMSecsSinceEpoch();
}

const DeviceState *StationMonitor::device(const QString &mac) const
{
    const auto it = m_devices.constFind(key(mac));
    return it == m_devices.cend() ? nullptr : &*it;
}

void StationMonitor::setKnownClients(const KnownClients &known)
{
    m_known = known;
    m_knownMacs = knownDeviceMacs(known);
    QSet<QString> knownKeys;
    for (const QString &mac : std::as_const(m_knownMacs)) {
        knownKeys.insert(key(mac));
        if (m_devices.size() >= kMaxDevices && !m_devices.contains(key(mac)))
            continue;
        DeviceState &d = m_devices[key(mac)];
        if (d.mac.isEmpty()) {
            ++m_deviceSetVersion;
            m_unheard.insert(key(mac));
            d.mac = mac;
            QString name;
            known.findName(mac, &name);
            d.name = stationName(mac, name);
        }
        d.known = true;
        emit deviceUpdated(d);
    }
    for (DeviceState &d : m_devices) {
        if (!knownKeys.contains(key(d.mac)))
            d.known = false;
    }
    // A known client that is a stranger now may be due for forgetting.
    m_nextForgetMs = LLONG_MIN;
    settleUnheard();
    emit changed();
}

void StationMonitor::watch(const QString &ap)
{
    Ap &a = m_aps[ap];
    a.watched = true;
    a.answered = false;
}

void StationMonitor::evaluated(const QString &ap, const QList<StationValue> &stations)
{
    const qint64 now = nowMs();
    const QDateTime time = QDateTime::fromMSecsSinceEpoch(now, Qt::UTC);
    // A station gone for longer than the grace period has left, even when this
    // evaluation, the first for a while, finds it back.
    expire(now);
    Ap &a = m_aps[ap];
    a.watched = true;
    a.answered = true;
    a.heard = true;

    if (m_historyOn) {
        const QList<HistorySample> samples = historySamples(stations);
        const QList<HistoryEvent> events = m_history->addEvaluation(time, samples);
        m_log->write(time, samples, events);
    }
    m_alerts->evaluate(time, alertStations(stations));

    QSet<QString> listed;
    for (const StationValue &s : stations) {
        const QString k = key(s.mac);
        if (listed.contains(k))
            continue;
        listed.insert(k);
        const bool isNew = !m_devices.contains(k);
        if (isNew && m_devices.size() >= kMaxDevices)
            continue;
        if (isNew)
            ++m_deviceSetVersion;
        DeviceState &d = m_devices[k];
        const bool wasHere = !d.ap.isEmpty() && d.presence != Presence::Absent;
        StationEvent e;
        e.ms = now;
        e.mac = s.mac;
        e.name = s.name;
        e.known = d.known; // a known client, not an access point's record: set by setKnownClients
        e.ap = ap;
        if (!wasHere) {
            e.kind = StationEvent::Kind::Joined;
            d.sinceMs = now;
            ++a.joins;
        } else if (d.ap != ap) {
            e.kind = StationEvent::Kind::Roamed;
            e.fromAp = d.ap;
            ++d.roams;
        }
        d.mac = s.mac;
        d.name = s.name;
        d.known = e.known;
        d.presence = Presence::Present;
        placeAt(k, d, ap);
        m_unheard.remove(k);
        d.lastSeenMs = now;
        setGone(k, d, std::nullopt);
        d.value = s;
        e.sinceMs = d.sinceMs;
        if (!wasHere || !e.fromAp.isEmpty())
            record(e);
        emit deviceUpdated(d);
    }
    // Left out by the access point that listed it: the grace period starts now, also for
    // a station whose presence was unknown while the access point was silent.
    for (const QString &k : std::as_const(m_byAp[ap])) {
        DeviceState &d = m_devices[k];
        if (listed.contains(k) || d.presence == Presence::Absent || d.goneSinceMs)
            continue;
        const bool wasUnknown = d.presence == Presence::Unknown;
        d.presence = Presence::Present;
        setGone(k, d, now);
        if (wasUnknown)
            emit deviceUpdated(d);
    }
    settleUnheard();
    arm(now);
    emit changed();
}

void StationMonitor::setApState(const QString &ap, ApState state)
{
    const qint64 now = nowMs();
    const QDateTime time = QDateTime::fromMSecsSinceEpoch(now, Qt::UTC);
    expire(now);
    using W = AlertWatch::ApState;
    Ap &a = m_aps[ap];
    switch (state) {
    case ApState::Answered:
        m_alerts->setAccessPointState(W::Answering, time, ap);
        if (std::exchange(a.down, false))
            runProgram(QStringLiteral("ap_wieder_da"), ap);
        break;
    case ApState::Silent:
    case ApState::Lost:
    case ApState::Refused:
        // Only an access point that had answered falls silent; one never heard of has not.
        if (a.heard && !std::exchange(a.down, true))
            runProgram(QStringLiteral("ap_stumm"), ap);
        if (state == ApState::Silent)
            m_alerts->setAccessPointState(W::NoAnswer, time, ap);
        else if (state == ApState::Lost)
            m_alerts->setAccessPointState(W::ConnectionLost, time, ap);
        // Nobody can say where its stations are now. One already left out keeps its grace
        // period: its leave was seen.
        for (const QString &k : std::as_const(m_byAp[ap])) {
            DeviceState &d = m_devices[k];
            if (d.presence == Presence::Present && !d.goneSinceMs) {
                d.presence = Presence::Unknown;
                mayForget(d, now);
                emit deviceUpdated(d);
            }
        }
        break;
    case ApState::Off:
        m_alerts->setAccessPointState(W::Off, time, ap);
        a.watched = false;
        a.down = false;
        // Nobody watches any more: nothing is reported of its stations.
        for (const QString &k : std::as_const(m_byAp[ap])) {
            DeviceState &d = m_devices[k];
            if (d.presence == Presence::Present) {
                d.presence = Presence::Unknown;
                setGone(k, d, std::nullopt);
                mayForget(d, now);
                emit deviceUpdated(d);
            }
        }
        break;
    }
    arm(now);
    emit changed();
}

void StationMonitor::tick()
{
    const qint64 now = nowMs();
    expire(now);
    arm(now);
    emit changed();
}

void StationMonitor::expire(qint64 now)
{
    const qint64 graceMs = qint64(m_alerts->settings().graceSeconds) * 1000;
    QList<StationEvent> left;
    const QList<QString> gone = m_gone.values();
    for (const QString &k : gone) {
        DeviceState &d = m_devices[k];
        if (!d.goneSinceMs || now - *d.goneSinceMs <= graceMs)
            continue;
        StationEvent e;
        e.kind = StationEvent::Kind::Left;
        e.ms = now;
        e.mac = d.mac;
        e.name = d.name;
        e.known = d.known;
        e.ap = d.ap;
        e.sinceMs = d.sinceMs;
        if (d.known)
            m_alerts->stationLeft(QDateTime::fromMSecsSinceEpoch(now, Qt::UTC), d.mac, d.name,
                                  *d.goneSinceMs);
        ++m_aps[d.ap].leaves;
        d.presence = Presence::Absent;
        setGone(k, d, std::nullopt);
        d.sinceMs.reset();
        mayForget(d, now);
        left.append(e);
        emit deviceUpdated(d);
    }
    // A stranger long gone is forgotten. The walk over all devices runs only when one
    // can be due, not at every evaluation.
    if (now >= m_nextForgetMs) {
        qint64 next = LLONG_MAX;
        for (auto it = m_devices.begin(); it != m_devices.end();) {
            const DeviceState &d = it.value();
            if (!d.known && d.presence != Presence::Present) {
                if (!d.lastSeenMs || now - *d.lastSeenMs > kKeepMs) {
                    if (!d.ap.isEmpty())
                        m_byAp[d.ap].remove(it.key());
                    m_gone.remove(it.key());
                    m_unheard.remove(it.key());
                    it = m_devices.erase(it);
                    ++m_deviceSetVersion;
                    continue;
                }
                next = qMin(next, *d.lastSeenMs + kKeepMs + 1);
            }
            ++it;
        }
        m_nextForgetMs = next;
    }
    for (const StationEvent &e : std::as_const(left))
        record(e);
}

void StationMonitor::placeAt(const QString &k, DeviceState &d, const QString &ap)
{
    if (d.ap == ap)
        return;
    if (!d.ap.isEmpty())
        m_byAp[d.ap].remove(k);
    m_byAp[ap].insert(k);
    d.ap = ap;
}

void StationMonitor::setGone(const QString &k, DeviceState &d, std::optional<qint64> ms)
{
    d.goneSinceMs = ms;
    if (ms)
        m_gone.insert(k);
    else
        m_gone.remove(k);
}

void StationMonitor::mayForget(const DeviceState &d, qint64 now)
{
    if (d.known || d.presence == Presence::Present)
        return;
    m_nextForgetMs = qMin(m_nextForgetMs, d.lastSeenMs ? *d.lastSeenMs + kKeepMs + 1 : now);
}

// Known clients no access point has listed yet are absent once every watched access
// point has answered: before that, the one that has not may have them.
void StationMonitor::settleUnheard()
{
    if (m_unheard.isEmpty())
        return;
    bool allAnswered = false;
    for (const Ap &a : std::as_const(m_aps)) {
        if (!a.watched)
            continue;
        if (!a.answered)
            return;
        allAnswered = true;
    }
    if (!allAnswered)
        return;
    const QSet<QString> unheard = std::exchange(m_unheard, {});
    for (const QString &k : unheard) {
        const auto it = m_devices.find(k);
        if (it == m_devices.end())
            continue;
        DeviceState &d = it.value();
        if (d.ap.isEmpty() && d.presence == Presence::Unknown) {
            d.presence = Presence::Absent;
            mayForget(d, nowMs());
            emit deviceUpdated(d);
        }
    }
}

void StationMonitor::record(const StationEvent &e)
{
    // Comes and goes are the history's own; a roam is one event of its own there.
    if (e.kind == StationEvent::Kind::Roamed && m_historyOn) {
        HistoryEvent h;
        h.ms = e.ms;
        h.mac = e.mac;
        h.name = e.name;
        h.connected = true;
        h.alert = e.text();
        m_history->addAlert(h);
        m_log->write(QDateTime::fromMSecsSinceEpoch(e.ms, Qt::UTC), {}, {h});
    }
    const QString kind = e.kind == StationEvent::Kind::Roamed ? QStringLiteral("gewechselt")
                         : e.kind == StationEvent::Kind::Left ? QStringLiteral("gegangen")
                         : e.known                            ? QStringLiteral("angekommen")
                                                              : QStringLiteral("fremd");
    runProgram(kind, e.ap, &e);
    emit stationEvent(e);
}

void StationMonitor::runProgram(const QString &kind, const QString &ap, const StationEvent *event)
{
    if (m_programs->program().isEmpty())
        return;
    ProgramEvent p;
    p.kind = kind;
    p.ap = ap;
    p.apName = accessPointName(m_known, ap);
    if (event) {
        p.mac = event->mac;
        p.name = event->name;
        p.sinceMs = event->sinceMs;
    }
    m_programs->run(p);
}

std::optional<qint64> StationMonitor::nextDeadlineMs() const
{
    const qint64 graceMs = qint64(m_alerts->settings().graceSeconds) * 1000;
    std::optional<qint64> next;
    for (const QString &k : m_gone) {
        const DeviceState &d = *m_devices.constFind(k);
        if (!d.goneSinceMs)
            continue;
        // A station has left once more than the grace period has passed.
        const qint64 end = *d.goneSinceMs + graceMs + 1;
        if (!next || end < *next)
            next = end;
    }
    return next;
}

void StationMonitor::arm(qint64 now)
{
    const std::optional<qint64> end = nextDeadlineMs();
    if (!end) {
        m_timer->setEnabled(false);
        return;
    }
    const qint64 wait = std::clamp<qint64>(*end - now, 1, INT_MAX);
    m_timer->setInterval(int(wait));
    m_timer->setEnabled(true);
}
