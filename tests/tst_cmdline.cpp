// Command-line request: address check and normalisation, field rules, window state.
#include <QtTest>

#include "app/startstop.h"
#include "session/cmdline.h"
#include "ui/frmMonitor.h"

class TestCmdline : public QObject
{
    Q_OBJECT
private slots:
    void checkIP()
    {
        const QStringList good = // each followed by its normalised form
            {"10.0.0.1",        "10.0.0.1",     "255.255.255.255",     "255.255.255.255",
             "192.168.000.050", "192.168.0.50", "00010.00000.0.00001", "10.0.0.1"};
        for (qsizetype i = 0; i < good.size(); i += 2) {
            QString s = good[i];
            QVERIFY2(fCheckIP(s), qPrintable(good[i]));
            QCOMPARE(s, good[i + 1]);
        }
        const QStringList bad = // limits, parts, digits, overflow, blanks, signs
            {"9.255.255.255", "10.0.0.0",           "10.0.0.256", "256.0.0.1",    "10.256.0.1",
             "10.0.0",        "10.0.0.1.2",         "10.0.0.1.",  "10..0.1",      "",
             "000010.0.0.1",  "10.0.0.99999999999", "10.0. 0.1",  "10.0.0.1 ",    "10.+0.0.1",
             "10.-0.0.1",     "10.0.0.0x1",         "a.b.c.d",    "10.0.0.\u0661"};
        for (const QString &in : bad) {
            QString s = in;
            QVERIFY2(!fCheckIP(s), qPrintable(in));
            QCOMPARE(s, in);
        }
    }

    void evaluate_data()
    {
        QTest::addColumn<QString>("arg");
        QTest::addColumn<QString>("command"); // empty: no action
        QTest::addColumn<QString>("ip");
        QTest::addColumn<QString>("caption"); // empty: "Senvaro - Parameter: " and the argument
        const auto row = [](const char *arg, const char *command, const char *ip, const char *caption) {
            QTest::newRow(arg) << QString(arg) << QString(command) << QString(ip) << QString(caption);
        };
        // How fields are cut and which one wins is checked against the field functions by
        // fuzz/fuzz_cmdline; these rows hold the words, their commands and captions, and the
        // trimming (only blanks), which the fuzzer's reference shares with the evaluation.
        row("/192.168.0.50/R", "reboot", "192.168.0.50", "reboot");
        row("/192.168.000.050/ETH1", "set eth2sta enable", "192.168.0.50", "enable ETH");
        row("/r/eth0/R\t", "", "", "");
        row("/ETH0/ R ", "reboot", "", "reboot");
        // 20 000 fields: the ones at the far end decide, by the same rules.
        QTest::newRow("many fields") << QString("/R/10.0.0.1").repeated(20000) + "/ETH0/10.0.0.2"
                                     << QString("set eth2sta disable") << QString("10.0.0.2")
                                     << QString("disable ETH");
    }

    void evaluate()
    {
        QFETCH(QString, arg);
        QFETCH(QString, command);
        QFETCH(QString, ip);
        QFETCH(QString, caption);
        const ParamRequest r = evaluateParameters(arg);
        QCOMPARE(r.mode, !command.isEmpty());
        QCOMPARE(r.command, command);
        QCOMPARE(r.ip, ip);
        QCOMPARE(r.caption, caption.isEmpty() ? QStringLiteral("Senvaro - Parameter: ") + arg : caption);
    }

    // The window's load hands the command line over; without one the caption stays. What the
    // window takes from an evaluation is checked by fuzz/fuzz_cmdline, and the whole way from
    // the command line to the access point by the one-shot runs.
    void window()
    {
        setCommandLineText(QStringLiteral("/ 10.0.0.060 / R /"));
        frmMonitor w;
        w.Form_Load();
        QCOMPARE(w.windowTitle(), QStringLiteral("reboot"));

        setCommandLineText(QString());
        frmMonitor idle;
        const QString title = idle.windowTitle();
        idle.Form_Load();
        QCOMPARE(idle.windowTitle(), title);
    }
};

QTEST_MAIN(TestCmdline)
#include "tst_cmdline.moc"
