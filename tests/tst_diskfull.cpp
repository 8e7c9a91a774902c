// The settings file on a full disk and when it cannot be read: the old file is never
// lost, and a failed save never passes for success.
#include <QtTest>
#include <QtWidgets>

#include "app/globals.h"
#include "app/startstop.h"
#include "testsupport.h"
#include "ui/frmMonitor.h"

#include <cerrno>
#include <cstring>
#include <sched.h>
#include <sys/mount.h>

namespace {

constexpr int kPage = 4096; // tmpfs hands out space in pages

// A temporary folder with a private tmpfs on it, holding one page (the settings file, else a
// one-byte "filler": a tmpfs of size 0 has no bound) and exactly freePages pages free.
struct SmallFs
{
    QTemporaryDir dir;
    QString ini = dir.filePath(QStringLiteral("SENVARO.INI"));
    QString why; // why it could not be set up; empty when it was
    bool mounted = false;
    SmallFs(int freePages, const QByteArray &settings = {})
    {
        static const bool privateNamespace =
            unshare(CLONE_NEWNS) == 0 && mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
        const QByteArray options = "size=" + QByteArray::number((freePages + 1) * kPage) + ",mode=0700";
        mounted = dir.isValid() && privateNamespace &&
                  mount("senvaro-test", QFile::encodeName(dir.path()).constData(), "tmpfs",
                        MS_NOSUID | MS_NODEV, options.constData()) == 0;
        if (!mounted)
            why = "no private tmpfs: " + QString::fromLocal8Bit(strerror(errno));
        const bool first = settings.isNull();
        if (mounted &&
            (!writeFile(first ? dir.filePath(QStringLiteral("filler")) : ini, first ? "x" : settings) ||
             QStorageInfo(dir.path()).bytesAvailable() != qint64(freePages) * kPage))
            why = QStringLiteral("could not leave exactly %1 free pages").arg(freePages);
    }
    ~SmallFs()
    {
        if (mounted)
            umount2(QFile::encodeName(dir.path()).constData(), MNT_DETACH);
    }
};

QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
}

const QByteArray storedSettings = "[Server]\r\nIP=127.0.0.81\r\n[bekannte MAC-Adressen]\r\nAnzahl=1\r\n"
                                  "MAC-Adr.1=00:11:22:33:44:55\r\nName 1=Dach\r\n";

void checkBox(const Dialogs::Request &box, const QString &action, const QString &reason)
{
    QCOMPARE(box.title, QStringLiteral("Fehler beim %1 der Ini-Datei").arg(action));
    QCOMPARE(box.icon, Dialogs::Icon::Critical);
    QVERIFY2(box.text.contains(IniPfad) && box.text.contains(reason), qPrintable(box.text));
}

} // namespace

class TestDiskFull : public QObject
{
    Q_OBJECT
private slots:
    // A full disk: the old file stays byte for byte, no temporary or empty file is left, a box names
    // file and reason. A first start with room for the header only comes up; with room enough ENDE saves.
    void fullDisk_data()
    {
        QTest::addColumn<bool>("firstStart");
        QTest::addColumn<int>("freePages");
        QTest::addColumn<int>("status"); // -1: the program goes on; unless 0, a box says writing failed
        QTest::addColumn<QByteArray>("ending"); // of the file afterwards, or part of a new one
        QTest::newRow("ENDE, cut inside a record") << false << 1 << 1 << storedSettings;
        QTest::newRow("ENDE, room enough") << false << 3 << 0 << QByteArray("\r\nist_AP 70=Falsch\r\n");
        QTest::newRow("first start, room for the header only")
            << true << 1 << -1 << QByteArray("generiert.\r\n\r\n");
    }
    void fullDisk()
    {
        QFETCH(bool, firstStart);
        QFETCH(int, freePages);
        QFETCH(int, status);
        QFETCH(QByteArray, ending);
        SmallFs fs(freePages, firstStart ? QByteArray() : storedSettings);
        if (!fs.why.isEmpty())
            QSKIP(qPrintable(fs.why));
        ScriptedDialogs dialogs;
        ProcessEndRecorder ends;
        dialogs.answer(Dialogs::Answer::Yes);
        std::unique_ptr<frmMonitor> w(StartStop::Main(fs.dir.filePath(QStringLiteral("senvaro")), QString()));
        QVERIFY(w);
        if (!firstStart) {
            // Two pages of records, but below the 16 KiB the file layer buffers before writing.
            KnownClients many;
            many.setUpperBound(70);
            for (int i = 1; i <= 70; ++i)
                many[i] = {"00:11:22:33:44:55", QStringLiteral("Client %1").arg(i, -15), "192.168.0.1",
                           "Falsch"};
            w->setKnownClients(many);
            ctl<QToolButton>(*w, "CmdEnde")->click();
        }
        QCOMPARE(ends.lastStatus(), status);
        QCOMPARE(entries(fs.dir.path()).join(' '),
                 QString(firstStart ? "filler SENVARO.INI" : "SENVARO.INI"));
        QCOMPARE(int(dialogs.asked().size()), int(firstStart) + int(status != 0));
        if (status != 0)
            checkBox(dialogs.asked().last(), "Schreiben", "nicht genug Platz");
        QVERIFY(status == 0 ? readFile(fs.ini).contains(ending) : readFile(fs.ini).endsWith(ending));
    }

    // Something unreadable at the settings path: at start a box names it and the reason and the
    // window shows the defaults; at ENDE a box says nothing was saved, status 1, path untouched.
    void unreadableSettingsFile_data()
    {
        QTest::addColumn<QString>("reason"); // the row's name tells what stands there
        QTest::newRow("folder") << QStringLiteral("Ordner");
        QTest::newRow("dangling link") << QStringLiteral("verweist auf");
    }
    void unreadableSettingsFile()
    {
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString ini = dir.filePath(QStringLiteral("SENVARO.INI"));
        if (qstrcmp(QTest::currentDataTag(), "folder") == 0)
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("SENVARO.INI")));
        else // the target's folder exists: writing through the link would create it
            QVERIFY(QFile::link(dir.filePath(QStringLiteral("gone.ini")), ini));
        ScriptedDialogs dialogs;
        ProcessEndRecorder ends;
        std::unique_ptr<frmMonitor> w(StartStop::Main(dir.filePath(QStringLiteral("senvaro")), QString()));

        QVERIFY(w && ends.calls() == 0 && ctl<QLineEdit>(*w, "txtIP")->text() == "192.168.0.1");
        ctl<QToolButton>(*w, "CmdEnde")->click();
        QVERIFY(ends.calls() == 1 && ends.lastStatus() == 1 && dialogs.asked().size() == 2);
        checkBox(dialogs.asked()[0], QStringLiteral("Lesen"), reason);
        checkBox(dialogs.asked()[1], QStringLiteral("Schreiben"), reason);
        const QFileInfo after(ini); // still the folder, or the link to the same target
        QVERIFY(after.isDir() || after.symLinkTarget() == dir.filePath(QStringLiteral("gone.ini")));
        QCOMPARE(entries(dir.path()), QStringList({"SENVARO.INI"}));
    }
};

QTEST_MAIN(TestDiskFull)
#include "tst_diskfull.moc"
