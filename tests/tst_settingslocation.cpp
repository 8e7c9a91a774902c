// Where a copy keeps its settings file: beside the executable, or for an installed copy in
// the user's configuration folder; and the first start that creates it there.
#include <QtTest>
#include <QtWidgets>

#include "app/globals.h"
#include "app/startstop.h"
#include "config/settingslocation.h"
#include "testsupport.h"
#include "ui/frmMonitor.h"

namespace {

// A temporary prefix laid out like an installation (bin/, share/applications/) or like a
// plain folder, with HOME and XDG_CONFIG_HOME pointing into it. The environment is
// restored on destruction.
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
    QString exe() const { return path(QStringLiteral("usr/bin/senvaro")); }
    bool write(const QString &relative, const QByteArray &bytes) const
    {
        QDir(dir.path()).mkpath(QFileInfo(path(relative)).path());
        QFile f(path(relative));
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    }
};

} // namespace

class TestSettingsLocation : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        MACs = QVector<tMAC>(2);
        IniPfad.clear();
    }
    void rule_data();
    void rule();
    void firstStart_data();
    void firstStart();
    void configFolderCannotBeCreated();
};

void TestSettingsLocation::rule_data()
{
    QTest::addColumn<bool>("installed");   // the desktop entry lies at ../share/applications/
    QTest::addColumn<QString>("beside");   // what lies beside the executable as SENVARO.INI
    QTest::addColumn<QString>("xdg");      // XDG_CONFIG_HOME, <tmp> = the layout's folder
    QTest::addColumn<QString>("expected"); // the folder, relative to the layout
    QTest::addColumn<bool>("userConfig");
    const auto row = [](const char *name, bool installed, const char *beside, const char *xdg,
                        const char *expected, bool userConfig) {
        QTest::newRow(name) << installed << QString::fromLatin1(beside) << QString::fromLatin1(xdg)
                            << QString::fromLatin1(expected) << userConfig;
    };
    row("plain copy", false, "", "<tmp>/cfg", "usr/bin", false);
    row("plain copy with its file", false, "file", "<tmp>/cfg", "usr/bin", false);
    row("installed, portable file beside", true, "file", "<tmp>/cfg", "usr/bin", false);
    row("installed, XDG_CONFIG_HOME", true, "", "<tmp>/cfg", "cfg/senvaro", true);
    row("installed, XDG_CONFIG_HOME unset", true, "", "<unset>", "home/.config/senvaro", true);
    row("installed, XDG_CONFIG_HOME empty", true, "", "", "home/.config/senvaro", true);
    row("installed, XDG_CONFIG_HOME relative", true, "", "cfg", "home/.config/senvaro", true);
    row("installed, a folder of the file's name", true, "folder", "<tmp>/cfg", "cfg/senvaro", true);
}

void TestSettingsLocation::rule()
{
    QFETCH(bool, installed);
    QFETCH(QString, beside);
    QFETCH(QString, xdg);
    QFETCH(QString, expected);
    QFETCH(bool, userConfig);
    Layout layout(installed, xdg);
    if (beside == QLatin1String("file"))
        QVERIFY(layout.write(QStringLiteral("usr/bin/SENVARO.INI"), "[Server]\r\n"));
    else if (beside == QLatin1String("folder"))
        QVERIFY(QDir(layout.dir.path()).mkpath(QStringLiteral("usr/bin/SENVARO.INI")));
    const SettingsLocation location = fSettingsLocation(layout.exe(), QStringLiteral("SENVARO.INI"));
    QCOMPARE(location.folder, QDir::toNativeSeparators(layout.path(expected)));
    QCOMPARE(location.userConfig, userConfig);
}

void TestSettingsLocation::firstStart_data()
{
    QTest::addColumn<bool>("installed");
    QTest::addColumn<bool>("yes"); // the answer to the first-start question
    QTest::addColumn<QString>("folder");
    QTest::newRow("installed, yes") << true << true << "cfg/senvaro";
    QTest::newRow("installed, no") << true << false << "cfg/senvaro";
    QTest::newRow("plain copy, yes") << false << true << "usr/bin";
}

// The question names the folder that will be used; Yes creates the folder (owner only) and
// the file there, and the window comes up with that path; No leaves no trace at all.
void TestSettingsLocation::firstStart()
{
    QFETCH(bool, installed);
    QFETCH(bool, yes);
    QFETCH(QString, folder);
    Layout layout(installed, QStringLiteral("<tmp>/cfg"));
    ScriptedDialogs dialogs;
    ProcessEndRecorder ends;
    dialogs.answer(yes ? Dialogs::Answer::Yes : Dialogs::Answer::No);
    std::unique_ptr<frmMonitor> w(StartStop::Main(layout.exe(), QString()));
    const QString ini = layout.path(folder + QStringLiteral("/SENVARO.INI"));
    QCOMPARE(dialogs.asked().size(), 1);
    QVERIFY2(dialogs.asked()[0].text.contains(QStringLiteral("\r\n") +
                                              QDir::toNativeSeparators(layout.path(folder)) +
                                              QStringLiteral("\r\n")),
             qPrintable(dialogs.asked()[0].text));
    QCOMPARE(bool(w), yes);
    QCOMPARE(QFileInfo::exists(ini), yes);
    QCOMPARE(QFileInfo::exists(layout.path(QStringLiteral("cfg"))), installed && yes);
    if (!yes) {
        QCOMPARE(ends.lastStatus(), 0);
        return;
    }
    QCOMPARE(ends.calls(), 0);
    QCOMPARE(IniPfad, QDir::toNativeSeparators(ini));
    QVERIFY(QFile(ini).size() > 100); // header and every section
    const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                            QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                            QFileDevice::WriteOther | QFileDevice::ExeOther;
    QCOMPARE(QFile::permissions(ini) & others, QFileDevice::Permissions());
    if (installed) {
        QCOMPARE(QFile::permissions(layout.path(folder)) & others, QFileDevice::Permissions());
        QVERIFY(!QFileInfo::exists(layout.path(QStringLiteral("usr/bin/SENVARO.INI"))));
    }
}

// A configuration folder that cannot exist (a plain file stands in its way): the German
// message names the path and the program ends with a failure status.
void TestSettingsLocation::configFolderCannotBeCreated()
{
    Layout layout(true, QStringLiteral("<tmp>/blocked"));
    QVERIFY(layout.write(QStringLiteral("blocked"), "not a folder"));
    ScriptedDialogs dialogs;
    ProcessEndRecorder ends;
    dialogs.answer(Dialogs::Answer::Yes);
    QVERIFY(!StartStop::Main(layout.exe(), QString()));
    QCOMPARE(ends.calls(), 1);
    QCOMPARE(ends.lastStatus(), 1);
    QCOMPARE(dialogs.asked().size(), 2);
    QCOMPARE(dialogs.asked()[1].icon, Dialogs::Icon::Critical);
    QVERIFY(dialogs.asked()[1].text.contains(
        QDir::toNativeSeparators(layout.path(QStringLiteral("blocked/senvaro/SENVARO.INI")))));
}

QTEST_MAIN(TestSettingsLocation)
#include "tst_settingslocation.moc"
