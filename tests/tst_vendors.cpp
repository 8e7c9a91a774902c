// Maker names for MAC addresses: the CSV reader, the address forms, a registry made
// here in the ieee-data format, the lazy background load, and the installed registry.

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "monitor/vendors.h"

using Kind = VendorRegistry::Result::Kind;
Q_DECLARE_METATYPE(Kind)

namespace {

void writeFile(const QString &folder, const char *name, const QByteArray &bytes)
{
    QFile f(folder + QLatin1Char('/') + QLatin1String(name));
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(f.fileName()));
    QCOMPARE(f.write(bytes), bytes.size());
}

const QByteArray kHeader = "Registry,Assignment,Organization Name,Organization Address\r\n";

// A 24-bit block 00-11-22 holding a 28-bit block 00-11-22-3 holding a 36-bit block
// 00-11-22-33-4; a block assigned three times (one name twice); damaged records.
void writeRegistry(const QString &folder)
{
    writeFile(folder, "oui.csv",
              kHeader + "MA-L,001122,\"Parent Maker, Inc.\",\"Street 1\r\nTown\"\r\n"
                        "MA-L,A4B1C2,  Spaced Maker\t ,Addr\r\n"
                        "MA-L,080030,First Org,x\r\n"
                        "MA-L,3c5ab4,\"Quote \"\"Q\"\" Werke\",x\r\n"
                        "MA-L,080030,Second Org,x\r\n"
                        "MA-L,080030,First Org,x\r\n"
                        "MA-L,00AB12C,Seven Digits,x\r\n"
                        "MA-L,00AB1G,Not Hex,x\r\n"
                        "MA-L,00CCDD\r\n"
                        "MA-L,DDEEFF,,x\r\n"
                        "MA-L,F4BD9E,\"Multi\r\nLine  GmbH\",x\r\n"
                        "MA-L,0C1B2C,M\xC3\xBCller Funk,x");
    writeFile(folder, "mam.csv",
              kHeader + "MA-M,0011223,Middle Block Ltd,x\r\nMA-M,00AB12C,Seven Digits,x\r\n");
    writeFile(folder, "oui36.csv", kHeader + "MA-S,001122334,Small Block AG,\"a, b\"\r\n");
    writeFile(folder, "iab.csv", kHeader + "IAB,0050C2ABC,Iab Firma,x\r\n");
}

// Runs the event loop until the registry has loaded.
bool waitLoaded(VendorRegistry &registry)
{
    if (registry.isLoaded())
        return true;
    QSignalSpy ready(&registry, &VendorRegistry::namesReady);
    return ready.wait(10'000);
}

} // namespace

class TestVendors : public QObject
{
    Q_OBJECT
private slots:
    void csvRecords_data();
    void csvRecords();
    void macForms_data();
    void macForms();
    void fixtureLookup_data();
    void fixtureLookup();
    void loadsOnlyWhenNeeded();
    void missingFiles_data();
    void missingFiles();
    void installedRegistry_data();
    void installedRegistry();
};

void TestVendors::csvRecords_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QList<QStringList>>("records");

    QTest::newRow("plain, LF") << QByteArray("a,b\nc,d\n") << QList<QStringList>{{"a", "b"}, {"c", "d"}};
    QTest::newRow("CR LF, no end at last") << QByteArray("a,b\r\nc") << QList<QStringList>{{"a", "b"}, {"c"}};
    QTest::newRow("lone CR") << QByteArray("a\rb\r") << QList<QStringList>{{"a"}, {"b"}};
    QTest::newRow("quoted comma") << QByteArray("\"x, y\",z\n") << QList<QStringList>{{"x, y", "z"}};
    QTest::newRow("doubled quotes") << QByteArray("\"say \"\"hi\"\"\",\"\"\"\"\n")
                                    << QList<QStringList>{{"say \"hi\"", "\""}};
    QTest::newRow("line ends inside quotes") << QByteArray("1,\"a\r\nb\nc\rd\",2\r\n3\r\n")
                                             << QList<QStringList>{{"1", "a\r\nb\nc\rd", "2"}, {"3"}};
    QTest::newRow("empty fields and line")
        << QByteArray(",,\n\nx\n") << QList<QStringList>{{"", "", ""}, {""}, {"x"}};
    QTest::newRow("quote inside unquoted")
        << QByteArray("5\" disk,b\n") << QList<QStringList>{{"5\" disk", "b"}};
    QTest::newRow("text after closing quote") << QByteArray("\"a\"b,c\n") << QList<QStringList>{{"ab", "c"}};
    QTest::newRow("unterminated quote") << QByteArray("a,\"b\nc,d") << QList<QStringList>{{"a", "b\nc,d"}};
    QTest::newRow("UTF-8 kept") << QByteArray("\xC3\xA4,\"\xE2\x82\xAC\"\n")
                                << QList<QStringList>{{QStringLiteral("ä"), QStringLiteral("€")}};
    QTest::newRow("empty text") << QByteArray() << QList<QStringList>{};
}

void TestVendors::csvRecords()
{
    QFETCH(QByteArray, text);
    QFETCH(QList<QStringList>, records);
    CsvReader reader(text);
    std::vector<std::string> fields;
    QList<QStringList> got;
    while (reader.next(fields)) {
        QStringList record;
        for (const std::string &f : fields)
            record.append(QString::fromUtf8(f.data(), qsizetype(f.size())));
        got.append(record);
        QVERIFY2(got.size() < 100, "the reader does not come to an end");
    }
    QCOMPARE(got, records);
}

void TestVendors::macForms_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<quint64>("value");

    QTest::newRow("colons") << "00:11:22:33:44:55" << true << Q_UINT64_C(0x001122334455);
    QTest::newRow("dashes, lower case") << "a0-bc-de-f0-0a-ff" << true << Q_UINT64_C(0xA0BCDEF00AFF);
    QTest::newRow("mixed case") << "Fe:dC:bA:98:76:54" << true << Q_UINT64_C(0xFEDCBA987654);
    QTest::newRow("all ones") << "FF:FF:FF:FF:FF:FF" << true << Q_UINT64_C(0xFFFFFFFFFFFF);
    QTest::newRow("mixed separators") << "00:11-22:33:44:55" << false << quint64(0);
    QTest::newRow("dots") << "00.11.22.33.44.55" << false << quint64(0);
    QTest::newRow("one digit short") << "00:11:22:33:44:5" << false << quint64(0);
    QTest::newRow("trailing space") << "00:11:22:33:44:55 " << false << quint64(0);
    QTest::newRow("leading space") << " 0:11:22:33:44:55" << false << quint64(0);
    QTest::newRow("not hex") << "00:11:22:33:4G:55" << false << quint64(0);
    QTest::newRow("separator at a digit") << "00:11:22:33:4455:" << false << quint64(0);
    QTest::newRow("no separators") << "001122334455" << false << quint64(0);
    QTest::newRow("empty") << "" << false << quint64(0);
}

void TestVendors::macForms()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(quint64, value);
    const std::optional<quint64> parsed = parseMacAddress(text);
    QCOMPARE(parsed.has_value(), valid);
    if (valid)
        QCOMPARE(*parsed, value);
}

void TestVendors::fixtureLookup_data()
{
    QTest::addColumn<QString>("mac");
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QString>("text");

    QTest::newRow("36-bit block, its first") << "00:11:22:33:40:00" << Kind::Maker << "Small Block AG";
    QTest::newRow("36-bit block, its last") << "00-11-22-33-4f-ff" << Kind::Maker << "Small Block AG";
    QTest::newRow("28-bit block, below the 36") << "00:11:22:33:3F:FF" << Kind::Maker << "Middle Block Ltd";
    QTest::newRow("28-bit block, above the 36") << "00:11:22:33:50:00" << Kind::Maker << "Middle Block Ltd";
    QTest::newRow("28-bit block, its first") << "00:11:22:30:00:00" << Kind::Maker << "Middle Block Ltd";
    QTest::newRow("24-bit parent, below the 28")
        << "00:11:22:2F:FF:FF" << Kind::Maker << "Parent Maker, Inc.";
    QTest::newRow("24-bit parent, above the 28")
        << "00:11:22:40:00:00" << Kind::Maker << "Parent Maker, Inc.";
    QTest::newRow("36-bit block from the IAB file") << "00:50:C2:AB:C1:23" << Kind::Maker << "Iab Firma";
    QTest::newRow("assigned three times") << "08:00:30:01:02:03" << Kind::Maker << "First Org / Second Org";
    QTest::newRow("doubled quotes, lower-case assignment")
        << "3C:5A:B4:00:00:01" << Kind::Maker << "Quote \"Q\" Werke";
    QTest::newRow("name trimmed") << "A4:B1:C2:00:00:01" << Kind::Maker << "Spaced Maker";
    QTest::newRow("line end inside the name") << "F4:BD:9E:00:00:01" << Kind::Maker << "Multi Line GmbH";
    QTest::newRow("UTF-8 name on the last line") << "0C:1B:2C:00:00:01" << Kind::Maker << "Müller Funk";
    QTest::newRow("7 digits in the 24-bit file") << "00:AB:12:00:00:00" << Kind::None << "";
    QTest::newRow("7 digits where 7 belong") << "00:AB:12:C0:00:00" << Kind::Maker << "Seven Digits";
    QTest::newRow("not hex") << "00:AB:10:00:00:00" << Kind::None << "";
    QTest::newRow("record without a name") << "00:CC:DD:00:00:00" << Kind::None << "";
    QTest::newRow("empty name") << "DD:EE:FF:00:00:00" << Kind::None << "";
    QTest::newRow("unknown") << "00:99:99:00:00:01" << Kind::None << "";
    QTest::newRow("private bit over a known block")
        << "02:11:22:33:44:55" << Kind::Private << "private Adresse";
    QTest::newRow("private bit, all ones") << "FF:FF:FF:FF:FF:FF" << Kind::Private << "private Adresse";
    QTest::newRow("group bit alone is not private") << "01:00:5E:00:00:01" << Kind::None << "";
    QTest::newRow("not an address") << "00:11:22:33:44" << Kind::None << "";
}

void TestVendors::fixtureLookup()
{
    QFETCH(QString, mac);
    QFETCH(Kind, kind);
    QFETCH(QString, text);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    writeRegistry(dir.path());

    VendorRegistry registry(dir.path());
    // A first lookup of a public address starts the load and cannot answer yet.
    QCOMPARE(registry.lookup(u"00:11:22:33:44:55").kind, Kind::NotYet);
    QVERIFY(waitLoaded(registry));
    QVERIFY(registry.hasNames());
    const VendorRegistry::Result r = registry.lookup(mac);
    QCOMPARE(r.kind, kind);
    QCOMPARE(r.text(), text);
}

void TestVendors::loadsOnlyWhenNeeded()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    writeRegistry(dir.path());
    VendorRegistry registry(dir.path());
    QSignalSpy ready(&registry, &VendorRegistry::namesReady);

    // Private addresses and texts that are no address need no registry.
    QCOMPARE(registry.lookup(u"06:00:00:00:00:01").text(), QStringLiteral("private Adresse"));
    QCOMPARE(registry.lookup(u"kein Gerät").kind, Kind::None);
    QVERIFY(!registry.isLoading());
    QTest::qWait(50);
    QCOMPARE(ready.count(), 0);
    QVERIFY(!registry.isLoaded());

    const VendorRegistry::Result first = registry.lookup(u"00:11:22:33:44:55");
    QCOMPARE(first.kind, Kind::NotYet);
    QCOMPARE(first.text(), QString());
    QVERIFY(registry.isLoading());
    QCOMPARE(registry.lookup(u"08:00:30:00:00:00").kind, Kind::NotYet);
    QVERIFY(ready.wait(10'000));
    QCOMPARE(registry.lookup(u"00:11:22:33:44:55").name, QStringLiteral("Small Block AG"));
    QTest::qWait(50);
    QCOMPARE(ready.count(), 1);

    // Torn down while its worker reads: no answer arrives, nothing hangs.
    auto early = std::make_unique<VendorRegistry>(dir.path());
    QSignalSpy earlyReady(early.get(), &VendorRegistry::namesReady);
    QCOMPARE(early->lookup(u"00:11:22:33:44:55").kind, Kind::NotYet);
    early.reset();
    QTest::qWait(50);
    QCOMPARE(earlyReady.count(), 0);
}

void TestVendors::missingFiles_data()
{
    QTest::addColumn<QStringList>("present"); // files copied from the full registry
    QTest::addColumn<bool>("folderExists");
    QTest::addColumn<QString>("mac");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("hasNames");

    QTest::newRow("no folder") << QStringList() << false << "00:11:22:33:44:55"
                               << "" << false;
    QTest::newRow("empty folder") << QStringList() << true << "00:11:22:33:44:55"
                                  << "" << false;
    QTest::newRow("private, no folder") << QStringList() << false << "02:11:22:33:44:55"
                                        << "private Adresse" << false;
    QTest::newRow("only the 24-bit file") << QStringList{"oui.csv"} << true << "00:11:22:33:44:55"
                                          << "Parent Maker, Inc." << true;
    QTest::newRow("only the 36-bit file") << QStringList{"oui36.csv"} << true << "00:11:22:33:44:55"
                                          << "Small Block AG" << true;
    QTest::newRow("only the 36-bit file, outside it")
        << QStringList{"oui36.csv"} << true << "00:11:22:33:54:55"
        << "" << true;
}

void TestVendors::missingFiles()
{
    QFETCH(QStringList, present);
    QFETCH(bool, folderExists);
    QFETCH(QString, mac);
    QFETCH(QString, text);
    QFETCH(bool, hasNames);
    QTemporaryDir full, partial;
    QVERIFY(full.isValid() && partial.isValid());
    writeRegistry(full.path());
    for (const QString &name : present)
        QVERIFY(QFile::copy(full.filePath(name), partial.filePath(name)));
    const QString folder = folderExists ? partial.path() : partial.filePath(QStringLiteral("fehlt"));

    VendorRegistry registry(folder);
    registry.lookup(u"00:00:00:00:00:01");
    QVERIFY(waitLoaded(registry));
    QCOMPARE(registry.hasNames(), hasNames);
    QCOMPARE(registry.lookup(mac).text(), text);
}

void TestVendors::installedRegistry_data()
{
    QTest::addColumn<QString>("mac");
    QTest::addColumn<QString>("maker");

    QTest::newRow("Apple") << "00:03:93:12:34:56"
                           << "Apple, Inc.";
    QTest::newRow("Cisco") << "00-00-0c-01-02-03"
                           << "Cisco Systems, Inc";
    QTest::newRow("Intel") << "00:1B:21:AB:CD:EF"
                           << "Intel Corporate";
}

void TestVendors::installedRegistry()
{
    QFETCH(QString, mac);
    QFETCH(QString, maker);
    if (!QFile::exists(QStringLiteral("/usr/share/ieee-data/oui.csv")))
        QSKIP("ieee-data is not installed");
    VendorRegistry registry;
    registry.lookup(mac);
    QVERIFY(waitLoaded(registry));
    QCOMPARE(registry.lookup(mac).name, maker);
}

QTEST_GUILESS_MAIN(TestVendors)
#include "tst_vendors.moc"
