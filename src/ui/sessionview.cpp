#include "ui/sessionview.h"

#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>

#include "monitor/reply.h"
#include "monitor/stationmonitor.h"
#include "monitor/stations.h"
#include "session/apsession.h"
#include "session/oneshot.h"
#include "ui/alertview.h"
#include "ui/antwortenpage.h"
#include "ui/chartpage.h"
#include "ui/clientspage.h"
#include "ui/dialogs.h"
#include "ui/frmMonitor.h"
#include "ui/loginpage.h"
#include "ui/manuellpage.h"
#include "ui/setuppage.h"

void SessionView::setOneShot(bool oneShot, const QString &command)
{
    m_oneShot = oneShot;
    m_oneShotCommand = command;
}

// The window as the session's listener: whatever the session reports is shown.
SessionView::SessionView(QObject *parent, ApSession *session, StationMonitor *monitor, AlertView *alerts,
                         const WindowPages &pages, const WindowFrame &frame)
    : QObject(parent), m_session(session), m_monitor(monitor), m_alerts(alerts), m_pages(pages),
      m_frame(frame)
{
    m_session->setUserNameSource([this] { return m_pages.login->user(); });
    m_session->setAddressSource([this] { return m_pages.login->address(); });
    pushFilter();
    connect(m_pages.login, &LoginPage::loginRequested, this, &SessionView::login);
    connect(m_pages.login, &LoginPage::logoutRequested, m_session, &ApSession::logout);
    connect(m_pages.manuell, &ManuellPage::commandRequested, this, &SessionView::sendManual);
    connect(m_pages.manuell, &ManuellPage::clearRequested, this,
            [this] { m_session->setManualAnswer(QString()); });
    connect(m_pages.manuell, &ManuellPage::answersEdited, m_session, &ApSession::adoptManualAnswer);
    connect(m_pages.setup, &SetupPage::knownClientsChanged, this, &SessionView::pushKnownClients);
    connect(m_pages.setup, &SetupPage::knownOnlyChanged, this, &SessionView::pushFilter);
    connect(m_pages.setup, &SetupPage::pollIntervalChanged, m_session, &ApSession::setPollInterval);
    connect(m_session, &ApSession::statusChanged, m_pages.login, &LoginPage::setStatus);
    // The lamps are pictures of a dark lamp laid over the photo: hidden means lit.
    connect(m_session, &ApSession::dataLamp, m_frame.LED1_aus, &QWidget::setHidden);
    connect(m_session, &ApSession::connectionLamp, m_frame.LED2_aus, &QWidget::setHidden);
    connect(m_session, &ApSession::replyTextReset, m_pages.antworten, &AntwortenPage::setReplies);
    connect(m_session, &ApSession::replyTextAppended, m_pages.antworten, &AntwortenPage::appendReplies);
    connect(m_session, &ApSession::manualAnswerReset, m_pages.manuell, &ManuellPage::setAnswers);
    connect(m_session, &ApSession::manualAnswerAppended, m_pages.manuell, &ManuellPage::appendAnswers);
    connect(m_session, &ApSession::replyEvaluated, this, &SessionView::showEvaluated);
    connect(m_session, &ApSession::connected, this, [this] { m_pages.login->setLoginEnabled(false); });
    connect(m_session, &ApSession::loginRefused, this, [this] {
        m_pages.login->setLoginEnabled(true);
        trennen();
    });
    connect(m_session, &ApSession::rebooting, this, [this] {
        m_pages.login->setLoginEnabled(true);
        emit endRequested(ExitStatus::Ok, QString());
    });
    connect(m_session, &ApSession::loggedOut, this, [this] {
        m_pages.login->setLoginEnabled(true);
        m_pages.chart->clear();
        m_pages.login->showFirmware(QString());
        m_pages.clients->clearDetails();
    });
}

void SessionView::login()
{
    m_session->setOneShot(m_oneShot, m_oneShotCommand);
    m_monitor->alerts().resetLogin();
    m_monitor->watch(m_pages.login->address());
    m_session->login(m_pages.login->address(), m_pages.login->password());
}

void SessionView::trennen()
{
    m_session->showStatus(QStringLiteral("Passwort ungültig"), StatusKind::Refused);
    if (m_oneShot)
        return; // the one-shot run ends on the refusal itself
    const Dialogs::Answer answer =
        Dialogs::askOkCancel(QStringLiteral("falsches Passwort"),
                             QStringLiteral("Das eingegebene Passwort ist falsch! Nochmal versuchen?"));
    if (answer == Dialogs::Answer::Ok)
        m_pages.login->Cmd_logout_Click();
    else
        emit endRequested(ExitStatus::Ok, QString());
}

// Answers arrive without line breaks of their own; once the box holds more than five
// characters, a new answer starts on a line of its own.
void SessionView::sendManual(const QString &command)
{
    if (m_session->manualAnswer().size() > 5)
        m_session->appendManualAnswer(QStringLiteral("\r\n"));
    m_session->sendCommand(command);
}

// The firmware of any reply; for a completed one with blocks the station buttons, the
// details of the selected one (clients page) and the chart (chart page). Nothing is
// recorded during the login phase or once the window is unloading.
void SessionView::showEvaluated(const Reply &r)
{
    if (r.firmware)
        m_pages.login->showFirmware(*r.firmware);
    const int page = m_frame.tab->currentIndex();
    if (r.kind == Reply::Kind::Completed && r.blockCount >= 1) {
        m_pages.clients->showStations(r);
        if (page == frmMonitor::PageChart)
            m_pages.chart->showStations(r);
        if (page == frmMonitor::PageClients && r.examined)
            m_pages.clients->showDetails(r, m_frame.Text1->text());
    }
    if (r.kind != Reply::Kind::Completed || m_session->loginPhase() || m_stopped || !isStationReply(r))
        return;
    const QList<StationValue> stations = stationValues(r);
    m_monitor->evaluated(m_session->host(), stations);
    m_alerts->recorded(int(stations.size()));
}

void SessionView::pushKnownClients()
{
    pushFilter();
    m_monitor->setKnownClients(m_pages.setup->knownClients());
}

void SessionView::pushFilter()
{
    m_session->setFilter(m_pages.setup->knownClients(), m_pages.setup->knownOnly());
}

void SessionView::startOneShotWatchdog(const QString &ip)
{
    // A script waiting for the run must learn that it failed rather than wait forever.
    auto *run = new OneShotRun(*m_session, ip, this);
    run->setObjectName(QStringLiteral("oneShotRun"));
    connect(run, &OneShotRun::finished, this, [this](ExitStatus status, const QString &reason) {
        if (status == ExitStatus::Ok)
            emit oneShotSent(); // the action went out: close without saving, the program ends
        else
            oneShotAbort(reason, status);
    });
    run->start();
}

void SessionView::oneShotAbort(const QString &reason, ExitStatus status)
{
    if (m_stopped)
        return;
    m_session->stop();
    emit endRequested(status, reason);
}
