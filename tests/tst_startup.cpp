// The start: the settings file's name and folder, the first start that creates it, the command
// line; the end; the settings file on a full disk and when it cannot be read: the old file is
// never lost, and a failed save never passes for success. (One-shot runs of the installed
// program, through the window: install_test.sh.)
#include <QFileInfo>
#include <QtTest>
#include <QtWidgets>

#include "app/globals.h"
#include "app/startstop.h"
#include "apsim.h"
#include "config/filename.h"
#include "config/settingslocation.h"
#include "session/cmdline.h"
#include "testsupport.h"
#include "ui/frmMonitor.h"

#include <cerrno>
#include <cstring>
#include <sched.h>
#include <sys/mount.h>

namespace {

// A prefix laid out like an installation or a plain folder, with HOME and XDG_CONFIG_HOME into it
// (each start sets both afresh).
struct Layout
{
    QTemporaryDir dir;

    Layout(bool installed, const QString &xdg)
    {
        QDir(dir.path()).mkpath(QStringLiteral("usr/share/applications"));
        QDir(dir.path()).mkpath(QStringLiteral("usr/bin"));
        if (installed)
            writeFile(path(QStringLiteral("usr/share/applications/") + fDesktopEntryName()),
                      "[Desktop Entry]\n");
        qputenv("HOME", path(QStringLiteral("home")).toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", QString(xdg).replace(QStringLiteral("<tmp>"), dir.path()).toLocal8Bit());
    }
    QString path(const QString &relative) const { return QDir::cleanPath(dir.filePath(relative)); }
};

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

class TestStartup : public QObject
{
    Q_OBJECT
private slots:
    // The name cut at the first dot; Unix paths are walked by the starts below.
    void fileNameRules()
    {
        const QList<std::pair<QString, QString>> rows{{"C:senvaro.exe", "SENVARO"}, // drive prefix
                                                      {"ab:c.exe", "AB:C"},         // colon elsewhere
                                                      {"C:\\dir\\", ""},            // trailing separator
                                                      {"/x/.hidden", ""},           // dot first
                                                      {"/senvaro.x.y", "SENVARO"}}; // several dots
        for (const auto &[path, expected] : rows)
            QCOMPARE(fFileName(path, true), expected);
    }

    // The question names the folder used: beside the executable, or for an installed copy (even with
    // a folder of the file's name beside it) the user's configuration folder. Yes creates it owner
    // only; No leaves no trace; a folder that cannot be created fails as the file does (status 1).
    void firstStart_data()
    {
        QTest::addColumn<bool>("installed"); // the desktop entry lies at ../share/applications/
        QTest::addColumn<QString>("xdg");    // XDG_CONFIG_HOME, <tmp> = the layout's folder
        QTest::addColumn<int>("status");     // -1: the program goes on; the question is answered No for 0
        QTest::addColumn<QString>("folder"); // relative to the layout
        QTest::newRow("installed, yes") << true << "<tmp>/cfg" << -1 << "cfg/senvaro";
        QTest::newRow("installed, XDG_CONFIG_HOME relative") << true << "cfg" << 0 << "home/.config/senvaro";
        QTest::newRow("installed, folder blocked") << true << "<tmp>/blocked" << 1 << "blocked/senvaro";
        QTest::newRow("plain copy, yes") << false << "<tmp>/cfg" << -1 << "usr/bin";
    }
    void firstStart()
    {
        QFETCH(bool, installed);
        QFETCH(QString, xdg);
        QFETCH(int, status);
        QFETCH(QString, folder);
        Layout layout(installed, xdg);
        if (installed)
            QVERIFY(QDir(layout.dir.path()).mkpath(QStringLiteral("usr/bin/SENVARO.INI")));
        QVERIFY(writeFile(layout.path(QStringLiteral("blocked")), "not a folder"));
        ScriptedDialogs dialogs;
        ProcessEndRecorder ends;
        dialogs.answer(status == 0 ? Dialogs::Answer::No : Dialogs::Answer::Yes);
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const QString today = QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"));
        std::unique_ptr<frmMonitor> w(
            StartStop::Main(layout.path(QStringLiteral("usr/bin/Senvaro.exe")), QString()));
        QLocale::setDefault(QLocale::c());
        const QString ini = layout.path(folder + QStringLiteral("/SENVARO.INI"));
        QCOMPARE(dialogs.asked().size(), status == 1 ? 2 : 1);
        const Dialogs::Request &q = dialogs.asked().first();
        QVERIFY(q.buttons == Dialogs::Buttons::YesNo && q.icon == Dialogs::Icon::None &&
                q.title == QStringLiteral("Fehler beim Lesen der Ini-Datei"));
        QCOMPARE(
            q.text,
            "Die Ini-Datei 'SENVARO.INI' konnte im Programmverzeichnis\r\n" +
                QDir::toNativeSeparators(layout.path(folder)) +
                "\r\nnicht gefunden werden.\r\n\r\nSoll automatisch eine neue Ini-Datei angelegt werden ?");
        QCOMPARE(bool(w), status == -1);
        QCOMPARE(QFileInfo::exists(layout.path(folder)), status == -1 || !installed);
        QCOMPARE(ends.lastStatus(), status);
        const Dialogs::Request &box = dialogs.asked().last();
        if (status == 1)
            QVERIFY2(box.icon == Dialogs::Icon::Critical && box.text.contains(QDir::toNativeSeparators(ini)),
                     qPrintable(box.text));
        if (status != -1)
            return;
        QCOMPARE(IniPfad, QDir::toNativeSeparators(ini));
        const QStringList lines = QString::fromLatin1(readFile(ini)).split(QStringLiteral("\r\n"));
        QCOMPARE(lines.mid(0, 3), QStringList({"Diese Ini-Datei wurde am " + today + " von ",
                                               "'Senvaro.exe' automatisch generiert.", ""}));
        QCOMPARE(int(QFile::permissions(ini) & 0x77), 0); // owner only
        if (installed)                                    // a plain copy's folder is its owner's business
            QCOMPARE(int(QFile::permissions(layout.path(folder)) & 0x77), 0);
    }

    // The close box unloads without saving and drops the connection; the process is not ended
    // through the orderly path ENDE takes.
    void closeBoxWhileConnected()
    {
        const QByteArray stored =
            "[Server]\r\nIP=127.0.0.80\r\n[User]\r\nName=admin\r\nPasswort=admin\r\n"
            "Polling Zyklus in Sekunden=3\r\nBenutzername speichern=1\r\nPasswort speichern=1\r\n";
        apsim::ApSim sim; // account admin/admin
        QVERIFY2(sim.listen(QHostAddress(QStringLiteral("127.0.0.80"))), qPrintable(sim.errorString()));
        QTemporaryDir dir;
        const QString ini = dir.filePath(QStringLiteral("SENVARO.INI"));
        QVERIFY(writeFile(ini, stored));
        ScriptedDialogs dialogs;
        ProcessEndRecorder ends;
        std::unique_ptr<frmMonitor> w(StartStop::Main(dir.filePath(QStringLiteral("senvaro")), QString()));
        QVERIFY(w && ctl<QComboBox>(*w, "cmbZyklus")->currentText() == QStringLiteral("3"));
        ctl<QComboBox>(*w, "cmbZyklus")->setEditText(QStringLiteral("7"));
        ctl<QToolButton>(*w, "CmdLogin")->click();
        QVERIFY(waitUntil([&] { return w->session().verbunden && sim.openConnections() == 1; }, 5000));
        w->close();
        QVERIFY(w->isUnloaded() && ends.calls() == 0 && dialogs.asked().isEmpty());
        QCOMPARE(readFile(ini), stored);
        QVERIFY(waitUntil([&] { return sim.openConnections() == 0; }, 3000));
    }

    // Command-line request: address check and normalisation, field rules, window state.
    void checkIP()
    {
        const QStringList good = // each followed by its normalised form
            {"10.0.0.1",        "10.0.0.1",     "255.255.255.255",     "255.255.255.255",
             "192.168.000.050", "192.168.0.50", "00010.00000.0.00001", "10.0.0.1"};
        for (qsizetype i = 0; i < good.size(); i += 2) {
            QString s = good[i];
            QVERIFY2(fCheckIP(s), qPrintable(good[i]));
            QCOMPARE(s, good[i + 1]);
        }
        const QStringList bad = // limits, parts, digits, overflow, blanks, signs
            {"9.255.255.255", "10.0.0.0",           "10.0.0.256", "256.0.0.1",    "10.256.0.1",
             "10.0.0",        "10.0.0.1.2",         "10.0.0.1.",  "10..0.1",      "",
             "000010.0.0.1",  "10.0.0.99999999999", "10.0. 0.1",  "10.0.0.1 ",    "10.+0.0.1",
             "10.-0.0.1",     "10.0.0.0x1",         "a.b.c.d",    "10.0.0.\u0661"};
        for (const QString &in : bad) {
            QString s = in;
            QVERIFY2(!fCheckIP(s), qPrintable(in));
            QCOMPARE(s, in);
        }
    }

    // How fields are cut and which one wins is checked against the field functions by
    // fuzz/fuzz_cmdline; these rows hold the words, their commands and captions, and the
    // trimming (only blanks), which the fuzzer's reference shares with the evaluation.
    void evaluate()
    {
        // argument, command (empty: no action), address, caption (empty: "Senvaro - Parameter: " and the
        // argument)
        const QList<std::array<QString, 4>> rows{
            {"/192.168.0.50/R", "reboot", "192.168.0.50", "reboot"},
            {"/192.168.000.050/ETH1", "set eth2sta enable", "192.168.0.50", "enable ETH"},
            {"/r/eth0/R\t", "", "", ""},
            {"/ETH0/ R ", "reboot", "", "reboot"},
            // 20 000 fields: the ones at the far end decide, by the same rules.
            {QString("/R/10.0.0.1").repeated(20000) + "/ETH0/10.0.0.2", "set eth2sta disable", "10.0.0.2",
             "disable ETH"}};
        for (const auto &[arg, command, ip, caption] : rows) {
            const ParamRequest r = evaluateParameters(arg);
            QVERIFY2(r.mode == !command.isEmpty() && r.command == command && r.ip == ip,
                     qPrintable(arg.left(30)));
            QCOMPARE(r.caption, caption.isEmpty() ? QStringLiteral("Senvaro - Parameter: ") + arg : caption);
        }
    }

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

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
