// Load, save, load again: characters that a settings file holds inside a line but the
// writer cannot put there (a lone CR, a NUL) read as the blank the writer writes, so a
// second start shows what the first showed.
#include <QtTest>

#include <QLineEdit>
#include <memory>

#include "app/globals.h"
#include "config/inifile.h"
#include "ui/frmMonitor.h"

class TestSettingsRoundtrip : public QObject
{
    Q_OBJECT
private slots:
    void oddCharacters_data();
    void oddCharacters();
};

void TestSettingsRoundtrip::oddCharacters_data()
{
    QTest::addColumn<QByteArray>("line"); // in section "bekannte MAC-Adressen", after Anzahl=1
    QTest::addColumn<QString>("mac");
    QTest::addColumn<QString>("ip");
    const QString none = QStringLiteral("(kein Eintrag)");
    QTest::newRow("lone CR inside") << QByteArray("IP-Adresse 1=192.168.0.51\rsi\r\n") << none
                                    << "192.168.0.51 si";
    QTest::newRow("NUL inside") << QByteArray("MAC-Adr.1=00:11:22\0:33\r\n", 24) << "00:11:22 :33" << none;
    QTest::newRow("CR and NUL at the end") << QByteArray("MAC-Adr.1=00:11\0\r\r\n", 19) << "00:11" << none;
    QTest::newRow("plain") << QByteArray("IP-Adresse 1= 10.0.0.1 \r\n") << none << "10.0.0.1";
}

void TestSettingsRoundtrip::oddCharacters()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, mac);
    QFETCH(QString, ip);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("SENVARO.INI"));
    {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[Server]\r\nIP=10.0.0.9\r\n[bekannte MAC-Adressen]\r\nAnzahl=1\r\n" + line);
    }
    for (int start = 1; start <= 2; ++start) {
        MACs = QVector<tMAC>(2);
        frmMonitor w;
        w.Form_Load();
        IniFile().load(file, w);
        QCOMPARE(MACs.size(), 2);
        QCOMPARE(MACs[1].MAC, mac);
        QCOMPARE(MACs[1].IP, ip);
        QCOMPARE(w.txtIP->text(), QStringLiteral("10.0.0.9"));
        QVERIFY(IniFile().Save(file, w));
    }
}

QTEST_MAIN(TestSettingsRoundtrip)
#include "tst_settings_roundtrip.moc"
