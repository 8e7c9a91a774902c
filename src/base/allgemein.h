#pragma once

#include <QString>

// General text functions of the program (module "Allgemein"). All comparisons are
// exact: letter case counts. They are pure: no event is processed while they run.

// Number of fields of text cut at delim: 0 for an empty text; overlapping occurrences
// count one by one ("aaa" cut at "aa" gives 3); an occurrence starting at the last
// character opens no further field.
int fFieldCount(const QString &text, const QString &delim);

// Field n (from 1) of text cut at delim: the whole text when delim does not occur,
// field 1 for n <= 1, the last field for n beyond it.
QString fGetField(const QString &text, const QString &delim, int n);

// The first number in text (digits with at most one decimal comma, a minus directly in
// front). No digit gives 0. A lone comma, or a number beyond the range of a double,
// cannot be converted: ok is then set false and 0 returned, so callers can apply their
// error policy.
double fExtractNumber(const QString &text, bool *ok = nullptr);

// Leading-number reading: blanks, tabs and line feeds ignored anywhere, optional sign,
// digits and at most one "." up to the first character that cannot continue the
// number; no number gives 0. "62,5" reads 62, "1 0" reads 10. An exponent ("1.5E-05")
// is read as well; a number beyond a double gives the largest double of its sign.
double fVal(const QString &text);

// Round to the nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
double fRoundEven(double value);

// Number text: shortest form with at most 15 significant digits, the system locale's
// decimal separator, no grouping; exponent form "1E-05" / "1,5625E-05" / "1E+16" below
// 1E-04 and from 1E+15 on. The minus sign is always "-", so the text reads back.
QString fNumText(double value);

// Leading and trailing blanks removed: the space character only (tabs and other white
// space stay, unlike QString::trimmed).
QStringView fTrimView(QStringView text);
inline QString fTrim(const QString &text)
{
    return fTrimView(text).toString();
}
