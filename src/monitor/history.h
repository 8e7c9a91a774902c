#pragma once

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <deque>
#include <vector>

// What one evaluation reports for one station that passed the filter: the values the
// clients page would show for its block.
struct HistorySample
{
    QString mac;       // identifies the station
    QString name;      // the caption the station has on the clients page
    double rx = 0.0;   // receive level in per cent
    double ack = 0.0;  // acknowledge level in per cent
    double rate = 0.0; // receive data rate in Mbps
    QString mode;      // WLAN mode, e.g. "11g"
};

// A station appearing in or vanishing from the evaluated stations, or an alert.
struct HistoryEvent
{
    qint64 ms = 0; // milliseconds since the epoch
    QString mac;   // empty for an alert about the access point
    QString name;  // the name the station had at that moment (an alert's station or access point)
    bool connected = false;
    QString alert; // an alert's short German text ("Station getrennt", ...); empty for a come or go

    QDateTime time() const { return QDateTime::fromMSecsSinceEpoch(ms); }
    // "verbunden", "getrennt", or the alert's text.
    QString word() const;
};

// The signal history of every station seen in the last 24 hours, in memory.
//
// A station is identified by its MAC address (the block's first 17 characters): a
// known client that gets another name stays one station, and its line shows the name
// of its latest sample. Two blocks with the same MAC in one reply count once (the
// first). Each evaluation compares its MAC set with the previous evaluation's: a MAC
// new to it makes a "verbunden" event, a MAC that is missing a "getrennt" event. The
// first evaluation after construction or clear() compares with an empty set, so every
// station then starts with "verbunden". A station filtered out is not examined, so to
// the history it is gone.
//
// Bounds: samples and events older than 24 hours before the newest evaluation are
// dropped, and at most kMaxEvents events are kept; a station whose samples are all
// dropped disappears. Times never run backwards: an evaluation earlier than the
// previous one (the system clock was set back) is recorded at the previous time, so
// each station's samples stay sorted for the chart.
//
// An evaluation counts as after a pause when it comes more than three times the
// previous evaluation's distance later, and at least 10 s later than that distance
// would have it: every sample of it then starts a new piece of its line.
class StationHistory : public QObject
{
    Q_OBJECT
public:
    static constexpr qint64 kKeepMs = 24LL * 60 * 60 * 1000;
    static constexpr int kMaxEvents = 20000;

    // One sample, 24 bytes: a day of 12 stations at a 2 s cycle needs about 12 MB.
    struct Point
    {
        qint64 ms;
        float rx;
        float ack;
        float rate;
        quint16 mode; // index into modes()
        // Nothing is known of the station between the previous sample and this one:
        // it was missing from an evaluation, or no evaluation ran for a while (the
        // window was logged out). The chart breaks the line here.
        bool resumed;
    };
    struct Track
    {
        QString mac;
        QString name; // of the latest sample
        std::deque<Point> points;
        quint64 lastEvaluation = 0; // number of the evaluation that last saw it
    };

    explicit StationHistory(QObject *parent = nullptr);

    // Records one completed evaluation; returns the events it made (oldest first, in
    // the order of the samples, "getrennt" after "verbunden"). Any Qt::TimeSpec will do;
    // a UTC time (QDateTime::currentDateTimeUtc()) spares a time-zone lookup.
    QList<HistoryEvent> addEvaluation(const QDateTime &now, const QList<HistorySample> &samples);
    // Records an alert among the events (same bounds), at its own time but never
    // before the newest event.
    void addAlert(const HistoryEvent &alert);
    void clear();

    // Stations in order of first appearance.
    const std::vector<Track> &tracks() const { return m_tracks; }
    const Track *track(const QString &mac) const;
    // Oldest first.
    const std::deque<HistoryEvent> &events() const { return m_events; }
    // Events made since construction or the last clear(), dropped ones included.
    quint64 eventSerial() const { return m_eventSerial; }
    // Grows with every change; a view that remembers it knows whether it is stale.
    quint64 revision() const { return m_revision; }
    // Grows with every clear(), so a view knows its event list must start afresh.
    quint64 generation() const { return m_generation; }
    // Time of the newest evaluation (ms since the epoch), 0 before the first.
    qint64 lastMs() const { return m_lastMs; }
    const QStringList &modes() const { return m_modes; }
    qsizetype pointCount() const;

signals:
    void changed();

private:
    quint16 modeId(const QString &mode);
    void trim(qint64 nowMs);

    std::vector<Track> m_tracks;
    QHash<QString, int> m_index; // MAC -> index into m_tracks
    std::deque<HistoryEvent> m_events;
    QStringList m_modes;
    // Numbers of evaluations; a new station's lastEvaluation 0 must never look like
    // "seen in the previous one", so the first evaluation is number 2.
    quint64 m_evaluation = 1;
    quint64 m_eventSerial = 0;
    quint64 m_revision = 0;
    quint64 m_generation = 0;
    qint64 m_lastMs = 0;
    qint64 m_lastStepMs = 0; // from the evaluation before the newest to the newest
};
