#include "monitor/allgemein.h"

// Placeholder: filled in with its issue.
int fFieldCount(const QString &, const QString &)
{
    return 0;
}
QString fGetField(const QString &text, const QString &, int)
{
    return text;
}
double fExtractNumber(const QString &, bool *ok)
{
    if (ok)
        *ok = true;
    return 0;
}
double fVal(const QString &text)
{
    return text.toDouble();
}
double fRoundEven(double value)
{
    return value;
}
QString fNumText(double value)
{
    return QString::number(value);
}
void setFieldYield(std::function<void()>) {}
