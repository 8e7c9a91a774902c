// The text functions on arbitrary bytes, read as the wire reads them (Latin-1). The
// first byte picks a delimiter and a field number; the rest is the text.
#include <QLocale>
#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "base/allgemein.h"

namespace {
void check(bool ok)
{
    if (!ok)
        std::abort();
}

const char *const delimiters[] = {",", ":", "\r", "aa", "*", "**", "RxSignalStrength", ""};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const uint8_t pick = data[0];
    const QString text = QString::fromLatin1(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    const QString delim = QString::fromLatin1(delimiters[pick % 8]);
    const int n = int(pick / 8) - 4; // -4 .. 27

    const int count = fFieldCount(text, delim);
    check(count >= 0 && (count == 0) == text.isEmpty());
    if (!delim.isEmpty() && !text.isEmpty()) {
        // Every occurrence, overlapping ones too, except one at the last character.
        int plain = 1;
        for (qsizetype p = text.indexOf(delim); p >= 0; p = text.indexOf(delim, p + 1))
            plain += p < text.size() - 1 ? 1 : 0;
        check(count == plain);
    }

    const QString first = fGetField(text, delim, 1);
    check(text.startsWith(first));
    check(fGetField(text, delim, n <= 1 ? 0 : 1) == first);
    const QString field = fGetField(text, delim, n);
    check(field.size() <= text.size());
    check(text.contains(field));
    if (!delim.isEmpty() && !text.contains(delim))
        check(field == text);
    // Fields end at the first occurrence after their start: none holds the delimiter.
    check(delim.isEmpty() || !field.contains(delim));

    bool ok = true;
    const double number = fExtractNumber(text, &ok);
    check(std::isfinite(number));
    if (!ok)
        check(number == 0.0);
    bool hasDigit = false;
    for (const QChar c : text)
        hasDigit = hasDigit || (c >= QLatin1Char('0') && c <= QLatin1Char('9'));
    if (!hasDigit)
        check(number == 0.0);

    const double lead = fVal(text);
    check(std::isfinite(lead));
    const double rounded = fRoundEven(lead);
    check(std::fabs(rounded - lead) <= 0.5);

    // Number texts read back to the value (to 15 digits) in the C notation.
    QLocale::setDefault(QLocale::c());
    for (double v : {number, lead, number / 64 * 100}) {
        if (!std::isfinite(v))
            continue;
        const QString t = fNumText(v);
        check(!t.isEmpty() && !t.contains(QLatin1Char(' ')));
        const double back = fVal(t);
        check(std::fabs(back - v) <= std::fabs(v) * 1e-14 || v == 0.0 || std::fabs(v) < 2.3e-308 ||
              std::fabs(v) > 1.7e308);
    }
    return 0;
}
