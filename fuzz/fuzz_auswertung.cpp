// The reply parser on arbitrary bytes, read as the wire reads them (Latin-1). The first
// byte picks the filter; the known clients name two stations and hold a record twice.
#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "config/knownclients.h"
#include "monitor/reply.h"

namespace {
void check(bool ok)
{
    if (!ok)
        std::abort();
}

const KnownClients &knownClients()
{
    static const KnownClients known = [] {
        KnownClients k;
        k.resize(3);
        k[0] = {QStringLiteral("00:11:22:33:44:55"), QStringLiteral("Dach           "), {}, {}};
        k[1] = {QStringLiteral(" 00:0A:0B:0C:0D:0E"), QStringLiteral("<b>Keller</b>"), {}, {}};
        k[2] = {QStringLiteral("00:0A:0B:0C:0D:0E"), QStringLiteral("A & B"), {}, {}};
        return k;
    }();
    return known;
}

bool finiteOrEmpty(const std::optional<double> &v)
{
    return !v || std::isfinite(*v);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const QString text = QString::fromLatin1(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    const bool knownOnly = data[0] & 1;
    const Reply r = parseReply(text, knownClients(), knownOnly);

    const bool refused = text.contains(QLatin1String("incorrect login"), Qt::CaseInsensitive);
    check((r.kind == Reply::Kind::Refused) == refused);
    if (!refused)
        check((r.kind == Reply::Kind::Rebooting) ==
              text.contains(QLatin1String("rebooting"), Qt::CaseInsensitive));
    if (r.kind == Reply::Kind::TooShort)
        check(text.size() < 12);
    check(!r.firmware || text.contains(QLatin1String("SOFTWARE_VERSION")));

    const bool examined = r.kind == Reply::Kind::Completed && r.blockCount >= 1 && r.blockCount <= 12;
    check(r.examined == examined && r.blocks.size() == (examined ? r.blockCount : 0));
    int passed = 0;
    for (qsizetype i = 0; i < r.blocks.size(); ++i) {
        const StationBlock &b = r.blocks.at(i);
        check(b.number == i + 1 && b.mac.size() <= 17 && text.contains(b.mac));
        check(b.passed == (!knownOnly || b.known));
        check(b.known ? knownClients().findName(b.mac) : b.name == b.mac);
        check(finiteOrEmpty(b.rate) && finiteOrEmpty(b.rx) && finiteOrEmpty(b.ack));
        // The chart gets values only for passed blocks, never a negative one.
        check(b.passed || (!b.chartRx && !b.chartAck));
        check(finiteOrEmpty(b.chartRx) && finiteOrEmpty(b.chartAck));
        check(b.chartRx.value_or(0) >= 0 && b.chartAck.value_or(0) >= 0);
        passed += b.passed ? 1 : 0;
    }
    check(r.stationCount == passed);
    return 0;
}
