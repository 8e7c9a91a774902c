// The start: the settings file's name and folder (beside the executable, or for an installed
// copy in the user's configuration folder) and the first start that creates it.
#include <QtTest>
#include <QtWidgets>

#include "app/globals.h"
#include "app/startstop.h"
#include "config/filename.h"
#include "config/settingslocation.h"
#include "testsupport.h"
#include "ui/frmMonitor.h"

namespace {

// A temporary prefix laid out like an installation (bin/, share/applications/) or like a
// plain folder, with HOME and XDG_CONFIG_HOME pointing into it until destruction.
struct Layout
{
    QTemporaryDir dir;
    QByteArray oldHome = qgetenv("HOME");
    QByteArray oldXdg = qgetenv("XDG_CONFIG_HOME");
    bool hadXdg = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");

    Layout(bool installed, const QString &xdg)
    {
        QDir(dir.path()).mkpath(QStringLiteral("usr/bin"));
        QDir(dir.path()).mkpath(QStringLiteral("home"));
        if (installed)
            write(QStringLiteral("usr/share/applications/") + fDesktopEntryName(), "[Desktop Entry]\n");
        qputenv("HOME", path(QStringLiteral("home")).toLocal8Bit());
        if (xdg == QLatin1String("<unset>"))
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME",
                    QString(xdg).replace(QStringLiteral("<tmp>"), dir.path()).toLocal8Bit());
    }
    ~Layout()
    {
        qputenv("HOME", oldHome);
        if (hadXdg)
            qputenv("XDG_CONFIG_HOME", oldXdg);
        else
            qunsetenv("XDG_CONFIG_HOME");
    }
    QString path(const QString &relative) const { return QDir::cleanPath(dir.filePath(relative)); }
    QString exe() const { return path(QStringLiteral("usr/bin/Senvaro.exe")); }
    bool write(const QString &relative, const QByteArray &bytes) const
    {
        QDir(dir.path()).mkpath(QFileInfo(path(relative)).path());
        return writeFile(path(relative), bytes);
    }
};

const QFileDevice::Permissions notOwner = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                          QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                          QFileDevice::WriteOther | QFileDevice::ExeOther;

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
        QTest::newRow("windows path") << "C:\\Programme\\senvaro.exe" << true << "SENVARO";
        QTest::newRow("several dots") << "D:\\x\\net.tool.exe" << true << "NET";
        QTest::newRow("uncut keeps dots") << "D:\\x\\net.tool.exe" << false << "NET.TOOL.EXE";
        QTest::newRow("drive prefix") << "C:senvaro.exe" << true << "SENVARO";
        QTest::newRow("colon elsewhere") << "ab:c.exe" << true << "AB:C";
        QTest::newRow("unix path") << "/opt/senvaro/senvaro" << true << "SENVARO";
        QTest::newRow("bare name") << "senvaro" << true << "SENVARO";
        QTest::newRow("trailing separator") << "C:\\dir\\" << true << "";
        QTest::newRow("dot first") << "/x/.hidden" << true << "";
    }
    void fileNameRules()
    {
        QFETCH(QString, path);
        QFETCH(bool, cut);
        QTEST(fFileName(path, cut), "expected");
    }

    // The common cases run end to end through the installed program in install_test.sh.
    void location_data()
    {
        QTest::addColumn<bool>("installed");   // the desktop entry lies at ../share/applications/
        QTest::addColumn<QString>("beside");   // what lies beside the executable as SENVARO.INI
        QTest::addColumn<QString>("xdg");      // XDG_CONFIG_HOME, <tmp> = the layout's folder
        QTest::addColumn<QString>("expected"); // the folder, relative to the layout
        const auto row = [](const char *name, bool installed, const char *beside, const char *xdg,
                            const char *expected) {
            QTest::newRow(name) << installed << QString::fromLatin1(beside) << QString::fromLatin1(xdg)
                                << QString::fromLatin1(expected);
        };
        row("plain copy with its file", false, "file", "<tmp>/cfg", "usr/bin");
        row("installed, XDG_CONFIG_HOME empty", true, "", "", "home/.config/senvaro");
        row("installed, XDG_CONFIG_HOME relative", true, "", "cfg", "home/.config/senvaro");
        row("installed, a folder of the file's name", true, "folder", "<tmp>/cfg", "cfg/senvaro");
    }
    void location()
    {
        QFETCH(bool, installed);
        QFETCH(QString, beside);
        QFETCH(QString, xdg);
        QFETCH(QString, expected);
        Layout layout(installed, xdg);
        if (beside == QLatin1String("file"))
            QVERIFY(layout.write(QStringLiteral("usr/bin/SENVARO.INI"), "[Server]\r\n"));
        else if (beside == QLatin1String("folder"))
            QVERIFY(QDir(layout.dir.path()).mkpath(QStringLiteral("usr/bin/SENVARO.INI")));
        const SettingsLocation location = fSettingsLocation(layout.exe(), QStringLiteral("SENVARO.INI"));
        QCOMPARE(location.folder, QDir::toNativeSeparators(layout.path(expected)));
        QCOMPARE(location.userConfig, expected != QLatin1String("usr/bin"));
    }

    // The question names the folder that will be used. Yes creates the folder (owner only) and
    // the file with its header there, and the window comes up with that path; No leaves no trace
    // and ends with 0.
    void firstStart_data()
    {
        QTest::addColumn<bool>("installed");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("folder");
        QTest::newRow("installed, yes") << true << true << "cfg/senvaro";
        QTest::newRow("installed, no") << true << false << "cfg/senvaro";
        QTest::newRow("plain copy, yes") << false << true << "usr/bin";
        QTest::newRow("plain copy, no") << false << false << "usr/bin";
    }
    void firstStart()
    {
        QFETCH(bool, installed);
        QFETCH(bool, yes);
        QFETCH(QString, folder);
        Layout layout(installed, QStringLiteral("<tmp>/cfg"));
        ScriptedDialogs dialogs;
        ProcessEndRecorder ends;
        dialogs.answer(yes ? Dialogs::Answer::Yes : Dialogs::Answer::No);
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const QString today = QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"));
        std::unique_ptr<frmMonitor> w(StartStop::Main(layout.exe(), QString()));
        QLocale::setDefault(QLocale::c());
        const QString ini = layout.path(folder + QStringLiteral("/SENVARO.INI"));
        QCOMPARE(dialogs.asked().size(), 1);
        const Dialogs::Request &q = dialogs.asked().first();
        QVERIFY(q.buttons == Dialogs::Buttons::YesNo && q.icon == Dialogs::Icon::None);
        QCOMPARE(q.title, QStringLiteral("Fehler beim Lesen der Ini-Datei"));
        QCOMPARE(q.text, QStringLiteral("Die Ini-Datei 'SENVARO.INI' konnte im Programmverzeichnis\r\n") +
                             QDir::toNativeSeparators(layout.path(folder)) +
                             QStringLiteral("\r\nnicht gefunden werden.\r\n\r\nSoll automatisch eine neue "
                                            "Ini-Datei angelegt werden ?"));
        QCOMPARE(bool(w), yes);
        QCOMPARE(QFileInfo::exists(ini), yes);
        QCOMPARE(QFileInfo::exists(layout.path(QStringLiteral("cfg"))), installed && yes);
        if (!yes) {
            QVERIFY(ends.calls() == 1 && ends.lastStatus() == 0);
            return;
        }
        QCOMPARE(ends.calls(), 0);
        QVERIFY(w->isVisible() && !w->isUnloaded());
        QCOMPARE(IniPfad, QDir::toNativeSeparators(ini));
        const QStringList lines = QString::fromLatin1(readFile(ini)).split(QStringLiteral("\r\n"));
        QCOMPARE(lines.mid(0, 3), QStringList({"Diese Ini-Datei wurde am " + today + " von ",
                                               "'Senvaro.exe' automatisch generiert.", ""}));
        QVERIFY(lines.size() > 10); // and every section
        QCOMPARE(QFile::permissions(ini) & notOwner, QFileDevice::Permissions());
        if (installed) {
            QCOMPARE(QFile::permissions(layout.path(folder)) & notOwner, QFileDevice::Permissions());
            QVERIFY(!QFileInfo::exists(layout.path(QStringLiteral("usr/bin/SENVARO.INI"))));
        }
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
        QTest::newRow("plain copy in a missing folder") << "gone/senvaro"
                                                        << "gone/SENVARO.INI";
        QTest::newRow("configuration folder blocked") << "usr/bin/senvaro"
                                                      << "blocked/senvaro/SENVARO.INI";
    }
    void cannotCreateSettingsFile()
    {
        QFETCH(QString, exe);
        QFETCH(QString, ini);
        Layout layout(true, QStringLiteral("<tmp>/blocked"));
        QVERIFY(layout.write(QStringLiteral("blocked"), "not a folder"));
        ScriptedDialogs dialogs;
        ProcessEndRecorder ends;
        dialogs.answer(Dialogs::Answer::Yes);
        QVERIFY(!StartStop::Main(layout.path(exe), QString()));
        QVERIFY(ends.calls() == 1 && ends.lastStatus() == 1);
        QCOMPARE(dialogs.asked().size(), 2);
        QCOMPARE(dialogs.asked()[1].icon, Dialogs::Icon::Critical);
        QVERIFY2(dialogs.asked()[1].text.contains(QDir::toNativeSeparators(layout.path(ini))),
                 qPrintable(dialogs.asked()[1].text));
        QVERIFY(!QFileInfo::exists(layout.path(QStringLiteral("gone"))));
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
