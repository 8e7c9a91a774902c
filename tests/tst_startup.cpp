// The start: the settings file's name and folder, and the first start that creates it.
#include <QtTest>
#include <QtWidgets>

#include "app/globals.h"
#include "app/startstop.h"
#include "config/filename.h"
#include "config/settingslocation.h"
#include "testsupport.h"
#include "ui/frmMonitor.h"

namespace {

// A prefix laid out like an installation or a plain folder, with HOME and XDG_CONFIG_HOME into it.
struct Layout
{
    QTemporaryDir dir;
    const QByteArray oldHome = qgetenv("HOME"), oldXdg = qgetenv("XDG_CONFIG_HOME");
    const bool hadXdg = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");

    Layout(bool installed, const QString &xdg)
    {
        QDir(dir.path()).mkpath(QStringLiteral("usr/bin"));
        QDir(dir.path()).mkpath(QStringLiteral("usr/share/applications"));
        if (installed)
            writeFile(path(QStringLiteral("usr/share/applications/") + fDesktopEntryName()),
                      "[Desktop Entry]\n");
        qputenv("HOME", path(QStringLiteral("home")).toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", QString(xdg).replace(QStringLiteral("<tmp>"), dir.path()).toLocal8Bit());
    }
    ~Layout()
    {
        qputenv("HOME", oldHome);
        hadXdg ? qputenv("XDG_CONFIG_HOME", oldXdg) : qunsetenv("XDG_CONFIG_HOME");
    }
    QString path(const QString &relative) const { return QDir::cleanPath(dir.filePath(relative)); }
};

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        MACs = QVector<tMAC>(2);
        IniPfad.clear();
    }

    void fileNameRules_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("cut");
        QTest::addColumn<QString>("expected");
        QTest::newRow("several dots") << "D:\\x\\net.tool.exe" << true << "NET";
        QTest::newRow("uncut keeps dots") << "D:\\x\\net.tool.exe" << false << "NET.TOOL.EXE";
        QTest::newRow("drive prefix") << "C:senvaro.exe" << true << "SENVARO";
        QTest::newRow("colon elsewhere") << "ab:c.exe" << true << "AB:C";
        QTest::newRow("unix path") << "/opt/senvaro/senvaro" << true << "SENVARO";
        QTest::newRow("trailing separator") << "C:\\dir\\" << true << "";
        QTest::newRow("dot first") << "/x/.hidden" << true << "";
    }
    void fileNameRules()
    {
        QFETCH(QString, path);
        QFETCH(bool, cut);
        QTEST(fFileName(path, cut), "expected");
    }

    // The question names the folder used: beside the executable, or for an installed copy (even with
    // a folder of the file's name beside it) the user's configuration folder. Yes creates it, owner
    // only, with the file; No leaves no trace, status 0. install_test.sh runs the common cases.
    void firstStart_data()
    {
        QTest::addColumn<bool>("installed"); // the desktop entry lies at ../share/applications/
        QTest::addColumn<QString>("xdg");    // XDG_CONFIG_HOME, <tmp> = the layout's folder
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("folder"); // relative to the layout
        QTest::newRow("installed, yes") << true << "<tmp>/cfg" << true << "cfg/senvaro";
        QTest::newRow("installed, no") << true << "<tmp>/cfg" << false << "cfg/senvaro";
        QTest::newRow("installed, XDG_CONFIG_HOME empty") << true << "" << true << "home/.config/senvaro";
        QTest::newRow("installed, XDG_CONFIG_HOME relative")
            << true << "cfg" << false << "home/.config/senvaro";
        QTest::newRow("plain copy, yes") << false << "<tmp>/cfg" << true << "usr/bin";
        QTest::newRow("plain copy, no") << false << "<tmp>/cfg" << false << "usr/bin";
    }
    void firstStart()
    {
        QFETCH(bool, installed);
        QFETCH(QString, xdg);
        QFETCH(bool, yes);
        QFETCH(QString, folder);
        Layout layout(installed, xdg);
        if (installed)
            QVERIFY(QDir(layout.dir.path()).mkpath(QStringLiteral("usr/bin/SENVARO.INI")));
        ScriptedDialogs dialogs;
        ProcessEndRecorder ends;
        dialogs.answer(yes ? Dialogs::Answer::Yes : Dialogs::Answer::No);
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const QString today = QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"));
        std::unique_ptr<frmMonitor> w(
            StartStop::Main(layout.path(QStringLiteral("usr/bin/Senvaro.exe")), QString()));
        QLocale::setDefault(QLocale::c());
        const QString ini = layout.path(folder + QStringLiteral("/SENVARO.INI"));
        QCOMPARE(dialogs.asked().size(), 1);
        const Dialogs::Request &q = dialogs.asked().first();
        QVERIFY(q.buttons == Dialogs::Buttons::YesNo && q.icon == Dialogs::Icon::None &&
                q.title == QStringLiteral("Fehler beim Lesen der Ini-Datei"));
        QCOMPARE(
            q.text,
            "Die Ini-Datei 'SENVARO.INI' konnte im Programmverzeichnis\r\n" +
                QDir::toNativeSeparators(layout.path(folder)) +
                "\r\nnicht gefunden werden.\r\n\r\nSoll automatisch eine neue Ini-Datei angelegt werden ?");
        QCOMPARE(bool(w), yes);
        QCOMPARE(QFileInfo::exists(layout.path(folder)), yes || !installed);
        QCOMPARE(ends.lastStatus(), yes ? -1 : 0); // -1: the program goes on
        if (!yes)
            return;
        QCOMPARE(IniPfad, QDir::toNativeSeparators(ini));
        const QStringList lines = QString::fromLatin1(readFile(ini)).split(QStringLiteral("\r\n"));
        QCOMPARE(lines.mid(0, 3), QStringList({"Diese Ini-Datei wurde am " + today + " von ",
                                               "'Senvaro.exe' automatisch generiert.", ""}));
        QVERIFY(lines.size() > 10);                       // and every section
        QCOMPARE(int(QFile::permissions(ini) & 0x77), 0); // owner only
        if (installed)                                    // a plain copy's folder is its owner's business
            QCOMPARE(int(QFile::permissions(layout.path(folder)) & 0x77), 0);
    }

    // At the file-system root no second separator is added.
    void folderAtRootKeepsOneSeparator()
    {
        ScriptedDialogs dialogs;
        ProcessEndRecorder ends;
        QVERIFY(!StartStop::Main(QStringLiteral("/senvaro-test-nonexistent.x.y"), QString()));
        QVERIFY(dialogs.asked().first().text.contains(
            QStringLiteral("'SENVARO-TEST-NONEXISTENT.INI' konnte im Programmverzeichnis\r\n/\r\n")));
    }

    // A folder that cannot be created (missing, or a plain file in its way): a German message
    // names the path, status 1, nothing left behind.
    void cannotCreateSettingsFile_data()
    {
        QTest::addColumn<QString>("exe"); // relative to an installed layout
        QTest::addColumn<QString>("ini");
        QTest::newRow("missing folder") << QStringLiteral("gone/senvaro") << "gone/SENVARO.INI";
        QTest::newRow("config folder blocked")
            << QStringLiteral("usr/bin/senvaro") << "blocked/senvaro/SENVARO.INI";
    }
    void cannotCreateSettingsFile()
    {
        QFETCH(QString, exe);
        QFETCH(QString, ini);
        Layout layout(true, QStringLiteral("<tmp>/blocked"));
        QVERIFY(writeFile(layout.path(QStringLiteral("blocked")), "not a folder"));
        ScriptedDialogs dialogs;
        ProcessEndRecorder ends;
        dialogs.answer(Dialogs::Answer::Yes);
        QVERIFY(!StartStop::Main(layout.path(exe), QString()));
        QVERIFY(ends.calls() == 1 && ends.lastStatus() == 1 && dialogs.asked().size() == 2);
        const Dialogs::Request &box = dialogs.asked()[1];
        QVERIFY2(box.icon == Dialogs::Icon::Critical &&
                     box.text.contains(QDir::toNativeSeparators(layout.path(ini))),
                 qPrintable(box.text));
        QVERIFY(!QFileInfo::exists(layout.path(QStringLiteral("gone"))));
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
