#include <QtTest>

#include "config/inirw.h"
#include "testsupport.h"

using namespace INIRW;

class TestIniRw : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
    QString path(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }
    static QString str(const char *k) { return GetPrivateIniString(QLatin1String(k), "-"); }
    static int num(const char *k) { return GetPrivateIniInt(QLatin1String(k), 99); }
    static int put(const char *k, const char *v) { return PutPrivateIniString(QLatin1String(k), v); }

private slots:
    // Must run first: the layer stays registered for the rest of the process.
    void accessBeforeRegistrationIsReported()
    {
        ScriptedDialogs dialogs;
        QCOMPARE((QList<int>{num("x"), put("x", "1"), int(str("x").size())}), (QList<int>{0, 0, 0}));
        QCOMPARE(dialogs.asked().size(), 3);
        const Dialogs::Request &r = dialogs.asked().first();
        QCOMPARE(r.title, QStringLiteral("IniFile Logic Error"));
        QCOMPARE(r.text, QStringLiteral("[Section] and FileName Not Registered in Private.Ini!"));
        QVERIFY(r.buttons == Dialogs::Buttons::Ok && r.icon == Dialogs::Icon::Critical);
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
};

QTEST_MAIN(TestIniRw)
#include "tst_inirw.moc"
