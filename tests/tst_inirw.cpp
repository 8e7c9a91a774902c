#include <QtTest>

#include "config/inirw.h"
#include "testsupport.h"

using namespace INIRW;

namespace {
QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}
} // namespace

class tst_inirw : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
    QString path(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }

private slots:
    // Must run first: the layer stays registered for the rest of the process.
    void accessBeforeRegistrationIsReported()
    {
        ScriptedDialogs dialogs;
        QCOMPARE(GetPrivateIniInt(QStringLiteral("x"), 7), qint16(0));
        QCOMPARE(GetPrivateIniString(QStringLiteral("x"), QStringLiteral("d")), QString());
        QCOMPARE(PutPrivateIniString(QStringLiteral("x"), QStringLiteral("1")), qint16(0));
        QCOMPARE(dialogs.asked().size(), 3);
        const Dialogs::Request &r = dialogs.asked().first();
        QCOMPARE(r.title, QStringLiteral("IniFile Logic Error"));
        QCOMPARE(r.text, QStringLiteral("[Section] and FileName Not Registered in Private.Ini!"));
        QCOMPARE(r.buttons, Dialogs::Buttons::Ok);
        QCOMPARE(r.icon, Dialogs::Icon::Critical);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 0);
    }

    void readsLikeThePlatform()
    {
        const QString p = path("read.ini");
        writeAll(p, "Diese Ini-Datei wurde am 05.12.2026 von \r\n'x.exe' automatisch generiert.\r\n\r\n"
                    "Key=preamble\n[ user ]\r\n  NAME  =  Hans Wurst  \n; Passwort=comment\nempty=\r\n"
                    "long=" +
                        QByteArray(300, 'x') +
                        "\r\nbig=40000\nneg=-15\nmixed=12abc\nword=abc\n"
                        "wrap=65536\nplus=+7\nname=second\n[Other]\nname=other\xe4\r\n");
        RegisterPrivateIni(QStringLiteral("  USER "), QStringLiteral(" ") + p + QStringLiteral("  "));
        auto s = [](const char *k) {
            return GetPrivateIniString(QString::fromLatin1(k), QStringLiteral("(kein Eintrag)"));
        };
        auto i = [](const char *k) { return GetPrivateIniInt(QString::fromLatin1(k), 99); };
        QCOMPARE(s("name"), QStringLiteral("Hans Wurst")); // first of two, case and blanks ignored
        QCOMPARE(s("Passwort"), QStringLiteral("(kein Eintrag)"));
        QCOMPARE(s("empty"), QString());
        QCOMPARE(s("long"), QString(254, QChar('x')));
        QCOMPARE(s("Key"), QStringLiteral("(kein Eintrag)")); // preamble lines belong to no section
        QCOMPARE(i("big"), qint16(-25536));
        QCOMPARE(i("neg"), qint16(-15));
        QCOMPARE(i("mixed"), qint16(12));
        QCOMPARE(i("word"), qint16(0));
        QCOMPARE(i("wrap"), qint16(0));
        QCOMPARE(i("plus"), qint16(7));
        QCOMPARE(i("empty"), qint16(99));
        QCOMPARE(i("missing"), qint16(99));
        RegisterPrivateIni(QStringLiteral("other"), p);
        QCOMPARE(s("NAME"), QString::fromLatin1("other\xe4"));
        RegisterPrivateIni(QStringLiteral("User"), path("none.ini"));
        QCOMPARE(s("name"), QStringLiteral("(kein Eintrag)"));
        QVERIFY(!QFile::exists(path("none.ini")));
    }

    // Only the written line changes; new keys go after the section's last key, new
    // sections at the end, all with CR LF; removal takes out exactly one line.
    void writesLeaveOtherLinesAlone()
    {
        const QString p = path("write.ini");
        writeAll(p, "header line\n\n[A]\nx = old ; note\n; comment\ny=1\n\n[B]\nz=2");
        RegisterPrivateIni(QStringLiteral("a"), p);
        QCOMPARE(PutPrivateIniString(QStringLiteral("X"), QStringLiteral("new")), qint16(1));
        PutPrivateIniInt(QStringLiteral("n"), -15);
        PutPrivateIniString(QStringLiteral("y"), std::nullopt);
        PutPrivateIniString(QStringLiteral("gone"), std::nullopt);
        RegisterPrivateIni(QStringLiteral("B"), p);
        PutPrivateIniString(QStringLiteral("w"), QStringLiteral("v\r\n[Evil]\r\nq=1"));
        RegisterPrivateIni(QStringLiteral("C"), p);
        PutPrivateIniString(QStringLiteral("k"), QString());
        QCOMPARE(readAll(p), QByteArray("header line\n\n[A]\nx =new\n; comment\nn=-15\r\n\n[B]\nz=2\r\n"
                                        "w=v  [Evil]  q=1\r\n[C]\r\nk=\r\n"));
        RegisterPrivateIni(QStringLiteral("Evil"), p);
        QCOMPARE(GetPrivateIniString(QStringLiteral("q"), QStringLiteral("-")), QStringLiteral("-"));
    }

    void newFileIsPrivateExistingKeepsPermissions()
    {
        const QString fresh = path("fresh.ini");
        RegisterPrivateIni(QStringLiteral("S"), fresh);
        QCOMPARE(PutPrivateIniString(QStringLiteral("k"), QStringLiteral("v")), qint16(1));
        QCOMPARE(readAll(fresh), QByteArray("[S]\r\nk=v\r\n"));
        QCOMPARE(QFile(fresh).permissions() & 0xF077, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        const QString shared = path("shared.ini");
        writeAll(shared, "[S]\r\n");
        const auto perms = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                           QFileDevice::ReadOther;
        QFile::setPermissions(shared, perms);
        RegisterPrivateIni(QStringLiteral("S"), shared);
        PutPrivateIniString(QStringLiteral("k"), QStringLiteral("v"));
        QCOMPARE(QFile(shared).permissions() & 0xF077, perms);
        RegisterPrivateIni(QStringLiteral("S"), dir.filePath(QStringLiteral("no/such/folder.ini")));
        QCOMPARE(PutPrivateIniString(QStringLiteral("k"), QStringLiteral("v")), qint16(0));
    }

    // Inside a group the file is read once and written once, at the end.
    void groupWritesOnceAtTheEnd()
    {
        const QString p = path("group.ini");
        writeAll(p, "[S]\r\nk=0\r\n");
        {
            Group group;
            RegisterPrivateIni(QStringLiteral("S"), p);
            for (int i = 0; i < 2000; ++i)
                PutPrivateIniInt(QStringLiteral("k") + QString::number(i), qint16(i));
            QCOMPARE(GetPrivateIniInt(QStringLiteral("k1999"), 0), qint16(1999)); // sees its own writes
            writeAll(p, "[S]\r\nk=changed behind its back\r\n");
            QCOMPARE(GetPrivateIniString(QStringLiteral("k"), QString()), QStringLiteral("0"));
            QString error;
            QVERIFY(group.finish(&error));
        }
        RegisterPrivateIni(QStringLiteral("S"), p);
        QCOMPARE(GetPrivateIniInt(QStringLiteral("k1999"), 0), qint16(1999));
        QCOMPARE(readAll(p).count("\r\n"), 2002);

        Group failing;
        RegisterPrivateIni(QStringLiteral("S"), dir.filePath(QStringLiteral("missing/x.ini")));
        PutPrivateIniInt(QStringLiteral("k"), 1);
        QString error;
        QVERIFY(!failing.finish(&error));
        QVERIFY2(error.contains(QStringLiteral("Datei")), qPrintable(error));
    }
};

QTEST_MAIN(tst_inirw)
#include "tst_inirw.moc"
