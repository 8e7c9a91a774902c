// One-shot runs of the built program against the simulator: what goes over the wire
// and when, the exit status, the settings file, and the runs that must fail loudly.
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "apsim.h"
#include "testsupport.h"

using apsim::ApSim;

namespace {

const QByteArray settings = "[PrgWindow]\r\nWindowState=0\r\nleft=0\r\ntop=0\r\nheight=4230\r\nwidth=6600\r\n"
                            "[Server]\r\nIP=127.0.0.99\r\n"
                            "[User]\r\nName=technik\r\nPasswort=g3heim\r\nPolling Zyklus in Sekunden=2\r\n"
                            "Benutzername speichern=1\r\nPasswort speichern=1\r\n";

apsim::Options simOptions()
{
    apsim::Options o;
    o.user = "technik";
    o.password = "g3heim";
    return o;
}

// The built program copied alone into an empty folder, with or without a settings file.
struct Run
{
    QTemporaryDir dir;
    QProcess proc;
    QElapsedTimer clock;
    qint64 finishedAt = -1;
    QByteArray err;

    QString ini() const { return dir.filePath(QStringLiteral("SENVARO.INI")); }

    bool start(const QStringList &args, bool withSettings, bool headless)
    {
        const QString bin = qEnvironmentVariable("SENVARO_BIN");
        const QString exe = dir.filePath(QStringLiteral("senvaro"));
        if (bin.isEmpty() || !QFile::copy(bin, exe))
            return false;
        QFile::setPermissions(exe, QFile::permissions(exe) | QFileDevice::ExeOwner);
        if (withSettings) {
            QFile f(ini());
            if (!f.open(QIODevice::WriteOnly) || f.write(settings) != settings.size())
                return false;
        }
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (headless) {
            env.remove(QStringLiteral("DISPLAY"));
            env.remove(QStringLiteral("WAYLAND_DISPLAY"));
            env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        } else {
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        }
        proc.setProcessEnvironment(env);
        QObject::connect(&proc, &QProcess::finished, [this] { finishedAt = clock.elapsed(); });
        clock.start();
        proc.start(exe, args);
        return proc.waitForStarted(5000);
    }
    bool wait(int ms)
    {
        return waitUntil([this] { return proc.state() == QProcess::NotRunning; }, ms);
    }
    // The program's own lines on stderr (Qt may add warnings of its own).
    QStringList reasons()
    {
        QStringList out;
        const QStringList lines =
            QString::fromLocal8Bit(proc.readAllStandardError()).split(QLatin1Char('\n'));
        for (const QString &l : lines)
            if (l.startsWith(QStringLiteral("Senvaro: ")))
                out << l;
        return out;
    }
    QByteArray iniBytes() const
    {
        QFile f(ini());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
};

} // namespace

class TestOneShot : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void actions_data();
    void actions();
    void refusedLogin();
    void connectionEndsBeforeAction();
    void headlessWithoutSettingsOrAction();
    void nothingListening();

private:
    std::unique_ptr<Run> m_silent; // started first: it takes half a minute
};

void TestOneShot::initTestCase()
{
    QVERIFY2(QFileInfo(qEnvironmentVariable("SENVARO_BIN")).isExecutable(), "SENVARO_BIN not set");
    m_silent = std::make_unique<Run>();
    QVERIFY(m_silent->start({QStringLiteral("/127.0.0.59/ETH1")}, true, false));
}

void TestOneShot::actions_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<bool>("headless");
    QTest::newRow("reboot") << "127.0.0.55" << QStringList{"/127.0.0.55/R"} << QByteArray("reboot") << false;
    QTest::newRow("eth0 zero-padded address")
        << "127.0.0.56" << QStringList{"/127.0.0.056/ETH0"} << QByteArray("set eth2sta disable") << false;
    QTest::newRow("eth1 in two pieces")
        << "127.0.0.57" << QStringList{"/127.0.0.57/", "ETH1"} << QByteArray("set eth2sta enable") << false;
    QTest::newRow("eth1 without display")
        << "127.0.0.58" << QStringList{"/127.0.0.58/ETH1"} << QByteArray("set eth2sta enable") << true;
}

// Logs in with the stored user name and password on the address of the command line
// (not the stored one), sends the action after the firmware query at 2.6 s and ends
// at 3.8 s with status 0, leaving the settings file alone. A reboot makes the access
// point report "Rebooting", which ends the program the orderly way, with saving.
void TestOneShot::actions()
{
    QFETCH(QString, address);
    QFETCH(QStringList, args);
    QFETCH(QByteArray, command);
    QFETCH(bool, headless);
    ApSim sim(simOptions());
    QVERIFY2(sim.listen(QHostAddress(address)), qPrintable(sim.errorString()));
    Run run;
    qint64 connectedAt = -1;
    connect(&sim, &ApSim::clientConnected, this, [&] { connectedAt = run.clock.elapsed(); });
    QVERIFY(run.start(args, true, headless));
    const QByteArray before = run.iniBytes();
    const QDateTime modified = QFileInfo(run.ini()).lastModified();

    QVERIFY(run.wait(30000));
    QCOMPARE(run.proc.exitStatus(), QProcess::NormalExit);
    QCOMPARE(run.proc.exitCode(), 0);
    QCOMPARE(run.reasons(), QStringList());
    QCOMPARE(sim.connectionsAccepted(), 1);
    QCOMPARE(sim.lines(1), (QList<QByteArray>{"technik", "g3heim", "version", command}));
    const QList<apsim::LogEntry> log = sim.log();
    const qint64 expected[4] = {800, 1200, 2000, 2600};
    for (int i = 0; i < 4; ++i)
        QVERIFY2(log[i].ms >= expected[i] - 100 && log[i].ms <= expected[i] + 900,
                 qPrintable(QStringLiteral("line %1 at %2 ms").arg(i).arg(log[i].ms)));
    QVERIFY(log[3].ms - log[2].ms >= 500);

    const qint64 afterConnect = run.finishedAt - connectedAt;
    if (command == "reboot") {
        QVERIFY2(afterConnect >= 2500 && afterConnect < 3700, qPrintable(QString::number(afterConnect)));
        const QByteArray saved = run.iniBytes();
        QVERIFY(saved != before);
        QVERIFY(saved.contains("IP=127.0.0.55"));
        QVERIFY(saved.contains("Name=technik"));
    } else {
        QVERIFY2(afterConnect >= 3700 && afterConnect <= 6000, qPrintable(QString::number(afterConnect)));
        QCOMPARE(run.iniBytes(), before);
        QCOMPARE(QFileInfo(run.ini()).lastModified(), modified);
    }
}

void TestOneShot::refusedLogin()
{
    apsim::Options o = simOptions();
    o.rejectEveryLogin = true;
    ApSim sim(o);
    QVERIFY2(sim.listen(QHostAddress(QStringLiteral("127.0.0.60"))), qPrintable(sim.errorString()));
    Run run;
    QVERIFY(run.start({QStringLiteral("/127.0.0.60/R")}, true, false));
    QVERIFY(run.wait(15000));
    QCOMPARE(run.proc.exitCode(), 3);
    QCOMPARE(run.reasons().size(), 1);
    QVERIFY(run.finishedAt < 6000);
    QVERIFY(!sim.lines().contains("reboot"));
    QCOMPARE(run.iniBytes(), settings);
}

// The access point hangs up before the action went out: that is no success.
void TestOneShot::connectionEndsBeforeAction()
{
    apsim::Options o = simOptions();
    o.closeAfterLines = 2;
    ApSim sim(o);
    QVERIFY2(sim.listen(QHostAddress(QStringLiteral("127.0.0.61"))), qPrintable(sim.errorString()));
    Run run;
    QVERIFY(run.start({QStringLiteral("/127.0.0.61/ETH0")}, true, false));
    QVERIFY(run.wait(15000));
    QCOMPARE(run.proc.exitCode(), 6);
    QCOMPARE(run.reasons().size(), 1);
    QCOMPARE(sim.lines(), (QList<QByteArray>{"technik", "g3heim"}));
    QCOMPARE(run.iniBytes(), settings);
}

// Without a display nobody can answer the first-start question, and the window
// itself cannot be shown: both end at once with a reason instead of hanging or aborting.
void TestOneShot::headlessWithoutSettingsOrAction()
{
    Run noSettings;
    QVERIFY(noSettings.start({QStringLiteral("/127.0.0.62/R")}, false, true));
    QVERIFY(noSettings.wait(10000));
    QCOMPARE(noSettings.proc.exitCode(), 4);
    const QStringList reasons = noSettings.reasons();
    QCOMPARE(reasons.size(), 1);
    QVERIFY(reasons.first().contains(QStringLiteral("SENVARO.INI")));
    QVERIFY(!QFileInfo::exists(noSettings.ini()));

    for (const QStringList &args : {QStringList{}, QStringList{QStringLiteral("/127.0.0.62/r")}}) {
        Run noAction;
        QVERIFY(noAction.start(args, true, true));
        QVERIFY(noAction.wait(10000));
        QCOMPARE(noAction.proc.exitStatus(), QProcess::NormalExit);
        QCOMPARE(noAction.proc.exitCode(), 5);
        QCOMPARE(noAction.reasons().size(), 1);
        QCOMPARE(noAction.iniBytes(), settings);
    }
}

void TestOneShot::nothingListening()
{
    Run &run = *m_silent;
    QVERIFY(run.wait(60000));
    QCOMPARE(run.proc.exitCode(), 2);
    QVERIFY2(run.finishedAt >= 29500 && run.finishedAt <= 45000, qPrintable(QString::number(run.finishedAt)));
    const QStringList reasons = run.reasons();
    QCOMPARE(reasons.size(), 1);
    QVERIFY(reasons.first().contains(QStringLiteral("127.0.0.59")));
    QCOMPARE(run.iniBytes(), settings);
}

QTEST_MAIN(TestOneShot)
#include "tst_oneshot.moc"
