// The command-line request: one action on one access point, run without a person.
#include "session/cmdline.h"

#include <QStringList>

#include "base/allgemein.h"

namespace {

// One to five ASCII digits; anything else (empty, blanks, signs, other scripts'
// digits, longer numbers) is not a part of an address.
bool readPart(const QString &part, int *value)
{
    if (part.isEmpty() || part.size() > 5)
        return false;
    int v = 0;
    for (const QChar c : part) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
        v = v * 10 + (c.unicode() - '0');
    }
    *value = v;
    return true;
}

} // namespace

bool fCheckIP(QString &sIP)
{
    const QStringList parts = sIP.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    static constexpr int low[4] = {10, 0, 0, 1};
    int n[4];
    for (int i = 0; i < 4; ++i) {
        if (!readPart(parts.at(i), &n[i]) || n[i] < low[i] || n[i] > 255)
            return false;
    }
    sIP = QStringLiteral("%1.%2.%3.%4").arg(n[0]).arg(n[1]).arg(n[2]).arg(n[3]);
    return true;
}

ParamRequest evaluateParameters(const QString &s)
{
    ParamRequest r;
    r.caption = QStringLiteral("Senvaro - Parameter: ") + s;
    // Fields are cut in one pass, so the cost grows with the length of the text;
    // taking field i by number would walk the text from its start each time. The
    // count decides how many there are: a "/" as the very last character opens no
    // further field.
    const QString &text = s;
    const int n = fFieldCount(text, QStringLiteral("/"));
    qsizetype start = 0;
    for (int i = 1; i <= n; ++i) {
        qsizetype end = text.indexOf(QLatin1Char('/'), start);
        if (end < 0)
            end = text.size();
        const QStringView raw = QStringView(text).mid(start, end - start);
        start = end + 1;
        const QString field = fTrimView(raw).toString();
        if (field.isEmpty())
            continue;
        if (field == QLatin1String("R")) {
            r.mode = true;
            r.command = QStringLiteral("reboot");
            r.caption = QStringLiteral("reboot");
        } else if (field == QLatin1String("ETH0")) {
            r.mode = true;
            r.command = QStringLiteral("set eth2sta disable");
            r.caption = QStringLiteral("disable ETH");
        } else if (field == QLatin1String("ETH1")) {
            r.mode = true;
            r.command = QStringLiteral("set eth2sta enable");
            r.caption = QStringLiteral("enable ETH");
        }
        QString ip = field;
        if (fCheckIP(ip))
            r.ip = ip;
    }
    return r;
}
