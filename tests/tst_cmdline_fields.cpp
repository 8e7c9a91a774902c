// Command-line request with very many "/" fields: the fields at the far end decide,
// with the same rules as for a short argument.
#include <QtTest>

#include "session/cmdline.h"

class TestCmdlineFields : public QObject
{
    Q_OBJECT
private slots:
    void manyFields_data();
    void manyFields();
};

void TestCmdlineFields::manyFields_data()
{
    QTest::addColumn<QString>("filler"); // repeated 20 000 times, each time after a "/"
    QTest::addColumn<QString>("tail");   // then this
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("caption");
    QTest::newRow("last action and address win") << "R/10.0.0.1"
                                                 << "/ETH0/10.0.0.2"
                                                 << "set eth2sta disable"
                                                 << "10.0.0.2"
                                                 << "disable ETH";
    QTest::newRow("trailing slash opens no field") << "x"
                                                   << "/ETH1/"
                                                   << "set eth2sta enable"
                                                   << ""
                                                   << "enable ETH";
    QTest::newRow("empty and blank fields") << " "
                                            << "// R /010.000.000.001 "
                                            << "reboot"
                                            << "10.0.0.1"
                                            << "reboot";
    QTest::newRow("last field without slash") << "10.0.0.3"
                                              << "/R"
                                              << "reboot"
                                              << "10.0.0.3"
                                              << "reboot";
    QTest::newRow("nothing recognised") << "r"
                                        << "/eth0"
                                        << ""
                                        << ""
                                        << "";
}

void TestCmdlineFields::manyFields()
{
    QFETCH(QString, filler);
    QFETCH(QString, tail);
    QFETCH(QString, command);
    QFETCH(QString, ip);
    QFETCH(QString, caption);
    QString arg;
    for (int i = 0; i < 20000; ++i)
        arg += QLatin1Char('/') + filler;
    arg += tail;
    const ParamRequest r = evaluateParameters(arg);
    QCOMPARE(r.mode, !command.isEmpty());
    QCOMPARE(r.command, command);
    QCOMPARE(r.ip, ip);
    QCOMPARE(r.caption, caption.isEmpty() ? QStringLiteral("Senvaro - Parameter: ") + arg : caption);
}

QTEST_MAIN(TestCmdlineFields)
#include "tst_cmdline_fields.moc"
