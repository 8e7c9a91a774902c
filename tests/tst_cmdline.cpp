// Command-line request: address check and normalisation, field rules, window state.
#include <QComboBox>
#include <QtTest>

#include "app/startstop.h"
#include "session/cmdline.h"
#include "ui/frmMonitor.h"

class TestCmdline : public QObject
{
    Q_OBJECT
private slots:
    void checkIP_data();
    void checkIP();
    void evaluate_data();
    void evaluate();
    void windowState();
    void formLoadHandsOverCommandLine();
};

void TestCmdline::checkIP_data()
{
    QTest::addColumn<QString>("in");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("out");
    QTest::newRow("lowest") << "10.0.0.1" << true << "10.0.0.1";
    QTest::newRow("highest") << "255.255.255.255" << true << "255.255.255.255";
    QTest::newRow("leading zeros") << "192.168.000.050" << true << "192.168.0.50";
    QTest::newRow("five digits") << "00010.00000.0.00001" << true << "10.0.0.1";
    QTest::newRow("first below 10") << "9.255.255.255" << false << "9.255.255.255";
    QTest::newRow("last zero") << "10.0.0.0" << false << "10.0.0.0";
    QTest::newRow("last 256") << "10.0.0.256" << false << "10.0.0.256";
    QTest::newRow("first 256") << "256.0.0.1" << false << "256.0.0.1";
    QTest::newRow("middle 256") << "10.256.0.1" << false << "10.256.0.1";
    QTest::newRow("three parts") << "10.0.0" << false << "10.0.0";
    QTest::newRow("five parts") << "10.0.0.1.2" << false << "10.0.0.1.2";
    QTest::newRow("trailing dot") << "10.0.0.1." << false << "10.0.0.1.";
    QTest::newRow("empty part") << "10..0.1" << false << "10..0.1";
    QTest::newRow("empty last") << "10.0.0." << false << "10.0.0.";
    QTest::newRow("empty") << "" << false << "";
    QTest::newRow("six digits") << "000010.0.0.1" << false << "000010.0.0.1";
    QTest::newRow("huge number") << "10.0.0.99999999999" << false << "10.0.0.99999999999";
    QTest::newRow("blank inside") << "10.0. 0.1" << false << "10.0. 0.1";
    QTest::newRow("blank after") << "10.0.0.1 " << false << "10.0.0.1 ";
    QTest::newRow("plus sign") << "10.+0.0.1" << false << "10.+0.0.1";
    QTest::newRow("minus zero") << "10.-0.0.1" << false << "10.-0.0.1";
    QTest::newRow("hex") << "10.0.0.0x1" << false << "10.0.0.0x1";
    QTest::newRow("letters") << "a.b.c.d" << false << "a.b.c.d";
    QTest::newRow("arabic-indic digit")
        << QString::fromUtf8("10.0.0.\u0661") << false << QString::fromUtf8("10.0.0.\u0661");
}

void TestCmdline::checkIP()
{
    QFETCH(QString, in);
    QFETCH(bool, ok);
    QFETCH(QString, out);
    QString s = in;
    QCOMPARE(fCheckIP(s), ok);
    QCOMPARE(s, out);
}

void TestCmdline::evaluate_data()
{
    QTest::addColumn<QString>("arg");
    QTest::addColumn<bool>("mode");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("caption");
    QTest::newRow("reboot") << "/192.168.0.50/R" << true << "reboot"
                            << "192.168.0.50"
                            << "reboot";
    QTest::newRow("eth1 normalised") << "/192.168.000.050/ETH1" << true << "set eth2sta enable"
                                     << "192.168.0.50"
                                     << "enable ETH";
    QTest::newRow("eth0") << "/10.1.2.3/ETH0" << true << "set eth2sta disable"
                          << "10.1.2.3"
                          << "disable ETH";
    QTest::newRow("lower r") << "/r" << false << ""
                             << ""
                             << "Senvaro - Parameter: /r";
    QTest::newRow("lower eth0") << "/eth0" << false << ""
                                << ""
                                << "Senvaro - Parameter: /eth0";
    QTest::newRow("last action wins") << "/R/ETH0" << true << "set eth2sta disable"
                                      << ""
                                      << "disable ETH";
    QTest::newRow("blanks around R") << "/ R " << true << "reboot"
                                     << ""
                                     << "reboot";
    QTest::newRow("blanks around address") << "/ 10.0.0.7 /ETH1" << true << "set eth2sta enable"
                                           << "10.0.0.7"
                                           << "enable ETH";
    QTest::newRow("trailing slash") << "/R/" << true << "reboot"
                                    << ""
                                    << "reboot";
    QTest::newRow("no leading slash") << "10.0.0.9/R" << true << "reboot"
                                      << "10.0.0.9"
                                      << "reboot";
    QTest::newRow("last valid address wins") << "/10.0.0.1/R/10.0.0.2/1.2.3.4" << true << "reboot"
                                             << "10.0.0.2"
                                             << "reboot";
    QTest::newRow("address only") << "/10.0.0.1" << false << ""
                                  << "10.0.0.1"
                                  << "Senvaro - Parameter: /10.0.0.1";
    QTest::newRow("action without address") << "/9.0.0.1/ETH1" << true << "set eth2sta enable"
                                            << ""
                                            << "enable ETH";
    QTest::newRow("R with tab is no action") << "/R\t" << false << ""
                                             << ""
                                             << "Senvaro - Parameter: /R\t";
    QTest::newRow("RR is no action") << "/RR/ETH2" << false << ""
                                     << ""
                                     << "Senvaro - Parameter: /RR/ETH2";
    QTest::newRow("only slashes") << "///" << false << ""
                                  << ""
                                  << "Senvaro - Parameter: ///";
}

void TestCmdline::evaluate()
{
    QFETCH(QString, arg);
    QFETCH(bool, mode);
    QFETCH(QString, command);
    QFETCH(QString, ip);
    QFETCH(QString, caption);
    const ParamRequest r = evaluateParameters(arg);
    QCOMPARE(r.mode, mode);
    QCOMPARE(r.command, command);
    QCOMPARE(r.ip, ip);
    QCOMPARE(r.caption, caption);
}

void TestCmdline::windowState()
{
    frmMonitor w;
    w.ParameterAuswertung(QStringLiteral("/192.168.000.050/ETH1"));
    QCOMPARE(w.windowTitle(), QStringLiteral("enable ETH"));
    QVERIFY(w.paramMode);
    QCOMPARE(w.paramCommand, QStringLiteral("set eth2sta enable"));
    QCOMPARE(w.paramIP, QStringLiteral("192.168.0.50"));

    frmMonitor plain;
    plain.ParameterAuswertung(QStringLiteral("/eth1/10.0.0.1"));
    QCOMPARE(plain.windowTitle(), QStringLiteral("Senvaro - Parameter: /eth1/10.0.0.1"));
    QVERIFY(!plain.paramMode);
    QVERIFY(plain.paramCommand.isEmpty());
}

// The window's load hands the command line over before the settings are read; the
// activation later puts the address into Combo1.
void TestCmdline::formLoadHandsOverCommandLine()
{
    setCommandLineText(QStringLiteral("/ 10.0.0.60 / R /"));
    frmMonitor w;
    w.Form_Load();
    QCOMPARE(w.windowTitle(), QStringLiteral("reboot"));
    QVERIFY(w.paramMode);
    QCOMPARE(w.paramIP, QStringLiteral("10.0.0.60"));
    QCOMPARE(w.paramCommand, QStringLiteral("reboot"));

    setCommandLineText(QString());
    frmMonitor idle;
    const QString title = idle.windowTitle();
    idle.Form_Load();
    QCOMPARE(idle.windowTitle(), title);
    QVERIFY(!idle.paramMode);
}

QTEST_MAIN(TestCmdline)
#include "tst_cmdline.moc"
