// The settings file on a full disk and when it cannot be read: the old file is never
// lost, and a failed save never passes for success.
#include <QtTest>
#include <QtWidgets>

#include "app/globals.h"
#include "app/startstop.h"
#include "testsupport.h"
#include "ui/frmMonitor.h"

#ifdef Q_OS_LINUX
#include <cerrno>
#include <cstring>
#include <sched.h>
#include <sys/mount.h>
#endif

namespace {

// ---- A small file system of the test's own (the only system calls of this test) ----

#ifdef Q_OS_LINUX
QString systemError(const char *what)
{
    return QString::fromLatin1(what) + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
}
#endif

// Mounts a tmpfs of kib KiB on dir, in a mount namespace private to this process, so
// nothing outside the test sees it. Returns why that is impossible, or empty text.
QString mountSmallFs(const QString &dir, int kib)
{
#ifdef Q_OS_LINUX
    static const QString privateNamespace = []() -> QString {
        if (unshare(CLONE_NEWNS) != 0)
            return systemError("unshare(CLONE_NEWNS)");
        if (mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return systemError("mount --make-rprivate /");
        return QString();
    }();
    if (!privateNamespace.isEmpty())
        return privateNamespace;
    const QByteArray options = "size=" + QByteArray::number(kib) + "k,mode=0700";
    if (mount("senvaro-test", QFile::encodeName(dir).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
              options.constData()) != 0)
        return systemError("mount -t tmpfs");
    return QString();
#else
    Q_UNUSED(dir);
    Q_UNUSED(kib);
    return QStringLiteral("a small file system is only set up on Linux");
#endif
}

void unmountSmallFs(const QString &dir)
{
#ifdef Q_OS_LINUX
    umount2(QFile::encodeName(dir).constData(), MNT_DETACH);
#else
    Q_UNUSED(dir);
#endif
}

// A temporary folder with a small file system mounted on it for its lifetime.
struct SmallFs
{
    QTemporaryDir dir;
    QString why; // empty when mounted
    explicit SmallFs(int kib) { why = dir.isValid() ? mountSmallFs(dir.path(), kib) : dir.errorString(); }
    ~SmallFs()
    {
        if (why.isEmpty())
            unmountSmallFs(dir.path());
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

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.flush();
}

// What stands at a path, in enough detail to tell whether anything there changed.
QString snapshot(const QString &path)
{
    const QFileInfo i(path);
    QString s =
        QStringLiteral("link=%1 target=%2 dir=%3 file=%4 perms=%5 entries=%6 ")
            .arg(i.isSymLink())
            .arg(i.symLinkTarget())
            .arg(i.isDir())
            .arg(i.isFile())
            .arg(int(i.permissions()), 0, 16)
            .arg(QDir(path).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).join('|'));
    QFile f(path);
    if (i.isFile() && f.open(QIODevice::ReadOnly))
        s += QString::fromLatin1(f.readAll().toHex());
    return s;
}

QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
}

const QByteArray storedSettings = "Diese Ini-Datei wurde am 01.12.2026 von \r\n"
                                  "'senvaro.exe' automatisch generiert.\r\n"
                                  "\r\n"
                                  "[Server]\r\n"
                                  "IP=127.0.0.81\r\n"
                                  "[User]\r\n"
                                  "Polling Zyklus in Sekunden=3\r\n"
                                  "[bekannte MAC-Adressen]\r\n"
                                  "Anzahl=1\r\n"
                                  "MAC-Adr.1=00:11:22:33:44:55\r\n"
                                  "Name 1=Dach\r\n"
                                  "IP-Adresse 1=192.168.0.51\r\n"
                                  "ist_AP 1=Wahr\r\n";

// Enough known clients that the saved file spans two pages but stays below the
// 16 KiB that the file layer buffers before its first write to the disk.
void addClients(int count)
{
    MACs.resize(count + 1);
    for (int i = 1; i <= count; ++i) {
        tMAC &r = MACs[i];
        r.MAC = QStringLiteral("00:11:22:33:%1:%2")
                    .arg(i / 100, 2, 10, QChar('0'))
                    .arg(i % 100, 2, 10, QChar('0'));
        r.Name = QStringLiteral("Client %1").arg(i).leftJustified(15);
        r.IP = QStringLiteral("192.168.%1.%2").arg(i / 200).arg(i % 200 + 1);
        r.ist_AP = QStringLiteral("Falsch");
    }
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
            QSKIP(qPrintable(QStringLiteral("no small file system for the full disk: ") + fs.why));
        const QString ini = fs.filePath(QStringLiteral("SENVARO.INI"));
        QVERIFY(writeAll(ini, storedSettings));
        ScriptedDialogs dialogs;
        ProcessEndRecorder ends;
        std::unique_ptr<frmMonitor> w(StartStop::Main(fs.filePath(QStringLiteral("senvaro")), QString()));
        QVERIFY(w);
        QVERIFY(dialogs.asked().isEmpty());
        addClients(70);
        const QString notFilled = fillLeaving(fs, freePages);
        if (!notFilled.isEmpty())
            QSKIP(qPrintable(QStringLiteral("cannot set up the full disk: ") + notFilled));

        w->CmdEnde->click();

        QCOMPARE(ends.calls(), 1);
        QVERIFY(w->isUnloaded());
        QCOMPARE(entries(fs.dir.path()),
                 QStringList({QStringLiteral("filler"), QStringLiteral("SENVARO.INI")}));
        if (fits) {
            QCOMPARE(ends.lastStatus(), 0);
            QVERIFY(dialogs.asked().isEmpty());
            const QString saved = QString::fromLatin1(readAll(ini));
            QVERIFY(saved.size() > kPage);
            QVERIFY(saved.contains(QStringLiteral("\r\nist_AP 70=Falsch\r\n")));
            return;
        }
        QCOMPARE(ends.lastStatus(), 1);
        QCOMPARE(readAll(ini), storedSettings);
        QCOMPARE(dialogs.asked().size(), 1);
        const Dialogs::Request &box = dialogs.asked().first();
        QCOMPARE(box.icon, Dialogs::Icon::Critical);
        QCOMPARE(box.title, QStringLiteral("Fehler beim Schreiben der Ini-Datei"));
        QVERIFY2(box.text.contains(IniPfad) && box.text.contains(QStringLiteral("nicht genug Platz")),
                 qPrintable(box.text));
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
            QSKIP(qPrintable(QStringLiteral("no small file system for the full disk: ") + fs.why));
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
        QVERIFY2(box.text.contains(QDir::toNativeSeparators(ini)) &&
                     box.text.contains(QStringLiteral("nicht genug Platz")),
                 qPrintable(box.text));
        if (freePages == 0) {
            QVERIFY(!w);
            QCOMPARE(ends.calls(), 1);
            QCOMPARE(ends.lastStatus(), 1);
            QCOMPARE(box.title, QStringLiteral("Fehler beim Anlegen der Ini-Datei"));
            QCOMPARE(entries(fs.dir.path()), QStringList({QStringLiteral("filler")}));
            return;
        }
        QVERIFY(w);
        QCOMPARE(ends.calls(), 0);
        QCOMPARE(box.title, QStringLiteral("Fehler beim Schreiben der Ini-Datei"));
        QCOMPARE(entries(fs.dir.path()),
                 QStringList({QStringLiteral("filler"), QStringLiteral("SENVARO.INI")}));
        const QString header = QString::fromLatin1(readAll(ini));
        QVERIFY(header.startsWith(QStringLiteral("Diese Ini-Datei wurde am ")));
        QVERIFY(header.endsWith(QStringLiteral("automatisch generiert.\r\n\r\n")));
    }

    // Something stands at the settings file's path that cannot be read. At start a
    // German box names the file and the reason and the window shows the defaults; at
    // ENDE a box says nothing was saved, the status is 1 and the path is untouched.
    void unreadableSettingsFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("a folder") << "folder"
                                  << "Ordner";
        QTest::newRow("a dangling link") << "link"
                                         << "verweist auf";
        QTest::newRow("no read permission") << "unreadable"
                                            << "Leseberechtigung";
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
            QVERIFY(writeAll(ini, storedSettings));
            QVERIFY(QFile::setPermissions(ini, QFile::WriteOwner));
            QFile probe(ini);
            if (probe.open(QIODevice::ReadOnly))
                QSKIP("this account reads files without read permission (root): no unreadable file to test");
        }
        const QString before = snapshot(ini);
        ScriptedDialogs dialogs;
        ProcessEndRecorder ends;
        std::unique_ptr<frmMonitor> w(StartStop::Main(dir.filePath(QStringLiteral("senvaro")), QString()));

        QVERIFY(w);
        QCOMPARE(ends.calls(), 0);
        QCOMPARE(dialogs.asked().size(), 1);
        const Dialogs::Request &atStart = dialogs.asked()[0];
        QCOMPARE(atStart.icon, Dialogs::Icon::Critical);
        QCOMPARE(atStart.title, QStringLiteral("Fehler beim Lesen der Ini-Datei"));
        QVERIFY2(atStart.text.contains(IniPfad) && atStart.text.contains(reason), qPrintable(atStart.text));
        QCOMPARE(w->txtIP->text(), QStringLiteral("192.168.0.1"));

        w->CmdEnde->click();

        QCOMPARE(ends.calls(), 1);
        QCOMPARE(ends.lastStatus(), 1);
        QCOMPARE(dialogs.asked().size(), 2);
        const Dialogs::Request &atEnd = dialogs.asked()[1];
        QCOMPARE(atEnd.icon, Dialogs::Icon::Critical);
        QCOMPARE(atEnd.title, QStringLiteral("Fehler beim Schreiben der Ini-Datei"));
        QVERIFY2(atEnd.text.contains(IniPfad) && atEnd.text.contains(reason), qPrintable(atEnd.text));
        QCOMPARE(snapshot(ini), before);
        QCOMPARE(entries(dir.path()), QStringList({QStringLiteral("SENVARO.INI")}));
    }
};

QTEST_MAIN(TestDiskFull)
#include "tst_diskfull.moc"
