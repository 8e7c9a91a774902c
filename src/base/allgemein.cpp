#include "base/allgemein.h"

#include <QLocale>

#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

// Converts a decimal text ("-12.5", "0.5e-3"; at least one digit before any exponent)
// without regard to the locale. Underflow gives 0; overflow reports false and sets out
// to an infinity of the right sign.
bool parseDecimal(const std::string &s, double *out)
{
    double v = 0.0;
    const char *first = s.data();
    const char *last = first + s.size();
    const auto res = std::from_chars(first, last, v);
    if (res.ec == std::errc()) {
        *out = v;
        return true;
    }
    if (res.ec != std::errc::result_out_of_range) {
        *out = 0.0;
        return false;
    }
    // from_chars leaves v untouched: find the decimal magnitude of the first
    // significant digit to tell overflow from underflow.
    const bool negative = first != last && *first == '-';
    long long magnitude = 0;
    long long intDigits = 0;
    bool inFraction = false;
    bool found = false;
    const char *p = negative ? first + 1 : first;
    for (; p != last && *p != 'e' && *p != 'E'; ++p) {
        if (*p == '.') {
            inFraction = true;
        } else if (!found && *p != '0') {
            found = true;
            magnitude = inFraction ? magnitude - 1 : 0;
            if (!inFraction)
                intDigits = 1;
        } else if (found && !inFraction) {
            ++intDigits;
        } else if (!found && inFraction) {
            --magnitude;
        }
    }
    if (found && intDigits > 0)
        magnitude = intDigits - 1;
    if (p != last) {
        ++p;
        bool eneg = false;
        if (p != last && (*p == '+' || *p == '-'))
            eneg = *p++ == '-';
        long long e = 0;
        for (; p != last && *p >= '0' && *p <= '9'; ++p)
            if (e < 1000000000LL)
                e = e * 10 + (*p - '0');
        magnitude += eneg ? -e : e;
    }
    if (magnitude < 0) {
        *out = 0.0;
        return true;
    }
    *out = negative ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
    return false;
}

} // namespace

int fFieldCount(const QString &text, const QString &delim)
{
    constexpr int most = std::numeric_limits<int>::max();
    const qsizetype len = text.size();
    if (len == 0)
        return 0;
    if (delim.isEmpty()) {
        // An empty delimiter occurs at every character; only the last opens no field.
        return len > most ? most : int(len);
    }
    // Every occurrence counts, overlapping ones too ("aaa" cut at "aa" gives 3). A
    // prefix table finds them all in one pass, so a text of asterisks only costs no
    // more than any other.
    const qsizetype m = delim.size();
    std::vector<qsizetype> border(size_t(m), 0);
    for (qsizetype i = 1, k = 0; i < m; ++i) {
        while (k > 0 && delim.at(i) != delim.at(k))
            k = border[size_t(k - 1)];
        if (delim.at(i) == delim.at(k))
            ++k;
        border[size_t(i)] = k;
    }
    int count = 1;
    for (qsizetype i = 0, k = 0; i < len; ++i) {
        while (k > 0 && text.at(i) != delim.at(k))
            k = border[size_t(k - 1)];
        if (text.at(i) == delim.at(k))
            ++k;
        if (k == m) {
            // An occurrence beginning at the last character opens no further field.
            if (i - m + 1 < len - 1 && count < most)
                ++count;
            k = border[size_t(k - 1)];
        }
    }
    return count;
}

QString fGetField(const QString &text, const QString &delim, int n)
{
    if (delim.isEmpty())
        return QString(); // occurs before the first character: every field is empty
    qsizetype occ = text.indexOf(delim, 0, Qt::CaseSensitive);
    if (occ < 0)
        return text;
    qsizetype start = 0;
    for (int field = 1; field < n; ++field) {
        start = occ + delim.size();
        occ = text.indexOf(delim, start, Qt::CaseSensitive);
        if (occ < 0)
            break;
    }
    const qsizetype end = occ < 0 ? text.size() : occ;
    return text.mid(start, end - start);
}

double fExtractNumber(const QString &text, bool *ok)
{
    if (ok)
        *ok = true;
    // Only the space character is trimmed, not tabs or line ends.
    const QStringView trimmed = fTrimView(text);
    const qsizetype first = trimmed.isEmpty() ? 0 : trimmed.data() - text.constData();
    const qsizetype last = first + trimmed.size();

    qsizetype numStart = -1;
    qsizetype numEnd = -1;
    bool minusPending = false;
    bool commaUsed = false;
    for (qsizetype i = first; i < last && numEnd < 0; ++i) {
        const char16_t c = text.at(i).unicode();
        bool isComma = false;
        if (c == u',') {
            isComma = !commaUsed;
            commaUsed = true;
        }
        const bool isDigit = c >= u'0' && c <= u'9';
        if (c == u'-') {
            minusPending = true;
        } else if (minusPending && isDigit && numStart < 0) {
            numStart = i - 1;
            minusPending = false;
        } else {
            minusPending = false;
        }
        if (isDigit || isComma) {
            if (numStart < 0)
                numStart = i;
            if (i == last - 1)
                numEnd = i;
        } else if (numStart >= 0 && numEnd < 0) {
            numEnd = i - 1;
        }
    }
    if (numStart < 0)
        return 0.0;

    std::string piece;
    piece.reserve(size_t(numEnd - numStart + 3));
    bool anyDigit = false;
    qsizetype i = numStart;
    if (text.at(i) == QLatin1Char('-')) {
        piece += '-';
        ++i;
    }
    if (text.at(i) == QLatin1Char(','))
        piece += '0';
    for (; i <= numEnd; ++i) {
        const char16_t c = text.at(i).unicode();
        anyDigit = anyDigit || c != u',';
        piece += c == u',' ? '.' : char(c);
    }
    double value = 0.0;
    if (!anyDigit || !parseDecimal(piece, &value)) {
        // A lone comma, or a number beyond the range of a double.
        if (ok)
            *ok = false;
        return 0.0;
    }
    return value;
}

double fVal(const QString &text)
{
    // Sign, digits with at most one point, and an exponent marked E or D; blanks, tabs
    // and line feeds are skipped anywhere, and the reading stops at the first character
    // that cannot continue the number.
    std::string mant;
    std::string exp;
    enum { Start, Mantissa, ExpStart, ExpDigits } state = Start;
    bool negative = false;
    bool point = false;
    bool digits = false;
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (c == u' ' || c == u'\t' || c == u'\n')
            continue;
        const bool isDigit = c >= u'0' && c <= u'9';
        if (state == Start) {
            state = Mantissa;
            if (c == u'+' || c == u'-') {
                negative = c == u'-';
                continue;
            }
        }
        if (state == Mantissa) {
            if (isDigit) {
                digits = true;
                // Leading zeros carry nothing; skipping them keeps the buffer small.
                if (c != u'0' || !mant.empty())
                    mant += char(c);
                continue;
            }
            if (c == u'.' && !point) {
                point = true;
                if (mant.empty())
                    mant += '0';
                mant += '.';
                continue;
            }
            if (digits && (c == u'e' || c == u'E' || c == u'd' || c == u'D')) {
                state = ExpStart;
                continue;
            }
            break;
        }
        if (state == ExpStart) {
            state = ExpDigits;
            if (c == u'+' || c == u'-') {
                exp += char(c);
                continue;
            }
        }
        if (isDigit) {
            exp += char(c);
            continue;
        }
        break;
    }
    if (!digits)
        return 0.0;
    if (mant.empty() || mant == "0.")
        return 0.0;
    if (mant.back() == '.')
        mant.pop_back();
    std::string t;
    t.reserve(mant.size() + exp.size() + 2);
    if (negative)
        t += '-';
    t += mant;
    if (!exp.empty() && exp.back() >= '0' && exp.back() <= '9') {
        t += 'e';
        t += exp;
    }
    double v = 0.0;
    if (!parseDecimal(t, &v)) {
        // Beyond the range of a double: saturate, so callers never see an infinity.
        return negative ? -std::numeric_limits<double>::max() : std::numeric_limits<double>::max();
    }
    return v == 0.0 ? 0.0 : v;
}

double fRoundEven(double value)
{
    return std::nearbyint(value);
}

QString fNumText(double value)
{
    const QLocale loc;
    if (std::isnan(value))
        return QStringLiteral("NaN");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-Inf") : QStringLiteral("Inf");
    if (value == 0.0)
        return QStringLiteral("0");

    // 15 significant digits, rounded, then trailing zeros dropped.
    char buf[64];
    const auto res =
        std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, 14);
    const std::string sci(buf, res.ptr);
    const size_t ePos = sci.find('e');
    std::string digits = sci.substr(0, 1) + sci.substr(2, ePos - 2);
    const int exponent = std::stoi(sci.substr(ePos + 1));
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();

    const QString sep = loc.decimalPoint();
    QString out;
    if (value < 0)
        out += QLatin1Char('-');
    if (exponent < -4 || exponent >= 15) {
        out += QLatin1Char(digits[0]);
        if (digits.size() > 1) {
            out += sep;
            out += QString::fromLatin1(digits.data() + 1, qsizetype(digits.size() - 1));
        }
        out += QLatin1Char('E');
        out += exponent < 0 ? QLatin1Char('-') : QLatin1Char('+');
        const int a = exponent < 0 ? -exponent : exponent;
        out += QString::number(a).rightJustified(2, QLatin1Char('0'));
        return out;
    }
    if (exponent >= 0) {
        const size_t intLen = size_t(exponent) + 1;
        if (digits.size() <= intLen) {
            out += QString::fromLatin1(digits.data(), qsizetype(digits.size()));
            out += QString(qsizetype(intLen - digits.size()), QLatin1Char('0'));
        } else {
            out += QString::fromLatin1(digits.data(), qsizetype(intLen));
            out += sep;
            out += QString::fromLatin1(digits.data() + intLen, qsizetype(digits.size() - intLen));
        }
    } else {
        out += QLatin1Char('0');
        out += sep;
        out += QString(qsizetype(-exponent - 1), QLatin1Char('0'));
        out += QString::fromLatin1(digits.data(), qsizetype(digits.size()));
    }
    return out;
}

QStringView fTrimView(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == QLatin1Char(' '))
        ++begin;
    while (end > begin && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.mid(begin, end - begin);
}
