// The text functions the parser and the command line are built from: fields, the two
// number readings and the number texts in both locales.

#include <QtTest>

#include <climits>
#include <limits>

#include "base/allgemein.h"

namespace {

const QString SEP(49, QLatin1Char('*'));
const QString BIG(400, QLatin1Char('9'));
constexpr double MAX = std::numeric_limits<double>::max();

} // namespace

class TestText : public QObject
{
    Q_OBJECT

private slots:
    // Tables packed by hand.
    // clang-format off
    void fields()
    {
        const QList<int> counts{fFieldCount("", ","), fFieldCount("a,b", ","), fFieldCount("a,b,", ","),
            fFieldCount(",", ","), fFieldCount("aaa", "aa"), fFieldCount(",a", ","),
            fFieldCount("x" + SEP + SEP + "y", SEP), fFieldCount("ab" + SEP, SEP), fFieldCount("aaab", "aab"),
            fFieldCount("abababa", "aba"), fFieldCount("aabaabaab", "aabaab"), fFieldCount("abcabd", "abd")};
        QCOMPARE(counts, QList<int>({0, 2, 2, 1, 3, 2, 51, 2, 2, 4, 3, 2}));
        const QStringList fields{fGetField("a,b,c", ",", 2), fGetField("a,b,c", ",", 0),
            fGetField("a,b,c", ",", -7), fGetField("a,b,c", ",", 5), fGetField("abc", ",", 9),
            fGetField("a,b,", ",", 3), fGetField("aaaa", "aa", 2), fGetField("aaaaa", "aa", 3),
            fGetField("a,b", ",", INT_MAX), fGetField(" v2.50\r\nHW", "\r", 1)};
        QCOMPARE(fields, QStringList({"b", "a", "a", "c", "abc", "", "", "a", "b", " v2.50"}));
    }

    void extractNumber()
    {
        const QStringList texts{": 40 dBm", "-85", "x-5y", "12-3", "1,5,7", ",5", "abc", "", "- 5", "--5",
            "-,5", "x 5, y", "62.5", "\t-3", "\u0663 9", QString(400, '0') + "5",
            "0," + QString(400, '0') + "1", "a, 12", ",", "a,b 7,5", "1" + BIG, "-" + BIG};
        const QList<double> values{40, -85, -5, 12, 1.5, 0.5, 0, 0, 5, -5, 0.5, 5, 62, -3, 9, 5,
            0, 0, 0, 0, 0, 0};
        bool ok = false; // from index 17 on: a lone comma, or a number beyond a double, fails
        for (int i = 0; i < texts.size(); ++i)
            QVERIFY2(fExtractNumber(texts[i], &ok) == values[i] && ok == (i < 17), qPrintable(texts[i]));
    }

    void leadingNumber()
    {
        const QStringList texts{"62,5", "62.5", "1 0", "\t-\n1\t2.5", "1\r2", "", "Text1", "-", "+7", ".5",
            "1.2.3", "5-3", "3E", "3e+x", "E5", "1.5625E-05", BIG, "-" + BIG, "1e-99999",
            "1e999999999999999999", QString(100000, '0') + "7"};
        const QList<double> values{62, 62.5, 10, -12.5, 1, 0, 0, 0, 7, 0.5,
            1.2, 5, 3, 3, 0, 1.5625e-05, MAX, -MAX, 0, MAX, 7};
        for (int i = 0; i < texts.size(); ++i)
            QCOMPARE(fVal(texts[i]), values[i]);
        QCOMPARE(QList<double>({fRoundEven(2.5), fRoundEven(3.5), fRoundEven(-2.5), fRoundEven(0.5)}),
                 QList<double>({2, 4, -2, 0}));
    }

    void numberTextsInBothLocales()
    {
        const QList<double> values{40.0 / 64 * 100, 32.0 / 64 * 100, 20.0 / 64 * 100, 0.1, 100.0 / 3, -0.0,
            -85.0 / 64 * 100, 1234567, 1e-4, 1e-5, 1.5625e-05, 999999999999999.0, 999999999999999.9, 1e16,
            -1.25e-300, MAX};
        const QString german = "62,5 50 31,25 0,1 33,3333333333333 0 -132,8125 1234567 0,0001 1E-05 "
                               "1,5625E-05 999999999999999 1E+15 1E+16 -1,25E-300 1,79769313486232E+308";
        for (const auto language : {QLocale::German, QLocale::English}) {
            QLocale::setDefault(QLocale(language));
            QStringList out;
            for (double v : values)
                out << fNumText(v);
            QCOMPARE(out.join(' '), language == QLocale::German ? german : QString(german).replace(',', '.'));
        }
    }
    // clang-format on
};

QTEST_GUILESS_MAIN(TestText)
#include "tst_text.moc"
