#pragma once

#include <QDate>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <deque>
#include <functional>
#include <limits>
#include <memory>
#include <thread>
#include <vector>

// Reading the history log's day files ("SENVARO-Verlauf-YYYY-MM-DD.csv", see HistoryLog)
// back for spans beyond the 24 hours held in memory.
//
// Every line form the log has written is read: the header (also the older one without
// the column "Hersteller"), samples ("Messwert") and events (come, go, alerts, roams),
// numbers with either decimal separator (the locale may have changed between two
// days), quoted fields. The times carry no offset: they are read as local time of the
// system's time zone; in the hour a clock change repeats, a time that runs back against
// the lines before it is the second pass of that hour. A time with an offset ("Z",
// "+01:00") is taken as it says. A line that is not sound (a junk line, a line cut off
// at the end of the file, a number that is none) is skipped and counted with its file;
// the rest of the file is read.
//
// Memory stays small whatever the span: samples are not kept but folded, while reading,
// into min/max bins (at most kMaxBins per station over the span, allocated only where a
// station has samples); reduce() turns them into pixel columns.

// Min and max of the receive and acknowledge levels in one bin or pixel column; empty
// when no sample fell in it.
struct SignalRange
{
    float rxMin = std::numeric_limits<float>::infinity();
    float rxMax = -std::numeric_limits<float>::infinity();
    float ackMin = std::numeric_limits<float>::infinity();
    float ackMax = -std::numeric_limits<float>::infinity();

    bool hasSamples() const { return rxMin <= rxMax; }
    void add(float rx, float ack)
    {
        rxMin = rx < rxMin ? rx : rxMin;
        rxMax = rx > rxMax ? rx : rxMax;
        ackMin = ack < ackMin ? ack : ackMin;
        ackMax = ack > ackMax ? ack : ackMax;
    }
    void add(const SignalRange &o)
    {
        if (!o.hasSamples())
            return;
        add(o.rxMin, o.ackMin);
        add(o.rxMax, o.ackMax);
    }
};

// A station's bins over the span, in chunks that exist only where it has samples: a
// phone seen for ten minutes of a month costs one chunk, not the month.
class SignalBins
{
public:
    static constexpr int kChunkBits = 10;
    static constexpr int kChunk = 1 << kChunkBits;

    void add(int bin, float rx, float ack)
    {
        const size_t c = size_t(bin) >> kChunkBits;
        if (c >= m_chunks.size())
            m_chunks.resize(c + 1);
        if (!m_chunks[c])
            m_chunks[c] = std::make_unique<SignalRange[]>(kChunk);
        m_chunks[c][size_t(bin) & (kChunk - 1)].add(rx, ack);
    }
    SignalRange at(int bin) const
    {
        const size_t c = size_t(bin) >> kChunkBits;
        return c < m_chunks.size() && m_chunks[c] ? m_chunks[c][size_t(bin) & (kChunk - 1)] : SignalRange();
    }
    size_t chunkCount() const { return m_chunks.size(); }
    // Chunk c (kChunk bins from c * kChunk), or nullptr where nothing fell.
    const SignalRange *chunk(size_t c) const { return c < m_chunks.size() ? m_chunks[c].get() : nullptr; }
    // Takes over other's bins (chunks move where this has none).
    void merge(SignalBins &&other);
    qsizetype bytesHeld() const;

private:
    std::vector<std::unique_ptr<SignalRange[]>> m_chunks;
};

// An interval in which a station was there: from its first to its last sample.
struct PresenceBand
{
    qint64 fromMs = 0;
    qint64 toMs = 0;
    bool operator==(const PresenceBand &) const = default;
};

// An event line of a day file.
struct DayEvent
{
    enum class Kind {
        Connected,    // "verbunden"
        Disconnected, // "getrennt"
        Roamed,       // "gewechselt von A nach B"
        Alert,        // any other text: an alert
    };
    Kind kind = Kind::Alert;
    qint64 ms = 0;
    QString text; // the column "Ereignis" as written
    QString mac;  // empty for an alert about the access point
    QString name;
    QString maker;
    QString fromAp; // a roam's access points
    QString toAp;
};

// A station of the span, identified by its MAC address (either letter case).
struct DayStation
{
    QString mac;   // as first written
    QString name;  // of its latest sample
    QString maker; // the latest one written (empty while never known)
    qint64 firstMs = 0;
    qint64 lastMs = 0;
    quint64 samples = 0;
    SignalBins bins;
    std::vector<PresenceBand> bands; // oldest first, from DayRequest::bandsFromMs on
};

// A file with lines that were skipped.
struct SkippedLines
{
    QString fileName;
    int lines = 0;
    bool operator==(const SkippedLines &) const = default;
};

struct DayRequest
{
    QString folder;
    qint64 fromMs = 0; // the span [fromMs, toMs), ms since the epoch
    qint64 toMs = 0;
    // Presence bands are made from here to toMs; before fromMs means "from fromMs".
    qint64 bandsFromMs = 0;
    int threads = 0; // files read at once; 0: up to two, as the processor has cores

    // The span of the last days up to toMs, with bands over its last 7 days.
    static DayRequest lastDays(const QString &folder, int days, qint64 toMs);
};

// What a span's day files hold.
struct DayData
{
    static constexpr int kMaxBins = 86400;
    static constexpr int kMaxEvents = 20000;
    // A gap between two samples of a station ends its presence band when it is larger
    // than this many typical cycles and at least kBandGapMinMs.
    static constexpr int kBandGapCycles = 3;
    static constexpr qint64 kBandGapMinMs = 10'000;

    qint64 fromMs = 0;
    qint64 toMs = 0;
    qint64 bandsFromMs = 0;
    qint64 binMs = 1000; // width of one bin, whole seconds
    int binCount = 0;

    std::vector<DayStation> stations; // in the order of their first sample
    std::deque<DayEvent> events;      // oldest first, the newest kMaxEvents of the span
    quint64 eventsDropped = 0;        // older events of the span beyond that bound
    quint64 samples = 0;              // sample lines in the span
    int filesTotal = 0;               // day files of the span that exist
    int filesRead = 0;
    std::vector<SkippedLines> skipped; // in file order
    int skippedLines = 0;
    QStringList unreadable; // German: file name and reason, for files that could not be read
    bool canceled = false;

    const DayStation *station(const QString &mac) const;
    qsizetype bytesHeld() const;
};

// Per station and pixel column of [fromMs, toMs): min and max of the levels, so a month
// draws as the data, not as a smear. A bin belongs to the column its start falls in, so a
// column is exact to one bin; a span much shorter than the one read is read anew.
struct ReducedHistory
{
    struct Station
    {
        QString mac;
        QString name;
        QString maker;
        std::vector<SignalRange> columns;
    };
    qint64 fromMs = 0;
    qint64 toMs = 0;
    int columns = 0;
    std::vector<Station> stations; // as in DayData
};

ReducedHistory reduce(const DayData &data, qint64 fromMs, qint64 toMs, int columns);

// One whole line of a day file, for exporting.
struct DayRow
{
    qint64 ms = 0;
    QString event; // "Messwert" for a sample, else the event's text
    QString mac;
    QString name;
    double rx = 0.0; // a sample's numbers
    double ack = 0.0;
    double rate = 0.0;
    QString mode;
    QString maker;

    bool isSample() const;
    bool operator==(const DayRow &) const = default;
};

// Reads the day files of a span in the background.
class DayFileReader : public QObject
{
    Q_OBJECT
public:
    explicit DayFileReader(QObject *parent = nullptr);
    ~DayFileReader() override;

    // Starts reading; a request still running is cancelled and never reported. Returns
    // the request's number, which progress() and finished() carry.
    quint64 request(const DayRequest &request);
    void cancel();
    bool isBusy() const { return m_current != 0; }

    // The same, on the calling thread. Stops early (canceled set) once *cancel is true;
    // progress is called after each file, on whichever thread read it.
    static DayData read(const DayRequest &request, const std::atomic<bool> *cancel = nullptr,
                        const std::function<void(int done, int total)> &progress = {});

    // Every sound line of the span's files with its time in the span, in file order,
    // until visit returns false. False when a file could not be read (error says which,
    // in German) or visit stopped.
    static bool forEachRow(const QString &folder, qint64 fromMs, qint64 toMs,
                           const std::function<bool(const DayRow &)> &visit, QString *error = nullptr);

    // The day files of [fromMs, toMs) that exist, oldest first.
    static QStringList filesOfSpan(const QString &folder, qint64 fromMs, qint64 toMs);

signals:
    void progress(quint64 request, int filesDone, int filesTotal);
    void finished(quint64 request, std::shared_ptr<const DayData> data);

private:
    struct Job
    {
        quint64 id = 0;
        std::shared_ptr<std::atomic<bool>> cancel;
        std::thread thread;
    };
    void jobDone(quint64 id, std::shared_ptr<const DayData> data);

    std::vector<Job> m_jobs;
    quint64 m_next = 0;
    quint64 m_current = 0; // the request whose result is wanted; 0: none
};

// Removes the log's day files older than keepDays (today counts as the first day kept):
// only files whose name is exactly the log's pattern and whose first line is the log's
// header, so nothing the log did not write. Returns the names removed; error lists the
// German reasons of files that stayed although they should have gone.
QStringList removeOldDayFiles(const QString &folder, int keepDays, const QDate &today,
                              QString *error = nullptr);

// Writes rows to path as one CSV file with the log's header and columns (Latin-1, times
// in local time, numbers with the system's decimal separator). Atomic: on failure
// nothing is left at path (an old file stays as it was) and error says why, in German.
bool exportCsv(const QString &path, const std::vector<DayRow> &rows, QString *error);
// The same for the chosen stations (MAC addresses, either letter case) of a span, read
// from the day files line by line, so a month needs no memory of its own.
bool exportCsv(const QString &path, const QString &folder, qint64 fromMs, qint64 toMs,
               const QStringList &macs, QString *error);
