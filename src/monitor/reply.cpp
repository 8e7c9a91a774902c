#include "monitor/reply.h"

#include <cmath>

#include "base/allgemein.h"
#include "config/knownclients.h"

namespace {

constexpr int maxStations = 12;

// A label is present exactly when the text cut at it has a second field, that is when it
// occurs at all; finding it once is enough.
bool has(const QString &block, const QString &label)
{
    return block.contains(label, Qt::CaseSensitive);
}

// The details a station block shows on the clients page.
void readDetails(const QString &s, StationBlock &b)
{
    const QString auth = QStringLiteral("Authentication Type: ");
    if (has(s, auth))
        b.authentication = fGetField(fGetField(s, auth, 2), QStringLiteral("WLAN"), 1);

    const QString enc = QStringLiteral("Encryption: ");
    if (has(s, enc))
        b.encryption = fTrim(fGetField(s, enc, 2).left(3));

    const QString mode = QStringLiteral("WLAN Mode: ");
    if (has(s, mode))
        b.mode = fGetField(fGetField(s, mode, 2), QStringLiteral(","), 1);

    double v = 0.0;
    double scaled = 0.0;
    if (has(s, QStringLiteral("Rx Data Rate:")) && numberAfter(s, QStringLiteral("Rx Data Rate"), &v))
        b.rate = v;
    if (has(s, QStringLiteral("RxSignalStrength:")) &&
        numberAfter(s, QStringLiteral("RxSignalStrength"), &v) && perCentOf64(v, &scaled))
        b.rx = scaled;
    // A block holding both forms shows the per-cent value.
    if (has(s, QStringLiteral("RxSignalStrength(per cent):")) &&
        numberAfter(s, QStringLiteral("RxSignalStrength"), &v))
        b.rx = v;
    if (has(s, QStringLiteral("AckSignalStrength:")) &&
        numberAfter(s, QStringLiteral("AckSignalStrength"), &v) && perCentOf64(v, &scaled))
        b.ack = scaled;
}

// The chart's two values. There is no presence test: a block without the word gives its
// first number. A number that cannot be read keeps the value of the block before
// (rx and ack live across the blocks of one reply).
void readChart(const QString &s, StationBlock &b, double &rx, double &ack)
{
    double scaled = 0.0;
    numberAfter(s, QStringLiteral("RxSignalStrength"), &rx);
    if (rx < 0)
        b.chartRx = 0.0;
    else if (s.contains(QLatin1String("(per cent)"), Qt::CaseInsensitive))
        b.chartRx = rx;
    else if (perCentOf64(rx, &scaled))
        b.chartRx = scaled;

    numberAfter(s, QStringLiteral("AckSignalStrength"), &ack);
    if (ack < 0)
        b.chartAck = 0.0;
    else if (perCentOf64(ack, &scaled))
        b.chartAck = scaled;
}

void identify(StationBlock &b, const KnownClients &known, bool knownOnly)
{
    b.known = known.findName(b.mac, &b.name);
    if (!b.known)
        b.name = b.mac;
    b.passed = !knownOnly || b.known;
}

// Every block of a reply too long for the buttons, in one pass over the text: each block
// runs from one separator to the next, as the field function cuts them.
void readMoreBlocks(const QString &text, const KnownClients &known, bool knownOnly, Reply &r)
{
    const QString &sep = stationSeparator();
    qsizetype at = text.indexOf(sep);
    while (at >= 0 && r.moreBlocks.size() < Reply::maxMoreBlocks) {
        const qsizetype start = at + sep.size();
        const qsizetype next = text.indexOf(sep, start);
        const QString s = text.mid(start, next < 0 ? -1 : next - start);
        StationBlock &b = r.moreBlocks.emplace_back();
        b.number = int(r.moreBlocks.size());
        b.mac = s.left(17);
        identify(b, known, knownOnly);
        readDetails(s, b);
        at = next;
    }
}

} // namespace

const QString &stationSeparator()
{
    static const QString sep(49, QLatin1Char('*'));
    return sep;
}

bool numberAfter(const QString &block, const QString &word, double *out)
{
    bool ok = true;
    const double v = fExtractNumber(fGetField(block, word, 2), &ok);
    if (ok)
        *out = v;
    return ok;
}

bool perCentOf64(double raw, double *out)
{
    const double v = raw / 64.0 * 100.0;
    if (!std::isfinite(v))
        return false;
    *out = v;
    return true;
}

Reply parseReply(const QString &text, const KnownClients &known, bool knownOnly)
{
    Reply r;
    r.knownOnly = knownOnly;
    if (text.contains(QLatin1String("Incorrect login"), Qt::CaseInsensitive)) {
        r.kind = Reply::Kind::Refused;
        return r;
    }
    if (text.contains(QLatin1String("Rebooting"), Qt::CaseInsensitive)) {
        r.kind = Reply::Kind::Rebooting;
        return r;
    }
    if (has(text, QStringLiteral("SOFTWARE_VERSION")))
        r.firmware = fGetField(fGetField(text, QStringLiteral(":"), 2), QStringLiteral("\r"), 1);
    if (text.size() < 12) {
        r.kind = Reply::Kind::TooShort;
        return r;
    }

    r.noStation = text.contains(QLatin1String("No station associated"), Qt::CaseInsensitive);
    r.blockCount = fFieldCount(text, stationSeparator()) - 1;
    // A reply with more blocks than option buttons is not examined block by block.
    r.examined = r.blockCount >= 1 && r.blockCount <= maxStations;
    if (!r.examined) {
        if (r.blockCount > maxStations)
            readMoreBlocks(text, known, knownOnly, r);
        return r;
    }

    double rx = 0.0;
    double ack = 0.0;
    r.blocks.reserve(r.blockCount);
    // Block k is field k + 1 of the text cut at the separator, taken in one pass: where the
    // separators run out (overlapping ones count as blocks), the last field stands again.
    const QString &sep = stationSeparator();
    qsizetype at = text.indexOf(sep);
    qsizetype start = 0;
    for (int k = 1; k <= r.blockCount; ++k) {
        if (at >= 0) {
            start = at + sep.size();
            at = text.indexOf(sep, start);
        }
        const QString s = text.mid(start, (at < 0 ? text.size() : at) - start);
        StationBlock &b = r.blocks.emplace_back();
        b.number = k;
        b.mac = s.left(17);
        identify(b, known, knownOnly);
        readDetails(s, b);
        if (!b.passed)
            continue;
        ++r.stationCount;
        readChart(s, b, rx, ack);
    }
    return r;
}
