#include "monitor/dayfiles.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
#include <QTimeZone>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

#include "monitor/history.h"
#include "monitor/historylog.h"

namespace {

constexpr qint64 kHourMs = 3600'000;
constexpr qint64 kDayMs = 24 * kHourMs;
constexpr std::string_view kSampleWord = "Messwert";
// Read in blocks of up to kBlock; a line longer than kMaxLine is no line the log wrote.
constexpr qsizetype kBlock = 256 << 10; // small enough to be parsed from the cache it was read into
constexpr qsizetype kMaxLine = 64 << 10;
// A quoted field may hold a line end, so a line can go on; not for longer than this.
constexpr int kMaxRecordLines = 8;

// Short texts compared in place, eight bytes at a time (a library call costs more here).
inline bool sameBytes(const char *a, const char *b, size_t n)
{
    for (; n >= 8; a += 8, b += 8, n -= 8) {
        quint64 x, y;
        std::memcpy(&x, a, 8);
        std::memcpy(&y, b, 8);
        if (x != y)
            return false;
    }
    for (; n > 0; --n)
        if (*a++ != *b++)
            return false;
    return true;
}

// ---- times ------------------------------------------------------------------------

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
qint64 daysFromCivil(int y, int m, int d)
{
    y -= m <= 2;
    const qint64 era = (y >= 0 ? y : y - 399) / 400;
    const qint64 yoe = y - era * 400;
    const qint64 doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const qint64 doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

bool digits(std::string_view s, size_t at, size_t n, int *out)
{
    int v = 0;
    for (size_t i = at; i < at + n; ++i) {
        const unsigned char c = static_cast<unsigned char>(s[i]) - '0';
        if (c > 9)
            return false;
        v = v * 10 + c;
    }
    *out = v;
    return true;
}

// The time-zone backend is shared between threads; asked only once per day of a file.
std::mutex &zoneMutex()
{
    static std::mutex m;
    return m;
}

// Local times of the system's time zone as the log writes them (no offset), turned back
// into instants. Each day's offsets are asked once; a day with a clock change knows the
// instant of the change. One object per file: it remembers the latest time it gave, so
// the repeated hour of a change back reads right from the order of the lines.
class LocalTimes
{
public:
    LocalTimes()
    {
        std::lock_guard lock(zoneMutex());
        m_zone = QTimeZone::systemTimeZone();
    }

    // "yyyy-MM-ddTHH:mm:ss", optionally followed by "Z" or an offset "+HH:MM".
    bool parse(std::string_view t, qint64 *ms)
    {
        if (t.size() < 19 || t[4] != '-' || t[7] != '-' || t[10] != 'T' || t[13] != ':' || t[16] != ':')
            return false;
        if (!m_haveDay || !sameBytes(t.data(), m_dayText, 10)) {
            int y, mo, d;
            if (!digits(t, 0, 4, &y) || !digits(t, 5, 2, &mo) || !digits(t, 8, 2, &d) ||
                !QDate::isValid(y, mo, d))
                return false;
            setDay(daysFromCivil(y, mo, d));
            std::memcpy(m_dayText, t.data(), 10);
        }
        int h, mi, s;
        if (!digits(t, 11, 2, &h) || !digits(t, 14, 2, &mi) || !digits(t, 17, 2, &s) || h > 23 || mi > 59 ||
            s > 59)
            return false;
        const qint64 naive = m_dayNaiveMs + h * kHourMs + mi * 60'000 + s * 1000;
        const std::string_view zone = t.substr(19);
        qint64 at;
        if (zone.empty()) {
            at = resolve(naive);
        } else if (zone == "Z") {
            at = naive;
        } else {
            int oh, om;
            if (zone.size() != 6 || (zone[0] != '+' && zone[0] != '-') || zone[3] != ':' ||
                !digits(zone, 1, 2, &oh) || !digits(zone, 4, 2, &om))
                return false;
            const qint64 offset = (oh * 60 + om) * 60'000LL;
            at = zone[0] == '+' ? naive - offset : naive + offset;
        }
        m_latest = std::max(m_latest, at);
        *ms = at;
        return true;
    }

private:
    void setDay(qint64 days)
    {
        m_haveDay = true;
        m_dayNaiveMs = days * kDayMs;
        // Offsets lie within ±14 h, so this window holds every instant of the local day.
        const QDateTime probe = QDateTime::fromMSecsSinceEpoch(m_dayNaiveMs - 14 * kHourMs, Qt::UTC);
        const qint64 probeEnd = m_dayNaiveMs + kDayMs + 14 * kHourMs;
        std::lock_guard lock(zoneMutex());
        m_before = m_zone.offsetFromUtc(probe) * 1000LL;
        m_change = std::numeric_limits<qint64>::max();
        if (m_zone.hasTransitions()) {
            const QTimeZone::OffsetData next = m_zone.nextTransition(probe);
            if (next.atUtc.isValid() && next.atUtc.toMSecsSinceEpoch() < probeEnd) {
                m_change = next.atUtc.toMSecsSinceEpoch();
                m_after = next.offsetFromUtc * 1000LL;
            }
        }
    }

    qint64 resolve(qint64 naive) const
    {
        const qint64 early = naive - m_before;
        if (m_change == std::numeric_limits<qint64>::max())
            return early;
        const qint64 late = naive - m_after;
        const bool earlyFits = early < m_change;
        const bool lateFits = late >= m_change;
        if (earlyFits && lateFits) {
            // The repeated hour. Its second pass follows lines from after the change, or
            // runs back by more than a moment against the lines before it.
            return m_latest >= m_change || early + 30 * 60'000 < m_latest ? late : early;
        }
        // A time the change skipped cannot be written by the log: read with the old offset.
        return lateFits && !earlyFits ? late : early;
    }

    QTimeZone m_zone;
    char m_dayText[10] = {};
    bool m_haveDay = false;
    qint64 m_dayNaiveMs = 0;
    qint64 m_before = 0;
    qint64 m_after = 0;
    qint64 m_change = std::numeric_limits<qint64>::max();
    qint64 m_latest = std::numeric_limits<qint64>::min();
};

// ---- fields and numbers ---------------------------------------------------------------

constexpr double kTenths[] = {1e0,  1e-1, 1e-2,  1e-3,  1e-4,  1e-5,  1e-6,  1e-7,
                              1e-8, 1e-9, 1e-10, 1e-11, 1e-12, 1e-13, 1e-14, 1e-15};

// A number as the log writes it, with "," or "." as decimal separator, in any of its
// forms ("1,5625E-05", "-Inf", "NaN").
bool parseNumber(std::string_view s, double *out)
{
    char buf[48];
    if (s.empty() || s.size() > sizeof buf)
        return false;
    for (size_t k = 0; k < s.size(); ++k)
        buf[k] = s[k] == ',' ? '.' : s[k];
    double v = 0;
    const auto res = std::from_chars(buf, buf + s.size(), v, std::chars_format::general);
    if (res.ec != std::errc() || res.ptr != buf + s.size())
        return false;
    *out = v;
    return true;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// A MAC address "00:11:22:33:44:55" (or with "-") as a number, either letter case.
bool macNumber(std::string_view s, quint64 *out)
{
    if (s.size() != 17 || (s[2] != ':' && s[2] != '-'))
        return false;
    quint64 v = 0;
    for (int i = 0; i < 6; ++i) {
        const int hi = hexValue(s[size_t(i * 3)]);
        const int lo = hexValue(s[size_t(i * 3 + 1)]);
        if (hi < 0 || lo < 0 || (i < 5 && s[size_t(i * 3 + 2)] != s[2]))
            return false;
        v = (v << 8) | quint64(hi << 4 | lo);
    }
    *out = v;
    return true;
}

QString latin1(std::string_view s)
{
    return QString::fromLatin1(s.data(), qsizetype(s.size()));
}

// ---- one line -----------------------------------------------------------------------

// What reading a line gave. Open: a quoted field runs past the line's end, so the line
// may go on in the next (the log quotes a name with a line break).
enum class Parse { Ok, Broken, Open };

// The fields of one line in one pass, each read as what it should be. A field that
// starts with a quote is quoted as the log quotes (a quote inside doubled); elsewhere a
// quote is just a character.
class Cursor
{
public:
    Cursor(const char *b, const char *e, std::string *scratch) : m_p(b), m_e(e), m_scratch(scratch) {}

    bool atEnd() const { return m_done; }

    Parse text(std::string_view *out)
    {
        if (m_done)
            return Parse::Broken; // too few fields
        if (m_p < m_e && *m_p == '"')
            return quoted(out);
        const char *q = m_p;
        while (q < m_e && *q != ';')
            ++q;
        *out = std::string_view(m_p, size_t(q - m_p));
        step(q);
        return Parse::Ok;
    }

    // Plain digits with one decimal separator, "," or ".", read in place; anything else
    // (an exponent, "NaN", more than 15 digits) by the full conversion.
    bool number(double *out)
    {
        if (m_done)
            return false;
        const char *q = m_p;
        const bool negative = q < m_e && *q == '-';
        q += negative;
        qint64 mantissa = 0;
        int count = 0;
        int fraction = -1;
        for (; q < m_e; ++q) {
            const unsigned d = unsigned(static_cast<unsigned char>(*q)) - '0';
            if (d <= 9) {
                mantissa = mantissa * 10 + d;
                ++count;
                fraction += fraction >= 0;
            } else if ((*q == ',' || *q == '.') && fraction < 0 && count > 0) {
                fraction = 0;
            } else {
                break;
            }
        }
        if (count > 0 && count <= 15 && fraction != 0 && (q == m_e || *q == ';')) {
            // Multiplying (not dividing) by the power of ten may miss by the last bit, far
            // below the 15 digits a number text shows and the float a bin keeps.
            const double v = fraction > 0 ? double(mantissa) * kTenths[fraction] : double(mantissa);
            *out = negative ? -v : v;
            step(q);
            return true;
        }
        std::string_view f;
        return text(&f) == Parse::Ok && parseNumber(f, out);
    }

private:
    void step(const char *q)
    {
        m_done = q == m_e;
        m_p = m_done ? q : q + 1;
    }

    Parse quoted(std::string_view *out)
    {
        std::string &buf = m_scratch[m_used++ % kScratch];
        buf.clear();
        const char *q = m_p + 1;
        for (;;) {
            if (q == m_e)
                return Parse::Open;
            if (*q == '"') {
                if (q + 1 < m_e && q[1] == '"') {
                    buf += '"';
                    q += 2;
                    continue;
                }
                ++q;
                break;
            }
            buf += *q++;
        }
        if (q != m_e && *q != ';')
            return Parse::Broken; // text after the closing quote
        *out = buf;
        step(q);
        return Parse::Ok;
    }

public:
    static constexpr int kScratch = 9;

private:
    const char *m_p;
    const char *m_e;
    std::string *m_scratch;
    int m_used = 0;
    bool m_done = false;
};

struct Line
{
    enum Kind { Header, Sample, Event };
    Kind kind = Event;
    qint64 ms = 0;
    std::string_view event, mac, name, mode, maker;
    double rx = 0, ack = 0, rate = 0;
};

#define SENVARO_FIELD(call)                                                                                  \
    do {                                                                                                     \
        const Parse r_ = (call);                                                                             \
        if (r_ != Parse::Ok)                                                                                 \
            return r_;                                                                                       \
    } while (false)

// A line of 8 fields (the log before the maker column) or 9.
Parse parseLine(const char *b, const char *e, std::string *scratch, LocalTimes &times, Line &line)
{
    std::string_view time;
    // Most lines are samples with a MAC address: their first fields stand at known places.
    constexpr size_t kMacAt = 29;
    const bool usual = e - b > 47 && b[19] == ';' && sameBytes(b + 20, "Messwert;", 9) && b[kMacAt] != '"' &&
                       b[kMacAt + 17] == ';' && !std::memchr(b + kMacAt, ';', 17);
    Cursor c(usual ? b + kMacAt + 18 : b, e, scratch);
    if (usual) {
        time = std::string_view(b, 19);
        line.event = kSampleWord;
        line.mac = std::string_view(b + kMacAt, 17);
    } else {
        SENVARO_FIELD(c.text(&time));
        SENVARO_FIELD(c.text(&line.event));
        if (time == "Zeit" && line.event == "Ereignis") {
            line.kind = Line::Header;
            return Parse::Ok;
        }
        SENVARO_FIELD(c.text(&line.mac));
    }
    SENVARO_FIELD(c.text(&line.name));
    if (line.event == kSampleWord) {
        line.kind = Line::Sample;
        if (line.mac.empty() || !c.number(&line.rx) || !c.number(&line.ack) || !c.number(&line.rate))
            return Parse::Broken;
        SENVARO_FIELD(c.text(&line.mode));
    } else {
        // An event leaves the sample's columns empty.
        line.kind = Line::Event;
        std::string_view empty;
        for (int i = 0; i < 4; ++i) {
            SENVARO_FIELD(c.text(&empty));
            if (!empty.empty())
                return Parse::Broken;
        }
    }
    if (!c.atEnd())
        SENVARO_FIELD(c.text(&line.maker));
    if (!c.atEnd() || line.event.empty() || !times.parse(time, &line.ms))
        return Parse::Broken;
    return Parse::Ok;
}

#undef SENVARO_FIELD

// ---- one file -----------------------------------------------------------------------

// Calls onLine(begin, end) for every line of the file (its own line end removed); onLine
// tells whether it is sound, broken, or open (asked again with the next line added). A line
// cut off at the end of the file, or one too long for any the log writes, is broken too.
// False (error set) when the file cannot be read.
template <typename OnLine>
bool scanFile(const QString &path, OnLine &&onLine, const std::atomic<bool> *cancel, int *broken,
              QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1: %2").arg(QFileInfo(path).fileName(), file.errorString());
        return false;
    }
    // A small file needs no big buffer; one that grows while read is read on all the same.
    const qsizetype cap = qsizetype(std::clamp<qint64>(file.size() + 1, 2 * kMaxLine, kBlock));
    std::unique_ptr<char[]> buffer(new char[size_t(cap)]);
    char *const buf = buffer.get();
    qsizetype have = 0;
    bool eof = false;
    bool skipping = false; // discarding an over-long line up to its end
    while (!eof) {
        if (cancel && cancel->load(std::memory_order_relaxed))
            return true;
        const qint64 n = file.read(buf + have, cap - have);
        if (n < 0) {
            *error = QStringLiteral("%1: %2").arg(QFileInfo(path).fileName(), file.errorString());
            return false;
        }
        eof = n == 0;
        have += qsizetype(n);
        const char *p = buf;
        const char *const end = buf + have;
        if (skipping) {
            const char *nl = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)));
            if (!nl) {
                have = 0;
                continue;
            }
            p = nl + 1;
            skipping = false;
        }
        while (p < end) {
            const char *nl = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)));
            if (!nl)
                break;
            if (nl - p > kMaxLine) {
                ++*broken;
                p = nl + 1;
                continue;
            }
            // A quoted field may hold a line end: then the line goes on in the next ones.
            const char *last = nl;
            int lines = 1;
            Parse r;
            for (;;) {
                r = onLine(p, last > p && last[-1] == '\r' ? last - 1 : last);
                if (r != Parse::Open || lines == kMaxRecordLines)
                    break;
                const char *next =
                    static_cast<const char *>(std::memchr(last + 1, '\n', size_t(end - last - 1)));
                if (!next)
                    break;
                last = next;
                ++lines;
            }
            if (r == Parse::Open && lines < kMaxRecordLines && !eof && end - p <= kMaxLine)
                break; // the rest of the line is still to be read
            if (r == Parse::Open) {
                ++*broken; // never closed: this line alone is broken
                p = nl + 1;
                continue;
            }
            if (r == Parse::Broken)
                ++*broken;
            p = last + 1;
        }
        const qsizetype rest = end - p;
        if (eof) {
            if (rest > 0)
                ++*broken; // cut off: the log ends every line
            break;
        }
        std::memmove(buf, p, size_t(rest));
        have = rest;
        if (have > kMaxLine) {
            ++*broken;
            skipping = true;
            have = 0;
        }
    }
    return true;
}

// ---- one file's share of a span ---------------------------------------------------------

struct Span
{
    qint64 fromMs;
    qint64 toMs;
    qint64 bandsFromMs;
    qint64 binMs;
};

// The typical cycle: the median of the latest distances between evaluations, so one
// pause (a logout) does not count as the cycle.
class CycleEstimate
{
public:
    void step(qint64 ms)
    {
        // At a steady cycle the step replaces an equal one: the median stays.
        const bool same = m_count == kSteps && m_steps[m_next] == ms;
        m_steps[m_next] = ms;
        m_next = (m_next + 1) % kSteps;
        m_count = std::min(m_count + 1, kSteps);
        if (same)
            return;
        qint64 sorted[kSteps];
        std::copy(m_steps, m_steps + m_count, sorted);
        std::nth_element(sorted, sorted + m_count / 2, sorted + m_count);
        m_value = sorted[m_count / 2];
    }
    qint64 value() const { return m_value; } // 0 while unknown

private:
    static constexpr int kSteps = 9;
    qint64 m_steps[kSteps] = {};
    int m_next = 0;
    int m_count = 0;
    qint64 m_value = 0;
};

bool endsBand(qint64 gap, qint64 cycle)
{
    return gap > DayData::kBandGapCycles * cycle && gap >= DayData::kBandGapMinMs;
}

struct PartStation
{
    quint64 key = 0;
    QByteArray mergeKey; // the MAC in upper case, or its text where it is none
    QByteArray mac;
    std::string macText; // the same, for comparing with a line's field
    QByteArray name;
    QByteArray maker;
    qint64 firstMs = 0;
    qint64 lastMs = 0;
    quint64 samples = 0;
    SignalBins bins;
    int bin = -1; // the bin of the latest sample, starting binStart after the span's start
    qint64 binStart = std::numeric_limits<qint64>::min() / 2; // none yet
    std::vector<PresenceBand> bands;                          // the last one may go on in the next file
};

void assign(QByteArray &to, std::string_view s)
{
    if (to.size() != qsizetype(s.size()) || !sameBytes(to.constData(), s.data(), s.size()))
        to = QByteArray(s.data(), qsizetype(s.size()));
}

DayEvent makeEvent(const Line &line)
{
    DayEvent e;
    e.ms = line.ms;
    e.text = latin1(line.event);
    e.mac = latin1(line.mac);
    e.name = latin1(line.name);
    e.maker = latin1(line.maker);
    static const QString kRoam = QStringLiteral("gewechselt von ");
    static const QString kTo = QStringLiteral(" nach ");
    if (e.text == QLatin1String("verbunden")) {
        e.kind = DayEvent::Kind::Connected;
    } else if (e.text == QLatin1String("getrennt")) {
        e.kind = DayEvent::Kind::Disconnected;
    } else if (e.text.startsWith(kRoam) && e.text.indexOf(kTo, kRoam.size()) > 0) {
        const qsizetype at = e.text.indexOf(kTo, kRoam.size());
        e.kind = DayEvent::Kind::Roamed;
        e.fromAp = e.text.mid(kRoam.size(), at - kRoam.size());
        e.toAp = e.text.mid(at + kTo.size());
    }
    return e;
}

// What one day file adds to a span; files are read side by side and merged in order.
class FilePart
{
public:
    explicit FilePart(const Span &span) : m_span(span) {}

    void read(const QString &path, const std::atomic<bool> *cancel)
    {
        m_ok = scanFile(
            path, [this](const char *b, const char *e) { return onLine(b, e); }, cancel, &m_broken, &m_error);
    }

    Parse onLine(const char *b, const char *e)
    {
        Line line;
        const Parse r = parseLine(b, e, m_scratch, m_times, line);
        if (r != Parse::Ok)
            return r;
        switch (line.kind) {
        case Line::Header:
            return Parse::Ok;
        case Line::Event:
            if (line.ms >= m_span.fromMs && line.ms < m_span.toMs) {
                m_events.push_back(makeEvent(line));
                if (m_events.size() > size_t(DayData::kMaxEvents)) {
                    m_events.pop_front();
                    ++m_eventsDropped;
                }
            }
            return Parse::Ok;
        case Line::Sample:
            break;
        }
        if (line.ms != m_lastEvaluationMs) {
            if (line.ms > m_lastEvaluationMs && m_lastEvaluationMs != std::numeric_limits<qint64>::min())
                m_cycle.step(line.ms - m_lastEvaluationMs);
            m_lastEvaluationMs = line.ms;
        }
        if (line.ms < m_span.fromMs || line.ms >= m_span.toMs)
            return Parse::Ok;
        PartStation &st = station(line.mac);
        assign(st.name, line.name);
        if (!line.maker.empty())
            assign(st.maker, line.maker);
        if (st.samples++ == 0)
            st.firstMs = line.ms;
        st.firstMs = std::min(st.firstMs, line.ms);
        st.lastMs = std::max(st.lastMs, line.ms);
        ++m_samples;
        if (std::isfinite(line.rx) && std::isfinite(line.ack)) {
            // A station's next sample mostly falls in the bin of its last: no division then.
            const qint64 offset = line.ms - m_span.fromMs;
            if (offset < st.binStart || offset >= st.binStart + m_span.binMs) {
                st.bin = int(offset / m_span.binMs);
                st.binStart = qint64(st.bin) * m_span.binMs;
            }
            st.bins.add(st.bin, float(line.rx), float(line.ack));
        }
        if (line.ms >= m_span.bandsFromMs) {
            if (st.bands.empty() || endsBand(line.ms - st.bands.back().toMs, m_cycle.value()))
                st.bands.push_back(PresenceBand{line.ms, line.ms});
            else
                st.bands.back().toMs = std::max(st.bands.back().toMs, line.ms);
        }
        return Parse::Ok;
    }

    std::vector<PartStation> stations;
    std::deque<DayEvent> m_events;
    quint64 m_eventsDropped = 0;
    quint64 m_samples = 0;
    int m_broken = 0;
    bool m_ok = false;
    QString m_error;
    CycleEstimate m_cycle;

private:
    PartStation &station(std::string_view mac)
    {
        // The stations come in the same order every evaluation: the next one is likely.
        const size_t next = m_hint + 1 < stations.size() ? m_hint + 1 : 0;
        if (next < stations.size() && stations[next].macText.size() == mac.size() &&
            sameBytes(stations[next].macText.data(), mac.data(), mac.size()))
            return stations[m_hint = next];
        quint64 key;
        if (macNumber(mac, &key)) {
            key |= quint64(1) << 62;
        } else {
            const auto it =
                m_textKeys.try_emplace(std::string(mac), quint64(1) << 63 | m_textKeys.size()).first;
            key = it->second;
        }
        const auto it = m_index.find(key);
        if (it != m_index.end())
            return stations[m_hint = it->second];
        PartStation st;
        st.key = key;
        st.mac = QByteArray(mac.data(), qsizetype(mac.size()));
        st.macText = std::string(mac);
        st.mergeKey = key >> 63 ? st.mac : st.mac.toUpper().replace('-', ':');
        m_index.emplace(key, stations.size());
        stations.push_back(std::move(st));
        return stations[m_hint = stations.size() - 1];
    }

    Span m_span;
    std::string m_scratch[Cursor::kScratch];
    LocalTimes m_times;
    std::unordered_map<quint64, size_t> m_index;
    std::unordered_map<std::string, quint64> m_textKeys;
    size_t m_hint = 0;
    qint64 m_lastEvaluationMs = std::numeric_limits<qint64>::min();
};

// Adds the parts to the span's data, in file order.
class Merger
{
public:
    explicit Merger(DayData &out) : m_out(out) {}

    void merge(FilePart &part, const QString &fileName)
    {
        // Across midnight a band goes on unless the gap ends it, by the cycle of the day before.
        const qint64 cycle = m_cycle ? m_cycle : part.m_cycle.value();
        for (PartStation &ps : part.stations) {
            auto it = m_index.constFind(ps.mergeKey);
            if (it == m_index.constEnd()) {
                it = m_index.insert(ps.mergeKey, int(m_out.stations.size()));
                DayStation st;
                st.mac = QString::fromLatin1(ps.mac);
                st.firstMs = ps.firstMs;
                st.lastMs = ps.lastMs;
                m_out.stations.push_back(std::move(st));
            }
            DayStation &st = m_out.stations[size_t(*it)];
            st.name = QString::fromLatin1(ps.name);
            if (!ps.maker.isEmpty())
                st.maker = QString::fromLatin1(ps.maker);
            st.firstMs = std::min(st.firstMs, ps.firstMs);
            st.lastMs = std::max(st.lastMs, ps.lastMs);
            st.samples += ps.samples;
            st.bins.merge(std::move(ps.bins));
            auto band = ps.bands.begin();
            if (band != ps.bands.end() && !st.bands.empty() &&
                !endsBand(band->fromMs - st.bands.back().toMs, cycle)) {
                st.bands.back().toMs = std::max(st.bands.back().toMs, band->toMs);
                ++band;
            }
            st.bands.insert(st.bands.end(), band, ps.bands.end());
        }
        for (DayEvent &e : part.m_events) {
            m_out.events.push_back(std::move(e));
            if (m_out.events.size() > size_t(DayData::kMaxEvents)) {
                m_out.events.pop_front();
                ++m_out.eventsDropped;
            }
        }
        m_out.eventsDropped += part.m_eventsDropped;
        m_out.samples += part.m_samples;
        if (part.m_cycle.value())
            m_cycle = part.m_cycle.value();
        if (part.m_broken) {
            m_out.skipped.push_back(SkippedLines{fileName, part.m_broken});
            m_out.skippedLines += part.m_broken;
        }
        if (!part.m_ok)
            m_out.unreadable.append(part.m_error);
        ++m_out.filesRead;
    }

private:
    DayData &m_out;
    QHash<QByteArray, int> m_index;
    qint64 m_cycle = 0;
};

QDate localDate(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms).date();
}

QString olderHeader()
{
    QString h = HistoryLog::header();
    return h.replace(QStringLiteral(";Hersteller\r\n"), QStringLiteral("\r\n"));
}

// A row as the log writes it, in today's locale and time zone.
QString rowLine(const DayRow &row)
{
    if (row.isSample())
        return HistoryLog::sampleLine(QDateTime::fromMSecsSinceEpoch(row.ms),
                                      HistorySample{row.mac, row.name, row.rx, row.ack, row.rate, row.mode},
                                      row.maker);
    HistoryEvent e;
    e.ms = row.ms;
    e.mac = row.mac;
    e.name = row.name;
    e.connected = row.event == QLatin1String("verbunden");
    if (!e.connected && row.event != QLatin1String("getrennt"))
        e.alert = row.event;
    return HistoryLog::eventLine(e, row.maker);
}

// Writes the export through a save file: all of it or nothing.
class ExportFile
{
public:
    explicit ExportFile(const QString &path) : m_file(path) {}

    bool open(QString *error)
    {
        if (!m_file.open(QIODevice::WriteOnly)) {
            *error = QStringLiteral("Die Datei %1 kann nicht angelegt werden: %2")
                         .arg(QDir::toNativeSeparators(m_file.fileName()), m_file.errorString());
            return false;
        }
        m_pending = HistoryLog::header().toLatin1();
        return true;
    }
    bool add(const DayRow &row)
    {
        m_pending += rowLine(row).toLatin1();
        return m_pending.size() < (1 << 20) || flush();
    }
    bool commit(QString *error)
    {
        if (flush() && m_file.commit())
            return true;
        *error = QStringLiteral("Die Datei %1 kann nicht geschrieben werden: %2")
                     .arg(QDir::toNativeSeparators(m_file.fileName()), m_file.errorString());
        m_file.cancelWriting();
        return false;
    }
    void cancel() { m_file.cancelWriting(); }

private:
    bool flush()
    {
        const bool ok = m_file.write(m_pending) == m_pending.size();
        m_pending.clear();
        return ok;
    }

    QSaveFile m_file;
    QByteArray m_pending;
};

} // namespace

// ---- public --------------------------------------------------------------------------

void SignalBins::merge(SignalBins &&other)
{
    if (other.m_chunks.size() > m_chunks.size())
        m_chunks.resize(other.m_chunks.size());
    for (size_t c = 0; c < other.m_chunks.size(); ++c) {
        if (!other.m_chunks[c])
            continue;
        if (!m_chunks[c]) {
            m_chunks[c] = std::move(other.m_chunks[c]);
            continue;
        }
        for (int i = 0; i < kChunk; ++i)
            m_chunks[c][size_t(i)].add(other.m_chunks[c][size_t(i)]);
    }
    other.m_chunks.clear();
}

qsizetype SignalBins::bytesHeld() const
{
    qsizetype n = qsizetype(m_chunks.capacity() * sizeof(m_chunks[0]));
    for (const auto &c : m_chunks)
        n += c ? qsizetype(kChunk * sizeof(SignalRange)) : 0;
    return n;
}

DayRequest DayRequest::lastDays(const QString &folder, int days, qint64 toMs)
{
    DayRequest r;
    r.folder = folder;
    r.toMs = toMs;
    r.fromMs = toMs - qint64(days) * kDayMs;
    r.bandsFromMs = toMs - 7 * kDayMs;
    return r;
}

const DayStation *DayData::station(const QString &mac) const
{
    for (const DayStation &s : stations) {
        if (s.mac.compare(mac, Qt::CaseInsensitive) == 0)
            return &s;
    }
    return nullptr;
}

qsizetype DayData::bytesHeld() const
{
    qsizetype n = qsizetype(stations.capacity() * sizeof(DayStation));
    for (const DayStation &s : stations)
        n += s.bins.bytesHeld() + qsizetype(s.bands.capacity() * sizeof(PresenceBand));
    for (const DayEvent &e : events)
        n += qsizetype(sizeof(DayEvent)) + 2 * (e.text.size() + e.mac.size() + e.name.size() +
                                                e.maker.size() + e.fromAp.size() + e.toAp.size());
    return n;
}

ReducedHistory reduce(const DayData &data, qint64 fromMs, qint64 toMs, int columns)
{
    ReducedHistory out;
    out.fromMs = fromMs;
    out.toMs = toMs;
    out.columns = std::max(columns, 0);
    const qint64 span = toMs - fromMs;
    for (const DayStation &st : data.stations) {
        ReducedHistory::Station rs{st.mac, st.name, st.maker, std::vector<SignalRange>(size_t(out.columns))};
        if (span > 0 && out.columns > 0) {
            for (size_t c = 0; c < st.bins.chunkCount(); ++c) {
                const SignalRange *chunk = st.bins.chunk(c);
                if (!chunk)
                    continue;
                for (int i = 0; i < SignalBins::kChunk; ++i) {
                    if (!chunk[i].hasSamples())
                        continue;
                    const qint64 start = data.fromMs + (qint64(c) * SignalBins::kChunk + i) * data.binMs;
                    if (start < fromMs || start >= toMs)
                        continue;
                    rs.columns[size_t((start - fromMs) * out.columns / span)].add(chunk[i]);
                }
            }
        }
        out.stations.push_back(std::move(rs));
    }
    return out;
}

bool DayRow::isSample() const
{
    return event == QLatin1String(kSampleWord.data(), qsizetype(kSampleWord.size()));
}

QStringList DayFileReader::filesOfSpan(const QString &folder, qint64 fromMs, qint64 toMs)
{
    QStringList files;
    if (toMs <= fromMs)
        return files;
    const QDir dir(folder);
    const QDate last = localDate(toMs - 1);
    // A span never covers more days than the settings keep.
    QDate day = std::max(localDate(fromMs), last.addDays(-3660));
    for (; day <= last; day = day.addDays(1)) {
        const QString path = dir.filePath(HistoryLog::fileName(day));
        if (QFileInfo(path).isFile())
            files.append(path);
    }
    return files;
}

DayData DayFileReader::read(const DayRequest &request, const std::atomic<bool> *cancel,
                            const std::function<void(int done, int total)> &progress)
{
    DayData out;
    out.fromMs = request.fromMs;
    out.toMs = std::max(request.toMs, request.fromMs);
    out.bandsFromMs = std::max(request.bandsFromMs, out.fromMs);
    const qint64 span = out.toMs - out.fromMs;
    out.binMs = std::max<qint64>(1000, (span + qint64(DayData::kMaxBins) * 1000 - 1) /
                                           (qint64(DayData::kMaxBins) * 1000) * 1000);
    out.binCount = int((span + out.binMs - 1) / out.binMs);

    const QStringList files = filesOfSpan(request.folder, out.fromMs, out.toMs);
    out.filesTotal = int(files.size());
    const Span s{out.fromMs, out.toMs, out.bandsFromMs, out.binMs};

    // Files are read side by side; whoever finishes merges every part that is next in
    // line, so parts wait only while an earlier file is still being read.
    std::vector<std::unique_ptr<FilePart>> parts(size_t(files.size()));
    std::atomic<size_t> nextFile{0};
    std::mutex lock;
    size_t nextMerge = 0;
    Merger merger(out);
    auto work = [&] {
        for (;;) {
            const size_t i = nextFile++;
            if (i >= parts.size() || (cancel && *cancel))
                return;
            auto part = std::make_unique<FilePart>(s);
            part->read(files[qsizetype(i)], cancel);
            std::lock_guard guard(lock);
            parts[i] = std::move(part);
            while (nextMerge < parts.size() && parts[nextMerge]) {
                merger.merge(*parts[nextMerge], QFileInfo(files[qsizetype(nextMerge)]).fileName());
                parts[nextMerge].reset();
                ++nextMerge;
                if (progress && !(cancel && *cancel))
                    progress(int(nextMerge), out.filesTotal);
            }
        }
    };
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const size_t threads =
        std::min<size_t>(request.threads > 0 ? size_t(request.threads) : std::min(2u, cores), parts.size());
    std::vector<std::thread> helpers;
    for (size_t t = 1; t < threads; ++t) {
        try {
            helpers.emplace_back(work);
        } catch (const std::system_error &) {
            break; // fewer threads read it all the same
        }
    }
    work();
    for (std::thread &t : helpers)
        t.join();
    out.canceled = cancel && *cancel;
    return out;
}

bool DayFileReader::forEachRow(const QString &folder, qint64 fromMs, qint64 toMs,
                               const std::function<bool(const DayRow &)> &visit, QString *error)
{
    for (const QString &path : filesOfSpan(folder, fromMs, toMs)) {
        std::string scratch[Cursor::kScratch];
        LocalTimes times;
        bool go = true;
        int broken = 0;
        QString why;
        const bool ok = scanFile(
            path,
            [&](const char *b, const char *e) {
                Line line;
                const Parse r = parseLine(b, e, scratch, times, line);
                if (r != Parse::Ok || !go || line.kind == Line::Header || line.ms < fromMs || line.ms >= toMs)
                    return r;
                DayRow row;
                row.ms = line.ms;
                row.event = latin1(line.event);
                row.mac = latin1(line.mac);
                row.name = latin1(line.name);
                row.rx = line.rx;
                row.ack = line.ack;
                row.rate = line.rate;
                row.mode = latin1(line.mode);
                row.maker = latin1(line.maker);
                go = visit(row);
                return Parse::Ok;
            },
            nullptr, &broken, &why);
        if (!ok) {
            if (error)
                *error = why;
            return false;
        }
        if (!go)
            return false;
    }
    return true;
}

DayFileReader::DayFileReader(QObject *parent) : QObject(parent) {}

DayFileReader::~DayFileReader()
{
    for (Job &job : m_jobs) {
        *job.cancel = true;
        if (job.thread.joinable())
            job.thread.join();
    }
}

quint64 DayFileReader::request(const DayRequest &request)
{
    cancel();
    Job job;
    job.id = ++m_next;
    job.cancel = std::make_shared<std::atomic<bool>>(false);
    const quint64 id = job.id;
    const std::shared_ptr<std::atomic<bool>> flag = job.cancel;
    // The destructor joins the thread, so this object outlives it; posted calls die with
    // the object if they are never delivered.
    auto run = [this, id, flag, request] {
        auto data =
            std::make_shared<const DayData>(read(request, flag.get(), [this, id](int done, int total) {
                QMetaObject::invokeMethod(
                    this,
                    [this, id, done, total] {
                        if (id == m_current)
                            emit progress(id, done, total);
                    },
                    Qt::QueuedConnection);
            }));
        QMetaObject::invokeMethod(
            this, [this, id, data] { jobDone(id, data); }, Qt::QueuedConnection);
    };
    try {
        job.thread = std::thread(run);
    } catch (const std::system_error &) {
        run(); // no thread to be had: read here, reported all the same through the event loop
    }
    m_jobs.push_back(std::move(job));
    m_current = id;
    return id;
}

void DayFileReader::cancel()
{
    for (Job &job : m_jobs)
        *job.cancel = true;
    m_current = 0;
}

void DayFileReader::jobDone(quint64 id, std::shared_ptr<const DayData> data)
{
    const auto it = std::find_if(m_jobs.begin(), m_jobs.end(), [id](const Job &j) { return j.id == id; });
    if (it != m_jobs.end()) {
        if (it->thread.joinable())
            it->thread.join();
        m_jobs.erase(it);
    }
    if (id != m_current)
        return;
    m_current = 0;
    emit finished(id, std::move(data));
}

QStringList removeOldDayFiles(const QString &folder, int keepDays, const QDate &today, QString *error)
{
    QStringList removed;
    QStringList failures;
    const QDate oldestKept = today.addDays(-(std::clamp(keepDays, 1, 3650) - 1));
    static const QRegularExpression pattern(QStringLiteral("^SENVARO-Verlauf-\\d{4}-\\d{2}-\\d{2}\\.csv$"));
    const QByteArray headers[] = {HistoryLog::header().toLatin1(), olderHeader().toLatin1()};
    const QDir dir(folder);
    const QFileInfoList entries = dir.entryInfoList(
        {QStringLiteral("SENVARO-Verlauf-*.csv")}, QDir::Files | QDir::NoSymLinks | QDir::Hidden, QDir::Name);
    for (const QFileInfo &info : entries) {
        const QString name = info.fileName();
        if (!pattern.match(name).hasMatch())
            continue;
        const QDate day = QDate::fromString(name.mid(16, 10), QStringLiteral("yyyy-MM-dd"));
        if (!day.isValid() || HistoryLog::fileName(day) != name || day >= oldestKept)
            continue;
        QFile file(info.filePath());
        if (!file.open(QIODevice::ReadOnly))
            continue; // not ours to judge
        const QByteArray first = file.readLine(256);
        file.close();
        if (first != headers[0] && first != headers[1])
            continue;
        if (file.remove())
            removed.append(name);
        else
            failures.append(
                QStringLiteral("%1 kann nicht gelöscht werden: %2").arg(name, file.errorString()));
    }
    if (error)
        *error = failures.join(QLatin1Char('\n'));
    return removed;
}

namespace {

// One export: the file opened, filled by fill (false with why set when it failed), and
// committed only then; anything else leaves no file behind.
bool writeExport(const QString &path, QString *error,
                 const std::function<bool(ExportFile &, QString *)> &fill)
{
    ExportFile out(path);
    QString why;
    const bool ok = out.open(&why) && fill(out, &why) && out.commit(&why);
    if (!ok) {
        out.cancel();
        if (why.isEmpty())
            why = QStringLiteral("Die Datei %1 kann nicht geschrieben werden.")
                      .arg(QDir::toNativeSeparators(path));
    }
    if (error)
        *error = ok ? QString() : why;
    return ok;
}

} // namespace

bool exportCsv(const QString &path, const std::vector<DayRow> &rows, QString *error)
{
    return writeExport(path, error, [&](ExportFile &out, QString *) {
        for (const DayRow &row : rows)
            if (!out.add(row))
                return false;
        return true;
    });
}

bool exportCsv(const QString &path, const QString &folder, qint64 fromMs, qint64 toMs,
               const QStringList &macs, QString *error)
{
    QSet<QString> wanted;
    for (const QString &mac : macs)
        wanted.insert(mac.toUpper());
    return writeExport(path, error, [&](ExportFile &out, QString *why) {
        bool written = true;
        const bool read = DayFileReader::forEachRow(
            folder, fromMs, toMs,
            [&](const DayRow &row) {
                if (wanted.contains(row.mac.toUpper()))
                    written = out.add(row);
                return written;
            },
            why);
        return read && written;
    });
}
