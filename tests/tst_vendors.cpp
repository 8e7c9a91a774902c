// Maker names for MAC addresses: a registry made here in the ieee-data format (and so the CSV
// reader), the lazy background load, missing files (the installed registry: tst_exporter_e2e.sh).

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "logicsupport.h"
#include "monitor/vendors.h"

using Kind = VendorRegistry::Result::Kind;
Q_DECLARE_METATYPE(Kind)

namespace {

const QByteArray kHeader = "Registry,Assignment,Organization Name,Organization Address\r\n";

// A 24-bit block 00-11-22 holding a 28-bit block 00-11-22-3 holding a 36-bit block
// 00-11-22-33-4; a block assigned three times (one name twice); damaged records; an
// empty line, a lone CR, no line end at the end, an unterminated quote.
bool writeRegistry(const QString &folder)
{
    return writeFile(folder + "/oui.csv", kHeader +
                                              "MA-L,001122,\"Parent Maker, Inc.\",\"Street 1\r\nTown\"\r\n"
                                              "MA-L,A4B1C2,  Spaced Maker\t ,Addr\r\n"
                                              "MA-L,080030,First Org,x\r\n"
                                              "MA-L,3c5ab4,\"Quote \"\"Q\"\" Werke\",x\r\n"
                                              "MA-L,080030,Second Org,x\r\n"
                                              "MA-L,080030,First Org,x\r\n"
                                              "MA-L,0C1D2E3,Seven Digits,x\r\n"
                                              "MA-L,00AB1G,Not Hex,x\r\n"
                                              "MA-L,00CCDD\r\n"
                                              "MA-L,DDEEFF,,x\r\n"
                                              "MA-L,F4BD9E,\"Multi\r\nLine  GmbH\",x\r\n"
                                              "\r\n"
                                              "MA-L,5C6D7E,5\" Disk Werk,x\rMA-L,6C7D8E,After CR,x\r\n"
                                              "MA-L,0C1B2C,M\xC3\xBCller Funk,x") &&
           writeFile(folder + "/mam.csv",
                     kHeader + "MA-M,0011223,Middle Block Ltd,x\r\nMA-M,0C1D2E3,Seven Digits,x\r\n") &&
           writeFile(folder + "/oui36.csv", kHeader + "MA-S,001122334,Small Block AG,\"a, b\"\r\n") &&
           writeFile(folder + "/iab.csv",
                     kHeader + "IAB,0050C2ABC,Iab Firma,x\r\nIAB,0050C2ABD,\"Open,x\r\n");
}

bool waitLoaded(VendorRegistry &registry)
{
    if (registry.isLoaded())
        return true;
    QSignalSpy ready(&registry, &VendorRegistry::namesReady);
    return ready.wait(10'000);
}

const QString kAnna = QStringLiteral("00:11:22:33:44:55");

} // namespace

class TestVendors : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir; // the maker registry written by writeRegistry()

private slots:
    void initTestCase() { QVERIFY(writeRegistry(m_dir.path())); }

    void fixtureLookup_data()
    {
        QTest::addColumn<QString>("mac");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("text");
        QTest::newRow("36-bit block, its first") << "00:11:22:33:40:00" << Kind::Maker << "Small Block AG";
        QTest::newRow("36-bit block, its last") << "00-11-22-33-4f-ff" << Kind::Maker << "Small Block AG";
        QTest::newRow("28-bit, below the 36") << "00:11:22:33:3F:FF" << Kind::Maker << "Middle Block Ltd";
        QTest::newRow("28-bit block, its first") << "00:11:22:30:00:00" << Kind::Maker << "Middle Block Ltd";
        QTest::newRow("24-bit, below the 28") << "00:11:22:2F:FF:FF" << Kind::Maker << "Parent Maker, Inc.";
        QTest::newRow("36-bit block from the IAB file") << "00:50:C2:AB:C1:23" << Kind::Maker << "Iab Firma";
        QTest::newRow("assigned 3 times") << "08:00:30:01:02:03" << Kind::Maker << "First Org / Second Org";
        QTest::newRow("doubled quotes, lower case")
            << "3C:5A:B4:00:00:01" << Kind::Maker << "Quote \"Q\" Werke";
        QTest::newRow("name trimmed") << "A4:B1:C2:00:00:01" << Kind::Maker << "Spaced Maker";
        QTest::newRow("line end inside the name") << "F4:BD:9E:00:00:01" << Kind::Maker << "Multi Line GmbH";
        QTest::newRow("quote in unquoted") << "5C:6D:7E:00:00:01" << Kind::Maker << "5\" Disk Werk";
        QTest::newRow("after a lone CR") << "6C:7D:8E:00:00:01" << Kind::Maker << "After CR";
        QTest::newRow("UTF-8 name on the last line") << "0C:1B:2C:00:00:01" << Kind::Maker << "Müller Funk";
        QTest::newRow("7 digits in the 24-bit file, cut") << "0C:1D:2E:00:00:00" << Kind::None << "";
        QTest::newRow("7 digits in the 24-bit file, whole") << "C1:D2:E3:00:00:00" << Kind::None << "";
        QTest::newRow("7 digits where 7 belong") << "0C:1D:2E:30:00:00" << Kind::Maker << "Seven Digits";
        QTest::newRow("assignment not hex") << "00:AB:10:00:00:00" << Kind::None << "";
        QTest::newRow("empty name") << "DD:EE:FF:00:00:00" << Kind::None << "";
        // Address forms: only a valid one may reach the 36-bit block.
        QTest::newRow("mixed separators") << "00:11-22:33:44:55" << Kind::None << "";
        QTest::newRow("dots") << "00.11.22.33.44.55" << Kind::None << "";
        QTest::newRow("one digit short") << "00:11:22:33:44:5" << Kind::None << "";
        QTest::newRow("trailing space") << "00:11:22:33:44:55 " << Kind::None << "";
        QTest::newRow("not hex") << "00:11:22:33:4G:55" << Kind::None << "";
        QTest::newRow("unknown") << "00:99:99:00:00:01" << Kind::None << "";
        QTest::newRow("private over known") << "02:11:22:33:44:55" << Kind::Private << "private Adresse";
        QTest::newRow("group bit alone is not private") << "01:00:5E:00:00:01" << Kind::None << "";
    }

    void fixtureLookup()
    {
        QFETCH(QString, mac);
        VendorRegistry registry(m_dir.path());
        registry.lookup(u"00:11:22:33:44:55");
        QVERIFY(waitLoaded(registry));
        const VendorRegistry::Result r = registry.lookup(mac);
        QTEST(r.kind, "kind");
        QTEST(r.text(), "text");
    }

    // One load for all lookups while it runs (a private address needs none: tst_window_clients).
    void loadsOnlyWhenNeeded()
    {
        VendorRegistry registry(m_dir.path());
        QSignalSpy ready(&registry, &VendorRegistry::namesReady);
        QCOMPARE(registry.lookup(u"kein Gerät").kind, Kind::None);
        QVERIFY(!registry.isLoading());
        QCOMPARE(registry.lookup(u"00:11:22:33:44:55").kind, Kind::NotYet);
        QCOMPARE(registry.lookup(u"08:00:30:00:00:00").kind, Kind::NotYet);
        QVERIFY(ready.wait(10'000));
        QTest::qWait(50);
        QCOMPARE(ready.count(), 1);

        // Torn down while its worker reads: no answer arrives, nothing hangs.
        auto early = std::make_unique<VendorRegistry>(m_dir.path());
        QSignalSpy earlyReady(early.get(), &VendorRegistry::namesReady);
        QCOMPARE(early->lookup(u"00:11:22:33:44:55").kind, Kind::NotYet);
        early.reset();
        QTest::qWait(50);
        QCOMPARE(earlyReady.count(), 0);
    }

    // No registry files at all (some missing: tst_window_clients, whose registry has only oui.csv).
    void missingFiles()
    {
        VendorRegistry none(m_dir.filePath("fehlt"));
        none.lookup(u"00:11:22:33:44:55");
        QVERIFY(waitLoaded(none));
        QVERIFY(!none.hasNames());
        QCOMPARE(none.lookup(u"00:11:22:33:44:55").kind, Kind::None);
        QCOMPARE(none.lookup(u"02:11:22:33:44:55").text(), QStringLiteral("private Adresse"));
    }
};

QTEST_GUILESS_MAIN(TestVendors)
#include "tst_vendors.moc"
