#include <QtTest>
#include <QtWidgets>

#include "app/globals.h"
#include "app/startstop.h"
#include "apsim.h"
#include "testsupport.h"
#include "ui/frmMonitor.h"

namespace {

const QByteArray storedSettings =
    "Diese Ini-Datei wurde am 01.12.2026 von \r\n'senvaro.exe' automatisch generiert.\r\n"
    "\r\n[Server]\r\nIP=127.0.0.80\r\n[User]\r\nName=admin\r\nPasswort=geheim\r\n"
    "Polling Zyklus in Sekunden=3\r\nBenutzername speichern=1\r\nPasswort speichern=1\r\n";

// A start beside a settings file holding storedSettings.
frmMonitor *startWithStoredSettings(const QTemporaryDir &dir)
{
    if (!writeFile(dir.filePath(QStringLiteral("SENVARO.INI")), storedSettings))
        return nullptr;
    return StartStop::Main(dir.filePath(QStringLiteral("senvaro")), QString());
}

} // namespace

class TestLifecycle : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        MACs = QVector<tMAC>(2);
        setCommandLineText(QString());
    }

    // The toolkit may report the first display more than once (hide/show, activation):
    // the credit animation and the automatic login run only at the first one.
    void activateRunsOnce()
    {
        frmMonitor w;
        w.Form_Load();
        w.show();
        const QColor grey = bgrColor(0x00808080);
        QVERIFY(
            waitUntil([&] { return backColor(&w) == grey && w.lblautor->font().pointSize() == 8; }, 10000));
        setBackColor(&w, bgrColor(0x00FF8080));
        w.hide();
        w.show();
        w.activateWindow();
        QTest::qWait(300);
        QCOMPARE(backColor(&w), bgrColor(0x00FF8080));
    }

    // The close box unloads without saving: every change since the start is lost, and
    // the process is not ended through the orderly path.
    void closeBoxDoesNotSave()
    {
        QTemporaryDir dir;
        const QString ini = dir.filePath(QStringLiteral("SENVARO.INI"));
        ScriptedDialogs dialogs;
        ProcessEndRecorder ends;
        std::unique_ptr<frmMonitor> w(startWithStoredSettings(dir));
        QVERIFY(w);
        QCOMPARE(w->cmbZyklus->currentText(), QStringLiteral("3"));
        w->cmbZyklus->setEditText(QStringLiteral("7"));
        w->close();
        QVERIFY(w->isUnloaded());
        QCOMPARE(readFile(ini), storedSettings);
        QVERIFY(ends.calls() == 0 && dialogs.asked().isEmpty());
    }

    // "ENDE" while connected: the settings are saved first, then the unload drops the
    // connection without logging out, and the process ends with status 0.
    void endeWhileConnectedSavesThenCloses()
    {
        apsim::Options o;
        o.user = "admin";
        o.password = "geheim";
        apsim::ApSim sim(o);
        QVERIFY2(sim.listen(QHostAddress(QStringLiteral("127.0.0.80"))), qPrintable(sim.errorString()));
        QTemporaryDir dir;
        const QString ini = dir.filePath(QStringLiteral("SENVARO.INI"));
        ScriptedDialogs dialogs;
        ProcessEndRecorder ends;
        std::unique_ptr<frmMonitor> w(startWithStoredSettings(dir));
        QVERIFY(w);
        QCOMPARE(w->txtIP->text(), QStringLiteral("127.0.0.80"));
        w->cmbZyklus->setEditText(QStringLiteral("9"));
        w->CmdLogin->click();
        QVERIFY(waitUntil([&] { return w->verbunden && sim.openConnections() == 1; }, 5000));
        w->CmdEnde->click();
        QVERIFY(ends.calls() == 1 && ends.lastStatus() == 0 && w->isUnloaded());
        const QByteArray saved = readFile(ini);
        QVERIFY(saved.contains("Polling Zyklus in Sekunden=9\r\n") && saved.contains("IP=127.0.0.80\r\n"));
        QVERIFY(waitUntil([&] { return sim.openConnections() == 0; }, 3000));
    }
};

QTEST_MAIN(TestLifecycle)
#include "tst_lifecycle.moc"
