// The telnet session against the simulator on port 23: login robot, receive routing,
// wrong password, logout, close by peer, failed connections.

#include <QtTest>
#include <QtWidgets>

#include "app/globals.h"
#include "apsim.h"
#include "monitor/chart.h"
#include "testsupport.h"
#include "ui/frmMonitor.h"

using apsim::ApSim;

namespace {

const QColor green(0, 192, 0);
const QColor paleYellow(255, 255, 192);

// Loads the window, fills in address and credentials and presses "LOGIN".
void startLogin(frmMonitor &w, const char *ip, const QString &user = QStringLiteral("admin"),
                const QString &password = QStringLiteral("admin"))
{
    w.Form_Load();
    w.txtIP->setText(QString::fromLatin1(ip));
    w.txtUser->setText(user);
    w.txtPassw->setText(password);
    w.CmdLogin->click();
}

bool waitLoggedIn(frmMonitor &w)
{
    return waitUntil([&] { return w.lblStatus->text().startsWith("Verbindung zu AP"); }, 8000);
}

void checkIdle(frmMonitor &w)
{
    QVERIFY(w.CmdLogin->isEnabled());
    QVERIFY(!w.Cmd_logout->isEnabled());
    QCOMPARE(w.lblStatus->text(), QStringLiteral("keine Verbindung zum AP"));
    QCOMPARE(backColor(w.lblStatus), paleYellow);
    QVERIFY(!w.verbunden);
    QCOMPARE(w.TCPClient->state(), QAbstractSocket::UnconnectedState);
}

} // namespace

class tst_session : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { IniPfad = m_dir.filePath(QStringLiteral("SENVARO.INI")); }
    // No test may hang on a real message box.
    void init() { m_dialogs = std::make_unique<ScriptedDialogs>(); }
    void cleanup() { m_dialogs.reset(); }

    // Three lines in order at ticks 4, 6, 10: the trimmed user name, the password as it
    // stood at the click, "version"; the robot's captions; the hand-over to polling.
    void loginRobot()
    {
        ApSim sim;
        sim.options().password = "geheim";
        QVERIFY(sim.listen(QHostAddress("127.0.0.12")));
        QStringList captions;
        frmMonitor w;
        connect(&sim, &ApSim::lineReceived, &w, [&] { captions << w.lblStatus->text(); });
        startLogin(w, "127.0.0.12", QStringLiteral("  admin "), QStringLiteral(" geheim  "));
        QVERIFY(!w.CmdLogin->isEnabled() && w.Cmd_logout->isEnabled() && w.loginPhase);
        w.txtPassw->setText(QStringLiteral("changed"));
        QVERIFY(waitUntil([&] { return w.verbunden; }, 3000));
        QCOMPARE(w.lblStatus->text(), QStringLiteral("AP lokalisiert"));
        QCOMPARE(backColor(w.lblStatus), green);
        QVERIFY(w.LED2_aus->isHidden());
        QVERIFY(w.timPWRobot->enabled());

        QVERIFY(waitLoggedIn(w));
        QCOMPARE(w.lblStatus->text(), QStringLiteral("Verbindung zu AP12 aufgebaut"));
        QCOMPARE(sim.receivedBytes(1), QByteArray("admin\r\ngeheim\r\nversion\r\n"));
        QCOMPARE(captions.mid(0, 3),
                 (QStringList{"AP lokalisiert\r\nsende Username", "AP lokalisiert\r\nsende Passwort",
                              "AP lokalisiert\r\nhole Firmware"}));
        const auto &log = sim.log();
        const qint64 t0 = log[0].ms, t1 = log[1].ms, t2 = log[2].ms;
        const QString times = QStringLiteral("%1 %2 %3").arg(t0).arg(t1).arg(t2);
        QVERIFY2(t0 >= 700 && t0 < 1500, qPrintable(times));
        QVERIFY2(t1 - t0 >= 300 && t1 - t0 < 700, qPrintable(times));
        QVERIFY2(t2 - t1 >= 650 && t2 - t1 < 1150, qPrintable(times));
        QVERIFY(!w.loginPhase);
        QVERIFY(!w.timPWRobot->enabled());
        QVERIFY(w.timPoll_Power->enabled());
        QCOMPARE(w.robotTick, qint16(19));
        QVERIFY(w.verbunden && !w.CmdLogin->isEnabled() && w.Cmd_logout->isEnabled());
    }

    void receiveRouting()
    {
        ApSim sim;
        QVERIFY(sim.listen(QHostAddress("127.0.0.15")));
        frmMonitor w;
        startLogin(w, "127.0.0.15");
        QVERIFY(waitUntil([&] { return w.verbunden && w.robotTick >= 1; }, 3000));
        // Login phase: the box holds only the last chunk, line ends intact.
        const QByteArray raw = "one\r\ntwo\r\n";
        sim.sendRaw(raw);
        QVERIFY(waitUntil([&] { return w.Monitor->text() == QString::fromLatin1(raw); }, 2000));
        QVERIFY(!w.LED1_aus->isHidden());
        QVERIFY(!w.timAuswertung->enabled());

        QVERIFY(waitLoggedIn(w));
        w.timPoll_Power->setEnabled(false); // no polls in between
        w.Monitor->setText(QStringLiteral("old"));
        w.dataArrived = false;
        sim.sendRaw("line one\r\nline two\r\n");
        QVERIFY(waitUntil([&] { return w.LED1_aus->isHidden() && w.dataArrived; }, 2000));
        QCOMPARE(w.Monitor->text(), QStringLiteral("oldline oneline two"));
        QCOMPARE(w.sReplyLine, QStringLiteral("line one,line two,"));
        QVERIFY(w.timAuswertung->enabled());

        sim.sendRaw("a*b\r\n");
        QVERIFY(waitUntil([&] { return w.Monitor->text().endsWith("a*b"); }, 2000));
        QVERIFY(w.Monitor->text().startsWith("oldline one"));
        sim.sendRaw("**x\r\ny");
        QVERIFY(waitUntil([&] { return w.Monitor->text() == "**xy"; }, 2000));

        w.manuellMode = true;
        w.timAuswertung->setEnabled(false);
        w.dataArrived = false;
        w.txtmanAntw->setText(QStringLiteral("A"));
        sim.sendRaw("line one\r\nline two\r\n");
        QVERIFY(waitUntil([&] { return w.txtmanAntw->text().size() > 1; }, 2000));
        QCOMPARE(w.txtmanAntw->text(), QStringLiteral("Aline one,line two,"));
        QVERIFY(waitUntil([&] { return w.LED1_aus->isHidden(); }, 2000));
        QVERIFY(!w.timAuswertung->enabled() && !w.dataArrived);
    }

    // A reply dribbling in byte by byte, with NUL, 0xFF and other binary bytes, arrives
    // complete and in order, although most bytes come in during the handler's pause.
    void dripAndGarbage()
    {
        ApSim sim;
        sim.options().chunkSize = 1;
        sim.options().chunkDelayMs = 2;
        sim.options().garbage = apsim::defaultGarbage();
        QVERIFY(sim.listen(QHostAddress("127.0.0.16")));
        frmMonitor w;
        startLogin(w, "127.0.0.16");
        QVERIFY(waitLoggedIn(w));
        QCOMPARE(sim.lines().mid(0, 3), (QList<QByteArray>{"admin", "admin", "version"}));
        w.timPoll_Power->setEnabled(false);
        w.Monitor->setText(QString());
        w.sendCommand(QStringLiteral("get rate"));
        const QString expected =
            QString::fromLatin1(apsim::defaultGarbage() + "Data Rate: Auto" + ApSim::prompt());
        QVERIFY(waitUntil([&] { return w.Monitor->text().size() >= expected.size(); }, 5000));
        QTest::qWait(300);
        QCOMPARE(w.Monitor->text(), expected);
        QVERIFY(w.verbunden);
    }

    // The access point's "Incorrect login" reaches the question through the parser.
    void wrongPassword()
    {
        ApSim sim;
        QVERIFY(sim.listen(QHostAddress("127.0.0.17")));
        { // OK: back to idle, nothing more sent, ready for another try
            ScriptedDialogs dialogs;
            dialogs.answer(Dialogs::Answer::Ok);
            frmMonitor w;
            startLogin(w, "127.0.0.17", QStringLiteral("admin"), QStringLiteral("falsch"));
            QVERIFY(waitUntil([&] { return w.CmdLogin->isEnabled(); }, 6000));
            QCOMPARE(dialogs.asked().size(), 1);
            QCOMPARE(dialogs.asked()[0].buttons, Dialogs::Buttons::OkCancel);
            QCOMPARE(dialogs.asked()[0].title, QStringLiteral("falsches Passwort"));
            QCOMPARE(dialogs.asked()[0].text,
                     QStringLiteral("Das eingegebene Passwort ist falsch! Nochmal versuchen?"));
            QVERIFY(waitUntil([&] { return !w.Cmd_logout->isEnabled(); }, 3000));
            checkIdle(w);
            QTest::qWait(1500);
            QCOMPARE(sim.lines(1), (QList<QByteArray>{"admin", "falsch"}));
            QCOMPARE(sim.openConnections(), 0);
        }
        { // Cancel: the program ends, without a logout first
            ScriptedDialogs dialogs;
            dialogs.answer(Dialogs::Answer::Cancel);
            ProcessEndRecorder ends;
            frmMonitor w;
            startLogin(w, "127.0.0.17", QStringLiteral("admin"), QStringLiteral("falsch"));
            QVERIFY(waitUntil([&] { return ends.calls() == 1; }, 6000));
            QCOMPARE(dialogs.asked().size(), 1);
            QVERIFY(w.isUnloaded());
            QCOMPARE(w.lblStatus->text(), QStringLiteral("Passwort ungültig"));
            QCOMPARE(backColor(w.lblStatus), QColor(255, 128, 128));
            QVERIFY(w.Cmd_logout->isEnabled());
        }
        { // A one-shot run asks nobody and ends with status 3
            ScriptedDialogs dialogs;
            ProcessEndRecorder ends;
            frmMonitor w;
            w.Form_Load();
            w.paramMode = true;
            w.trennen();
            QCOMPARE(dialogs.asked().size(), 0);
            QCOMPARE(ends.lastStatus(), 3);
        }
    }

    void logoutResetsListedFields()
    {
        ApSim sim;
        sim.options().password = "pw";
        QVERIFY(sim.listen(QHostAddress("127.0.0.18")));
        frmMonitor w;
        startLogin(w, "127.0.0.18", QStringLiteral("admin"), QStringLiteral("pw"));
        // Logout right after the user name went out: nothing more is sent.
        QVERIFY(waitUntil([&] { return sim.lines().size() == 1; }, 3000));
        for (QLineEdit *e : {w.txtSoftVers, w.txtMac, w.txtAuth, w.txtEncrypt, w.txtWLANMode, w.txtRXDataRate,
                             w.txtRXSign, w.txtAckSign})
            e->setText(QStringLiteral("x1"));
        w.txtmanAntw->setText(QStringLiteral("answer"));
        w.Monitor->setText(QStringLiteral("raw"));
        w.MSChart1->setRowCount(3);
        w.MSChart1->setRow(2);
        w.MSChart1->setRowLabel(QStringLiteral("Station"));
        w.LED1_aus->show();
        w.timAuswertung->setEnabled(true);
        w.IamReady = true;
        w.manuellMode = true;
        QElapsedTimer t;
        t.start();
        w.Cmd_logout->click();
        QVERIFY(t.elapsed() >= 1000);
        checkIdle(w);
        QVERIFY(!w.timPoll_Power->enabled() && !w.timPWRobot->enabled());
        QCOMPARE(w.MSChart1->rowCount(), 1);
        QCOMPARE(w.MSChart1->rowLabel(1), QString());
        QCOMPARE(w.MSChart1->dataText(1, 1), QStringLiteral("0"));
        QCOMPARE(w.MSChart1->dataText(1, 2), QStringLiteral("0"));
        for (QLineEdit *e :
             {w.txtSoftVers, w.txtMac, w.txtAuth, w.txtEncrypt, w.txtWLANMode, w.txtRXDataRate})
            QCOMPARE(e->text(), QString());
        QCOMPARE(w.txtmanAntw->text(), QString());
        QCOMPARE(w.Monitor->text(), QString());
        QCOMPARE(w.txtRXSign->text(), QStringLiteral("x1"));
        QCOMPARE(w.txtAckSign->text(), QStringLiteral("x1"));
        QVERIFY(!w.LED1_aus->isHidden() && !w.LED2_aus->isHidden());
        QVERIFY(w.timAuswertung->enabled() && w.loginPhase && w.IamReady && w.manuellMode);
        QCOMPARE(w.txtIP->text(), QStringLiteral("127.0.0.18"));
        QCOMPARE(w.txtPassw->text(), QStringLiteral("pw"));
        QTest::qWait(2500);
        QCOMPARE(sim.receivedBytes(1), QByteArray("admin\r\n"));

        // A second login starts the robot from tick 0 again.
        w.CmdLogin->click();
        QVERIFY(waitLoggedIn(w));
        QCOMPARE(sim.lines(2).mid(0, 3), (QList<QByteArray>{"admin", "pw", "version"}));
    }

    void closeByPeer()
    {
        ApSim sim;
        QVERIFY(sim.listen(QHostAddress("127.0.0.19")));
        frmMonitor w;
        startLogin(w, "127.0.0.19");
        QVERIFY(waitLoggedIn(w));
        sim.closeConnections();
        QVERIFY(waitUntil([&] { return !w.verbunden; }, 3000));
        QCOMPARE(w.lblStatus->text(), QStringLiteral("keine Verbindung zum AP"));
        QCOMPARE(backColor(w.lblStatus), paleYellow);
        QVERIFY(!w.CmdLogin->isEnabled() && w.Cmd_logout->isEnabled());
        QVERIFY(w.timPoll_Power->enabled());
        w.sendCommand(QStringLiteral("get rate")); // dropped, no harm
        w.Cmd_logout->click();
        checkIdle(w);
    }

    // Nothing listening, or no address: the window stays connecting and says why.
    void failedConnections()
    {
        for (const char *ip : {"127.0.0.29", ""}) {
            frmMonitor w;
            startLogin(w, ip);
            QVERIFY(waitUntil([&] { return w.lblStatus->text() != "keine Verbindung zum AP"; }, 5000));
            QCOMPARE(w.lblStatus->text(),
                     *ip ? QStringLiteral("Verbindung fehlgeschlagen: Verbindung abgelehnt")
                         : QStringLiteral("Verbindung fehlgeschlagen: keine Adresse eingegeben"));
            QTest::qWait(1200);
            QVERIFY(!w.CmdLogin->isEnabled() && w.Cmd_logout->isEnabled() && w.loginPhase);
            QVERIFY(!w.verbunden && !w.timPWRobot->enabled());
            w.Cmd_logout->click();
            checkIdle(w);
        }
    }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
};

QTEST_MAIN(tst_session)
#include "tst_session.moc"
