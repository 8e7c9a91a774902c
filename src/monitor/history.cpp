#include "monitor/history.h"

#include <algorithm>

QString HistoryEvent::word() const
{
    if (!alert.isEmpty())
        return alert;
    return connected ? QStringLiteral("verbunden") : QStringLiteral("getrennt");
}

StationHistory::StationHistory(QObject *parent) : QObject(parent) {}

const StationHistory::Track *StationHistory::track(const QString &mac) const
{
    const auto it = m_index.constFind(mac);
    return it == m_index.constEnd() ? nullptr : &m_tracks[size_t(*it)];
}

qsizetype StationHistory::pointCount() const
{
    qsizetype n = 0;
    for (const Track &t : m_tracks)
        n += qsizetype(t.points.size());
    return n;
}

quint16 StationHistory::modeId(const QString &mode)
{
    // Few distinct modes exist ("11b", "11g", ...); a linear search beats hashing.
    for (qsizetype i = 0; i < m_modes.size(); ++i) {
        if (m_modes[i] == mode)
            return quint16(i);
    }
    if (m_modes.size() >= 0xFFFF)
        return 0xFFFF; // shown as an empty mode; the access point never sends so many
    m_modes.append(mode);
    return quint16(m_modes.size() - 1);
}

QList<HistoryEvent> StationHistory::addEvaluation(const QDateTime &now, const QList<HistorySample> &samples)
{
    const qint64 ms = std::max(now.isValid() ? now.toMSecsSinceEpoch() : m_lastMs, m_lastMs);
    const qint64 step = m_lastMs > 0 ? ms - m_lastMs : 0;
    const bool paused = m_lastStepMs > 0 && step > 3 * m_lastStepMs && step > m_lastStepMs + 10'000;
    m_lastStepMs = step;
    m_lastMs = ms;
    const quint64 eval = ++m_evaluation;
    QList<HistoryEvent> made;

    for (const HistorySample &s : samples) {
        auto it = m_index.constFind(s.mac);
        int idx;
        if (it == m_index.constEnd()) {
            idx = int(m_tracks.size());
            m_tracks.push_back(Track{s.mac, s.name, {}, 0});
            m_index.insert(s.mac, idx);
        } else {
            idx = *it;
        }
        Track &t = m_tracks[size_t(idx)];
        if (t.lastEvaluation == eval)
            continue; // the same MAC twice in one reply
        const bool returned = t.lastEvaluation + 1 != eval;
        if (returned)
            made.append(HistoryEvent{ms, s.mac, s.name, true, {}});
        t.lastEvaluation = eval;
        t.name = s.name;
        t.points.push_back(
            Point{ms, float(s.rx), float(s.ack), float(s.rate), modeId(s.mode), returned || paused});
    }
    for (const Track &t : m_tracks) {
        if (t.lastEvaluation + 1 == eval)
            made.append(HistoryEvent{ms, t.mac, t.name, false, {}});
    }
    for (const HistoryEvent &e : std::as_const(made))
        m_events.push_back(e);
    m_eventSerial += quint64(made.size());

    trim(ms);
    ++m_revision;
    emit changed();
    return made;
}

void StationHistory::addAlert(const HistoryEvent &alert)
{
    HistoryEvent e = alert;
    e.ms = std::max(e.ms, m_events.empty() ? e.ms : m_events.back().ms);
    m_events.push_back(e);
    ++m_eventSerial;
    trim(std::max(m_lastMs, e.ms));
    ++m_revision;
    emit changed();
}

void StationHistory::trim(qint64 nowMs)
{
    const qint64 oldest = nowMs - kKeepMs;
    while (!m_events.empty() && (m_events.front().ms < oldest || m_events.size() > size_t(kMaxEvents)))
        m_events.pop_front();

    bool emptied = false;
    for (Track &t : m_tracks) {
        while (!t.points.empty() && t.points.front().ms < oldest)
            t.points.pop_front();
        emptied = emptied || t.points.empty();
    }
    if (!emptied)
        return;
    // A station gone for a whole day: drop it and renumber the index.
    std::erase_if(m_tracks, [](const Track &t) { return t.points.empty(); });
    m_index.clear();
    for (size_t i = 0; i < m_tracks.size(); ++i)
        m_index.insert(m_tracks[i].mac, int(i));
}

void StationHistory::clear()
{
    m_tracks.clear();
    m_index.clear();
    m_events.clear();
    m_modes.clear();
    m_evaluation = 1;
    m_eventSerial = 0;
    m_lastMs = 0;
    m_lastStepMs = 0;
    ++m_generation;
    ++m_revision;
    emit changed();
}
