#include <QtTest>
#include <QtWidgets>

#include "app/globals.h"
#include "app/processend.h"
#include "app/startstop.h"
#include "config/filename.h"
#include "testsupport.h"
#include "ui/frmMonitor.h"

namespace {

QStringList fileLines(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(f.readAll()).split(QStringLiteral("\r\n"));
}

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
        QFETCH(QString, expected);
        QCOMPARE(fFileName(path, cut), expected);
    }

    // First start, answer No: nothing written, no window, the process ends with 0.
    void firstStartNo()
    {
        QTemporaryDir dir;
        ScriptedDialogs dialogs;
        ProcessEndRecorder ends;
        dialogs.answer(Dialogs::Answer::No);
        frmMonitor *w = StartStop::Main(dir.filePath(QStringLiteral("senvaro")), QString());
        QVERIFY(!w);
        QCOMPARE(ends.calls(), 1);
        QCOMPARE(ends.lastStatus(), 0);
        QVERIFY(QDir(dir.path()).entryList(QDir::Files).isEmpty());
        QCOMPARE(dialogs.asked().size(), 1);
        const Dialogs::Request &q = dialogs.asked().first();
        QCOMPARE(q.buttons, Dialogs::Buttons::YesNo);
        QCOMPARE(q.icon, Dialogs::Icon::None);
        QCOMPARE(q.title, QStringLiteral("Fehler beim Lesen der Ini-Datei"));
        QCOMPARE(q.text, QStringLiteral("Die Ini-Datei 'SENVARO.INI' konnte im Programmverzeichnis\r\n") +
                             QDir::toNativeSeparators(dir.path()) +
                             QStringLiteral("\r\nnicht gefunden werden.\r\n\r\nSoll automatisch eine neue "
                                            "Ini-Datei angelegt werden ?"));
    }

    // At the file-system root no second separator is added, and the question names it.
    void folderAtRootKeepsOneSeparator()
    {
        ScriptedDialogs dialogs;
        ProcessEndRecorder ends;
        dialogs.answer(Dialogs::Answer::No);
        QVERIFY(!StartStop::Main(QStringLiteral("/senvaro-test-nonexistent.x.y"), QString()));
        QVERIFY(dialogs.asked().first().text.contains(
            QStringLiteral("'SENVARO-TEST-NONEXISTENT.INI' konnte im Programmverzeichnis\r\n/\r\n")));
    }

    // First start, answer Yes: header lines exactly, name case kept in the header, the
    // file readable by its owner only, and the window comes up with the file's path.
    void firstStartYes()
    {
        QTemporaryDir dir;
        ScriptedDialogs dialogs;
        ProcessEndRecorder ends;
        dialogs.answer(Dialogs::Answer::Yes);
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const QString today = QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"));
        std::unique_ptr<frmMonitor> w(
            StartStop::Main(dir.filePath(QStringLiteral("Senvaro.exe")), QString()));
        QLocale::setDefault(QLocale::c());
        QVERIFY(w);
        QCOMPARE(ends.calls(), 0);
        const QString ini = dir.filePath(QStringLiteral("SENVARO.INI"));
        QCOMPARE(IniPfad,
                 QDir::toNativeSeparators(dir.path()) + QDir::separator() + QStringLiteral("SENVARO.INI"));
        const QStringList lines = fileLines(ini);
        QVERIFY(lines.size() >= 3);
        QCOMPARE(lines[0], QStringLiteral("Diese Ini-Datei wurde am ") + today + QStringLiteral(" von "));
        QCOMPARE(lines[1], QStringLiteral("'Senvaro.exe' automatisch generiert."));
        QCOMPARE(lines[2], QString());
        QCOMPARE(QFile::permissions(ini) &
                     (QFile::ReadOther | QFile::WriteOther | QFile::ReadGroup | QFile::WriteGroup),
                 QFile::Permissions());
        QVERIFY(w->isVisible());
        QVERIFY(!w->isUnloaded());
    }

    // A folder where the file cannot be created: a German message naming the path, a
    // non-zero end, nothing left behind.
    void cannotCreateSettingsFile()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("missing"));
        ScriptedDialogs dialogs;
        ProcessEndRecorder ends;
        dialogs.answer(Dialogs::Answer::Yes);
        QVERIFY(!StartStop::Main(folder + QStringLiteral("/senvaro"), QString()));
        QCOMPARE(ends.calls(), 1);
        QVERIFY(ends.lastStatus() != 0);
        QCOMPARE(dialogs.asked().size(), 2);
        QCOMPARE(dialogs.asked()[1].icon, Dialogs::Icon::Critical);
        QVERIFY(dialogs.asked()[1].text.contains(QDir::toNativeSeparators(folder)));
        QVERIFY(!QFileInfo::exists(folder));
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
