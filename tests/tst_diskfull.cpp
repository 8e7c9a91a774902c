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

QString systemError(const char *what)
{
    return QString::fromLatin1(what) + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
}

// A temporary folder with a tmpfs of kib KiB mounted on it for its lifetime, in a mount
// namespace private to this process, so nothing outside the test sees it.
struct SmallFs
{
    QTemporaryDir dir;
    QString why; // why it could not be mounted; empty when mounted
    explicit SmallFs(int kib)
    {
        static const QString privateNamespace = []() -> QString {
            if (unshare(CLONE_NEWNS) != 0)
                return systemError("unshare(CLONE_NEWNS)");
            if (mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
                return systemError("mount --make-rprivate /");
            return QString();
        }();
        const QByteArray options = "size=" + QByteArray::number(kib) + "k,mode=0700";
        why = !dir.isValid()                ? dir.errorString()
              : !privateNamespace.isEmpty() ? privateNamespace
              : mount("senvaro-test", QFile::encodeName(dir.path()).constData(), "tmpfs",
                      MS_NOSUID | MS_NODEV, options.constData()) != 0
                  ? systemError("mount -t tmpfs")
                  : QString();
    }
    ~SmallFs()
    {
        if (why.isEmpty())
            umount2(QFile::encodeName(dir.path()).constData(), MNT_DETACH);
    }
    QString filePath(const QString &name) const { return dir.filePath(name); }
};

constexpr int kPage = 4096; // tmpfs hands out space in pages

// Fills the file system with a file "filler", then gives back exactly freePages pages.
// Returns why that failed, or empty text.
QString fillLeaving(const SmallFs &fs, int freePages)
{
    if (QStorageInfo(fs.dir.path()).blockSize() != kPage)
        return QStringLiteral("the file system's pages are not 4 KiB, the sizes here rely on it");
    QFile f(fs.filePath(QStringLiteral("filler")));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return f.errorString();
    const QByteArray page(kPage, 'x');
    while (f.write(page) == kPage) {
    }
    const qint64 full = f.size() / kPage * kPage;
    if (!f.resize(full - qint64(freePages) * kPage) ||
        QStorageInfo(fs.dir.path()).bytesAvailable() != qint64(freePages) * kPage)
        return QStringLiteral("could not leave exactly %1 free pages").arg(freePages);
    return QString();
}

// What stands at a path, in enough detail to tell whether anything there changed.
QString snapshot(const QString &path)
{
    const QFileInfo i(path);
    return QStringLiteral("link=%1 target=%2 dir=%3 perms=%4 entries=%5 ")
               .arg(i.isSymLink())
               .arg(i.symLinkTarget())
               .arg(i.isDir())
               .arg(int(i.permissions()), 0, 16)
               .arg(QDir(path).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).join('|')) +
           QString::fromLatin1(readFile(path).toHex());
}

QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
}

const QByteArray storedSettings =
    "Diese Ini-Datei wurde am 01.12.2026 von \r\n'senvaro.exe' automatisch generiert.\r\n"
    "\r\n[Server]\r\nIP=127.0.0.81\r\n[bekannte MAC-Adressen]\r\nAnzahl=1\r\n"
    "MAC-Adr.1=00:11:22:33:44:55\r\nName 1=Dach\r\n";

// Enough known clients that the saved file spans two pages but stays below the
// 16 KiB that the file layer buffers before its first write to the disk.
void addClients(int count)
{
    MACs.resize(count + 1);
    for (int i = 1; i <= count; ++i)
        MACs[i] = {QStringLiteral("00:11:22:33:44:%1").arg(i, 2, 10, QChar('0')),
                   QStringLiteral("Client %1").arg(i).leftJustified(15),
                   QStringLiteral("192.168.0.%1").arg(i), QStringLiteral("Falsch")};
}

} // namespace

class TestDiskFull : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        MACs = QVector<tMAC>(2);
        IniPfad.clear();
        setCommandLineText(QString());
    }

    // ENDE on a file system with too little room: the old file stays byte for byte, no
    // temporary file is left, a German box names the file and the reason, status 1.
    // With room enough the same save succeeds, so the setup itself is sound.
    void endeOnFullDisk_data()
    {
        QTest::addColumn<int>("freePages");
        QTest::addColumn<bool>("fits");
        QTest::newRow("full: nothing can be written") << 0 << false;
        QTest::newRow("almost full: cut inside a record") << 1 << false;
        QTest::newRow("room enough") << 3 << true;
    }

    void endeOnFullDisk()
    {
        QFETCH(int, freePages);
        QFETCH(bool, fits);
        SmallFs fs(64);
        if (!fs.why.isEmpty())
            QSKIP(qPrintable(QStringLiteral("no small file system: ") + fs.why));
        const QString ini = fs.filePath(QStringLiteral("SENVARO.INI"));
        QVERIFY(writeFile(ini, storedSettings));
        ScriptedDialogs dialogs;
        ProcessEndRecorder ends;
        std::unique_ptr<frmMonitor> w(StartStop::Main(fs.filePath(QStringLiteral("senvaro")), QString()));
        QVERIFY(w && dialogs.asked().isEmpty());
        addClients(70);
        const QString notFilled = fillLeaving(fs, freePages);
        if (!notFilled.isEmpty())
            QSKIP(qPrintable(QStringLiteral("cannot set up the full disk: ") + notFilled));

        w->CmdEnde->click();

        QVERIFY(ends.calls() == 1 && w->isUnloaded());
        QCOMPARE(entries(fs.dir.path()), QStringList({"filler", "SENVARO.INI"}));
        if (fits) {
            QVERIFY(ends.lastStatus() == 0 && dialogs.asked().isEmpty());
            const QByteArray saved = readFile(ini);
            QVERIFY(saved.size() > kPage && saved.contains("\r\nist_AP 70=Falsch\r\n"));
            return;
        }
        QCOMPARE(ends.lastStatus(), 1);
        QCOMPARE(readFile(ini), storedSettings);
        QCOMPARE(dialogs.asked().size(), 1);
        const Dialogs::Request &box = dialogs.asked().first();
        QVERIFY(box.icon == Dialogs::Icon::Critical && box.title == "Fehler beim Schreiben der Ini-Datei");
        QVERIFY2(box.text.contains(IniPfad) && box.text.contains("nicht genug Platz"), qPrintable(box.text));
    }

    // First start on a full file system: no empty settings file is left, the box says
    // why, status 1. With room for the header but not for the full save, the window
    // still comes up, the header stays and a box says the save failed.
    void firstStartOnFullDisk_data()
    {
        QTest::addColumn<int>("freePages");
        QTest::newRow("no room for the header") << 0;
        QTest::newRow("room for the header only") << 1;
    }

    void firstStartOnFullDisk()
    {
        QFETCH(int, freePages);
        SmallFs fs(32);
        if (!fs.why.isEmpty())
            QSKIP(qPrintable(QStringLiteral("no small file system: ") + fs.why));
        const QString notFilled = fillLeaving(fs, freePages);
        if (!notFilled.isEmpty())
            QSKIP(qPrintable(QStringLiteral("cannot set up the full disk: ") + notFilled));
        const QString ini = fs.filePath(QStringLiteral("SENVARO.INI"));
        ScriptedDialogs dialogs;
        ProcessEndRecorder ends;
        dialogs.answer(Dialogs::Answer::Yes);
        std::unique_ptr<frmMonitor> w(StartStop::Main(fs.filePath(QStringLiteral("senvaro")), QString()));

        QCOMPARE(dialogs.asked().size(), 2);
        const Dialogs::Request &box = dialogs.asked()[1];
        QCOMPARE(box.icon, Dialogs::Icon::Critical);
        QVERIFY2(box.text.contains(QDir::toNativeSeparators(ini)) && box.text.contains("nicht genug Platz"),
                 qPrintable(box.text));
        if (freePages == 0) {
            QVERIFY(!w && ends.calls() == 1 && ends.lastStatus() == 1);
            QCOMPARE(box.title, QStringLiteral("Fehler beim Anlegen der Ini-Datei"));
            QCOMPARE(entries(fs.dir.path()), QStringList({"filler"}));
            return;
        }
        QVERIFY(w && ends.calls() == 0);
        QCOMPARE(box.title, QStringLiteral("Fehler beim Schreiben der Ini-Datei"));
        QCOMPARE(entries(fs.dir.path()), QStringList({"filler", "SENVARO.INI"}));
        const QByteArray header = readFile(ini);
        QVERIFY(header.startsWith("Diese Ini-Datei wurde am ") &&
                header.endsWith("automatisch generiert.\r\n\r\n"));
    }

    // Something stands at the settings file's path that cannot be read. At start a
    // German box names the file and the reason and the window shows the defaults; at
    // ENDE a box says nothing was saved, the status is 1 and the path is untouched.
    void unreadableSettingsFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("a folder") << QStringLiteral("folder") << QStringLiteral("Ordner");
        QTest::newRow("a dangling link") << QStringLiteral("link") << QStringLiteral("verweist auf");
        QTest::newRow("no read permission")
            << QStringLiteral("unreadable") << QStringLiteral("Leseberechtigung");
    }

    void unreadableSettingsFile()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString ini = dir.filePath(QStringLiteral("SENVARO.INI"));
        if (kind == QStringLiteral("folder")) {
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("SENVARO.INI")));
        } else if (kind == QStringLiteral("link")) {
            // The target's folder exists: writing through the link would create it.
            QVERIFY(QFile::link(dir.filePath(QStringLiteral("gone.ini")), ini));
        } else {
            QVERIFY(writeFile(ini, storedSettings));
            QVERIFY(QFile::setPermissions(ini, QFile::WriteOwner));
            if (QFile(ini).open(QIODevice::ReadOnly))
                QSKIP("this account reads files without read permission (root): no unreadable file to test");
        }
        const QString before = snapshot(ini);
        ScriptedDialogs dialogs;
        ProcessEndRecorder ends;
        std::unique_ptr<frmMonitor> w(StartStop::Main(dir.filePath(QStringLiteral("senvaro")), QString()));

        QVERIFY(w && ends.calls() == 0);
        QCOMPARE(w->txtIP->text(), QStringLiteral("192.168.0.1"));
        w->CmdEnde->click();
        QVERIFY(ends.calls() == 1 && ends.lastStatus() == 1);
        QCOMPARE(dialogs.asked().size(), 2);
        for (int i : {0, 1}) { // at start, then at the end
            const Dialogs::Request &box = dialogs.asked()[i];
            QCOMPARE(box.title,
                     QStringLiteral("Fehler beim %1 der Ini-Datei").arg(i ? "Schreiben" : "Lesen"));
            QCOMPARE(box.icon, Dialogs::Icon::Critical);
            QVERIFY2(box.text.contains(IniPfad) && box.text.contains(reason), qPrintable(box.text));
        }
        QCOMPARE(snapshot(ini), before);
        QCOMPARE(entries(dir.path()), QStringList({"SENVARO.INI"}));
    }
};

QTEST_MAIN(TestDiskFull)
#include "tst_diskfull.moc"
