#include <QElapsedTimer>
#include <QLocale>
#include <QtTest>

#include <cmath>

#include "monitor/allgemein.h"

// The text functions the reply parser and the command line are built from.
class TstAllgemein : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { setFieldYield({}); }

    void fieldCount_data();
    void fieldCount();
    void getField_data();
    void getField();
    void fieldFunctionsYieldOncePerOccurrence();
    void extractNumber_data();
    void extractNumber();
    void extractNumberFailures();
    void leadingNumber_data();
    void leadingNumber();
    void roundEven();
    void numberText_data();
    void numberText();
    void largeInputsStayLinear();
};

void TstAllgemein::fieldCount_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("delim");
    QTest::addColumn<int>("count");
    QTest::newRow("empty") << ""
                           << "," << 0;
    QTest::newRow("a,b") << "a,b"
                         << "," << 2;
    QTest::newRow("trailing delimiter opens no field") << "a,b,"
                                                       << "," << 2;
    QTest::newRow("single comma") << ","
                                  << "," << 1;
    QTest::newRow("overlapping") << "aaa"
                                 << "aa" << 3;
    QTest::newRow("leading delimiter") << ",a"
                                       << "," << 2;
    QTest::newRow("two trailing commas") << "a,,"
                                         << "," << 2;
    QTest::newRow("case counts") << "Software_Version SOFTWARE_VERSION"
                                 << "SOFTWARE_VERSION" << 2;
    QTest::newRow("no delimiter") << "abc"
                                  << "x" << 1;
    const QString sep(49, QLatin1Char('*'));
    QTest::newRow("98 asterisks") << QString(98, QLatin1Char('*')) << sep << 51;
    QTest::newRow("98 asterisks in text") << "x" + QString(98, QLatin1Char('*')) + "y" << sep << 51;
    QTest::newRow("long delimiter at end") << "ab" + sep << sep << 2;
}

void TstAllgemein::fieldCount()
{
    QFETCH(QString, text);
    QFETCH(QString, delim);
    QFETCH(int, count);
    QCOMPARE(fFieldCount(text, delim), count);
}

void TstAllgemein::getField_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("delim");
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("field");
    QTest::newRow("second") << "a,b,c"
                            << "," << 2 << "b";
    QTest::newRow("zero gives first") << "a,b,c"
                                      << "," << 0 << "a";
    QTest::newRow("negative gives first") << "a,b,c"
                                          << "," << -7 << "a";
    QTest::newRow("beyond gives last") << "a,b,c"
                                       << "," << 5 << "c";
    QTest::newRow("no delimiter n=1") << "abc"
                                      << "," << 1 << "abc";
    QTest::newRow("no delimiter n=9") << "abc"
                                      << "," << 9 << "abc";
    QTest::newRow("ends in delimiter") << "a,b,"
                                       << "," << 3 << "";
    QTest::newRow("non-overlapping") << "aaaa"
                                     << "aa" << 2 << "";
    QTest::newRow("non-overlapping last") << "aaaaa"
                                          << "aa" << 3 << "a";
    QTest::newRow("multi-char") << "x: 1 RxSignalStrength: 40 Ack"
                                << "RxSignalStrength" << 2 << ": 40 Ack";
    QTest::newRow("huge n") << "a,b"
                            << "," << std::numeric_limits<int>::max() << "b";
    QTest::newRow("CR cut") << " v2.50\r\nHARDWARE_VERSION"
                            << "\r" << 1 << " v2.50";
}

void TstAllgemein::getField()
{
    QFETCH(QString, text);
    QFETCH(QString, delim);
    QFETCH(int, n);
    QFETCH(QString, field);
    QCOMPARE(fGetField(text, delim, n), field);
}

void TstAllgemein::fieldFunctionsYieldOncePerOccurrence()
{
    int yields = 0;
    setFieldYield([&yields] { ++yields; });
    QCOMPARE(fFieldCount("aaa", "aa"), 3);
    QCOMPARE(yields, 2); // two occurrences, overlapping
    yields = 0;
    QCOMPARE(fFieldCount("a,b,", ","), 2);
    QCOMPARE(yields, 2); // the trailing one is passed, though it opens no field
    yields = 0;
    QCOMPARE(fGetField("a,b,c,d", ",", 3), QStringLiteral("c"));
    QCOMPARE(yields, 2); // passes the 2nd and 3rd occurrence
    yields = 0;
    QCOMPARE(fGetField("a,b", ",", 5), QStringLiteral("b"));
    QCOMPARE(yields, 0); // no further occurrence after the first
    yields = 0;
    setFieldYield({});
    QCOMPARE(fFieldCount("a,b,c", ","), 3);
    QCOMPARE(yields, 0);
}

void TstAllgemein::extractNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("colon blank 40 dBm") << ": 40 dBm" << 40.0;
    QTest::newRow("minus 85") << "-85" << -85.0;
    QTest::newRow("x-5y") << "x-5y" << -5.0;
    QTest::newRow("12-3") << "12-3" << 12.0;
    QTest::newRow("1,5,7") << "1,5,7" << 1.5;
    QTest::newRow(",5") << ",5" << 0.5;
    QTest::newRow("abc") << "abc" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("blanks only") << "    " << 0.0;
    QTest::newRow("minus blank digit") << "- 5" << 5.0;
    QTest::newRow("double minus") << "--5" << -5.0;
    QTest::newRow("minus before comma") << "-,5" << 0.5;
    QTest::newRow("trailing comma") << "x 5, y" << 5.0;
    QTest::newRow("decimal point is no comma") << "62.5" << 62.0;
    QTest::newRow("per cent marker") << "(per cent): 62 Ack" << 62.0;
    QTest::newRow("number at the end") << "Rate:54" << 54.0;
    QTest::newRow("leading zeros") << "007" << 7.0;
    QTest::newRow("tab not trimmed") << "\t-3" << -3.0;
    QTest::newRow("minus then letter") << "-x4" << 4.0;
    QTest::newRow("400 leading zeros") << QString(400, QLatin1Char('0')) + "5" << 5.0;
    QTest::newRow("400 decimal zeros") << "0," + QString(400, QLatin1Char('0')) + "1" << 0.0;
    QTest::newRow("300 digits") << "1" + QString(300, QLatin1Char('0')) << 1e300;
    QTest::newRow("non-ASCII digit") << QString::fromUtf8("\u0663 9") << 9.0;
}

void TstAllgemein::extractNumber()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    bool ok = false;
    QCOMPARE(fExtractNumber(text, &ok), value);
    QVERIFY(ok);
    QCOMPARE(fExtractNumber(text), value); // no ok pointer: same value
}

void TstAllgemein::extractNumberFailures()
{
    // A lone comma cannot be converted; numbers beyond a double neither. Both report it.
    const QStringList failing{"a, 12",
                              ",",
                              " , ",
                              ":,x",
                              "a,b 7,5",
                              "1" + QString(400, QLatin1Char('9')),
                              "-" + QString(400, QLatin1Char('9'))};
    for (const QString &t : failing) {
        bool ok = true;
        QCOMPARE(fExtractNumber(t, &ok), 0.0);
        QVERIFY2(!ok, qPrintable(t.left(20)));
    }
}

void TstAllgemein::leadingNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("62,5 stops at comma") << "62,5" << 62.0;
    QTest::newRow("62.5") << "62.5" << 62.5;
    QTest::newRow("blank inside") << "1 0" << 10.0;
    QTest::newRow("tab and LF") << "\t-\n1\t2.5" << -12.5;
    QTest::newRow("CR stops") << "1\r2" << 1.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("letters") << "Text1" << 0.0;
    QTest::newRow("sign only") << "-" << 0.0;
    QTest::newRow("plus") << "+7" << 7.0;
    QTest::newRow("point first") << ".5" << 0.5;
    QTest::newRow("two points") << "1.2.3" << 1.2;
    QTest::newRow("sign after digit") << "5-3" << 5.0;
    QTest::newRow("exponent") << "1.5625E-05" << 1.5625e-05;
    QTest::newRow("exponent no digits") << "3E" << 3.0;
    QTest::newRow("exponent sign no digits") << "3e+x" << 3.0;
    QTest::newRow("lone E") << "E5" << 0.0;
    QTest::newRow("negative") << "-31.25" << -31.25;
    QTest::newRow("NBSP stops") << QString::fromUtf8("4\u00a02") << 4.0;
    QTest::newRow("huge") << QString(400, QLatin1Char('9')) << std::numeric_limits<double>::max();
    QTest::newRow("huge negative") << "-" + QString(400, QLatin1Char('9'))
                                   << -std::numeric_limits<double>::max();
    QTest::newRow("huge exponent") << "1e99999999999999999999" << std::numeric_limits<double>::max();
    QTest::newRow("tiny") << "1e-99999" << 0.0;
    QTest::newRow("zeros") << QString(100000, QLatin1Char('0')) + "7" << 7.0;
}

void TstAllgemein::leadingNumber()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(fVal(text), value);
}

void TstAllgemein::roundEven()
{
    QCOMPARE(fRoundEven(0.5), 0.0);
    QCOMPARE(fRoundEven(1.5), 2.0);
    QCOMPARE(fRoundEven(2.5), 2.0);
    QCOMPARE(fRoundEven(-2.5), -2.0);
    QCOMPARE(fRoundEven(-3.5), -4.0);
    QCOMPARE(fRoundEven(2.4999), 2.0);
    QCOMPARE(fRoundEven(11.0), 11.0);
    // The reply parser's "selected block": index text plus one.
    QCOMPARE(fRoundEven(fVal("0") + 1), 1.0);
    QCOMPARE(fRoundEven(fVal("Text1") + 1), 1.0);
    QCOMPARE(fRoundEven(fVal("-0.5") + 1), 0.0);
}

void TstAllgemein::numberText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("german");
    QTest::addColumn<QString>("english");
    QTest::newRow("62.5") << 40.0 / 64 * 100 << "62,5"
                          << "62.5";
    QTest::newRow("50") << 32.0 / 64 * 100 << "50"
                        << "50";
    QTest::newRow("31.25") << 20.0 / 64 * 100 << "31,25"
                           << "31.25";
    QTest::newRow("0.1") << 0.1 << "0,1"
                         << "0.1";
    QTest::newRow("100/3") << 100.0 / 3 << "33,3333333333333"
                           << "33.3333333333333";
    QTest::newRow("2/3 rounds") << 2.0 / 3 << "0,666666666666667"
                                << "0.666666666666667";
    QTest::newRow("zero") << 0.0 << "0"
                          << "0";
    QTest::newRow("minus zero") << -0.0 << "0"
                                << "0";
    QTest::newRow("negative") << -85.0 / 64 * 100 << "-132,8125"
                              << "-132.8125";
    QTest::newRow("no grouping") << 1234567.0 << "1234567"
                                 << "1234567";
    QTest::newRow("1E-04 fixed") << 1e-4 << "0,0001"
                                 << "0.0001";
    QTest::newRow("1E-05") << 1e-5 << "1E-05"
                           << "1E-05";
    QTest::newRow("1.5625E-05") << 1.0 / 64 * 0.001 << "1,5625E-05"
                                << "1.5625E-05";
    QTest::newRow("15 digits fixed") << 999999999999999.0 << "999999999999999"
                                     << "999999999999999";
    QTest::newRow("rounds up into exponent") << 999999999999999.9 << "1E+15"
                                             << "1E+15";
    QTest::newRow("1E+16") << 1e16 << "1E+16"
                           << "1E+16";
    QTest::newRow("three-digit exponent") << -1.25e-300 << "-1,25E-300"
                                          << "-1.25E-300";
    QTest::newRow("largest") << std::numeric_limits<double>::max() << "1,79769313486232E+308"
                             << "1.79769313486232E+308";
    QTest::newRow("0.1+0.2") << 0.1 + 0.2 << "0,3"
                             << "0.3";
}

void TstAllgemein::numberText()
{
    QFETCH(double, value);
    QFETCH(QString, german);
    QFETCH(QString, english);
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QString de = fNumText(value);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const QString en = fNumText(value);
    QLocale::setDefault(saved);
    QCOMPARE(de, german);
    QCOMPARE(en, english);
    // Read back with the leading-number reading, the English text gives the value.
    if (std::isfinite(value) && std::fabs(value) < 1e300)
        QVERIFY(std::fabs(fVal(en) - value) <= std::fabs(value) * 1e-14);
}

void TstAllgemein::largeInputsStayLinear()
{
    // 10 000 separators and a text of several MB: the counts must not go quadratic.
    const QString sep(49, QLatin1Char('*'));
    QString many;
    for (int i = 0; i < 10000; ++i)
        many += sep + "00:11:22:33:44:55 RxSignalStrength: 40 ";
    QString stars(4 * 1024 * 1024, QLatin1Char('*'));
    QElapsedTimer t;
    t.start();
    QCOMPARE(fFieldCount(many, sep), 10001);
    QCOMPARE(fGetField(many, sep, 10001), QStringLiteral("00:11:22:33:44:55 RxSignalStrength: 40 "));
    QCOMPARE(fFieldCount(stars, sep), int(stars.size()) - 48 + 1);
    bool ok = true;
    fExtractNumber(QString(3 * 1024 * 1024, QLatin1Char('7')) + "x", &ok);
    QVERIFY(!ok); // beyond a double
    QCOMPARE(fExtractNumber(": " + QString(3 * 1024 * 1024, QLatin1Char('0')) + "40"), 40.0);
    QCOMPARE(fVal(QString(3 * 1024 * 1024, QLatin1Char(' ')) + "42"), 42.0);
    QVERIFY2(t.elapsed() < 5000, qPrintable(QString::number(t.elapsed())));
}

QTEST_GUILESS_MAIN(TstAllgemein)
#include "tst_allgemein.moc"
