// The INI layer: reading as the format reads, writing that leaves other lines alone, and
// forcing written data onto the disk.

#include <QFile>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QtTest>
#include <clocale>
#include <unistd.h>

#include "config/filesync.h"
#include "config/inirw.h"
#include "logicsupport.h"

using namespace INIRW;

class TestIniFile : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
    QString path(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }
    static QString str(const char *k) { return GetPrivateIniString(QLatin1String(k), "-"); }
    static int num(const char *k) { return GetPrivateIniInt(QLatin1String(k), 99); }
    static int put(const char *k, const char *v) { return PutPrivateIniString(QLatin1String(k), v); }

private slots:
    // Before any registration (the layer stays registered for the rest of the process).
    void initTestCase()
    {
        QStringList reported;
        const INIRW::Reporter previous = INIRW::setReporter(
            [&](const QString &title, const QString &text) { reported << title + '|' + text; });
        QCOMPARE((QList<int>{num("x"), put("x", "1"), int(str("x").size())}), (QList<int>{0, 0, 0}));
        INIRW::setReporter(previous);
        QCOMPARE(reported,
                 QStringList(3, "IniFile Logic Error|[Section] and FileName Not Registered in Private.Ini!"));
    }

    // Case and blanks around names do not count; the first of two equal keys does.
    void readsLikeTheIniFormat()
    {
        const QString p = path("read.ini");
        const QByteArray text =
            "Kopfzeile ohne Gleichheitszeichen \r\n\r\nKey=preamble\n[Other]\nname=other\xe4\r\n"
            "[ user ]\r\n  NAME  =  Hans Wurst  \n; Passwort=comment\nempty=\r\nbig=40000\n"
            "neg=-15\nmix=12abc\nword=abc\nname=second\nlong=";
        QVERIFY(writeFile(p, text + QByteArray(300, 'x')));
        RegisterPrivateIni(QStringLiteral("  USER "), QStringLiteral(" ") + p + QStringLiteral("  "));
        QCOMPARE((QStringList{str("name"), str("Passwort"), str("Key"), str("empty"), str("long")}),
                 (QStringList{"Hans Wurst", "-", "-", "", QString(254, QChar('x'))}));
        QCOMPARE((QList<int>{num("big"), num("neg"), num("mix"), num("word"), num("empty"), num("nix")}),
                 (QList<int>{-25536, -15, 12, 0, 99, 99}));
        RegisterPrivateIni(QStringLiteral("other"), p);
        QCOMPARE(str("NAME"), QString::fromLatin1("other\xe4"));
        RegisterPrivateIni(QStringLiteral("User"), path("none.ini"));
        QCOMPARE(str("name"), QStringLiteral("-"));
        QVERIFY(!QFile::exists(path("none.ini")));
    }

    // Only written lines change, a value cannot add lines; a new file is its owner's only.
    void writesLeaveOtherLinesAlone()
    {
        const QString p = path("write.ini");
        const auto owner = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
        QVERIFY(writeFile(p, "header line\n\n[A]\nx = old ; note\n; comment\ny=1\n\n[B]\nz=2"));
        QFile::setPermissions(p, owner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
        RegisterPrivateIni(QStringLiteral("a"), p);
        QCOMPARE(put("X", "new"), 1);
        PutPrivateIniInt(QStringLiteral("n"), -15);
        PutPrivateIniString(QStringLiteral("y"), std::nullopt);
        PutPrivateIniString(QStringLiteral("gone"), std::nullopt);
        RegisterPrivateIni(QStringLiteral("B"), p);
        put("w", "v\r\n[Evil]\r\nq=1");
        RegisterPrivateIni(QStringLiteral("C"), p);
        put("k", "");
        QCOMPARE(readFile(p), QByteArray("header line\n\n[A]\nx =new\n; comment\nn=-15\r\n\n[B]\nz=2\r\n"
                                         "w=v  [Evil]  q=1\r\n[C]\r\nk=\r\n"));
        QCOMPARE(QFile(p).permissions() & 0xF077, owner | QFileDevice::ReadGroup | QFileDevice::ReadOther);

        RegisterPrivateIni(QStringLiteral("S"), path("fresh.ini"));
        QCOMPARE(put("k", "v"), 1);
        QCOMPARE(readFile(path("fresh.ini")), QByteArray("[S]\r\nk=v\r\n"));
        QCOMPARE(QFile(path("fresh.ini")).permissions() & 0xF077, owner);
        RegisterPrivateIni(QStringLiteral("S"), path("no/such/folder.ini"));
        QCOMPARE(put("k", "v"), 0);
    }

    // Forcing written data onto the disk: a handle without a sync of its own passes, any other
    // failure is reported with the system's reason (in English here).
    void toDisk()
    {
        std::setlocale(LC_MESSAGES, "C");
        QTemporaryFile file;
        int ends[2];
        QVERIFY(file.open() && file.write("x") == 1 && file.flush() && pipe(ends) == 0);
        // a file, a pipe (no sync of its own), no open handle
        for (const auto &[fd, synced, reason] :
             {std::tuple{file.handle(), true, ""}, {ends[1], true, ""}, {-1, false, "Bad file descriptor"}}) {
            QString why;
            QCOMPARE(FileSync::toDisk(fd, &why), synced);
            QCOMPARE(why, QString::fromLatin1(reason));
        }
        close(ends[0]);
        close(ends[1]);
    }
};

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
