// The window as the session's listener: LOGIN and Logout hand over to the session, and
// whatever the session reports is shown in the controls.

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

#include "base/allgemein.h"
#include "session/exitstatus.h"
#include "session/oneshot.h"
#include "ui/chart.h"
#include "ui/dialogs.h"
#include "ui/frmMonitor.h"
#include "ui/statuscolors.h"

void frmMonitor::wireSession()
{
    m_session->setUserNameSource([this] { return txtUser->text(); });
    m_session->setAddressSource([this] { return txtIP->text(); });
    // The filter switch counts only when checked (greyed lets every station pass).
    connect(chkBekClients, &QCheckBox::stateChanged, this, [this] { pushFilter(); });
    pushFilter();

    connect(m_session, &ApSession::statusChanged, this, [this](const QString &text, StatusKind kind) {
        lblStatus->setText(text);
        switch (kind) {
        case StatusKind::Connected:
            setBackColor(lblStatus, StatusColor::Connected);
            break;
        case StatusKind::NoConnection:
            setBackColor(lblStatus, StatusColor::NoConnection);
            break;
        case StatusKind::Refused:
            setBackColor(lblStatus, StatusColor::Refused);
            break;
        case StatusKind::Unchanged:
            break;
        }
    });
    // The lamps are pictures of a dark lamp laid over the photo: hidden means lit.
    connect(m_session, &ApSession::dataLamp, this, [this](bool lit) { LED1_aus->setHidden(lit); });
    connect(m_session, &ApSession::connectionLamp, this, [this](bool lit) { LED2_aus->setHidden(lit); });
    connect(m_session, &ApSession::replyTextReset, Monitor, &TextBox::setText);
    connect(m_session, &ApSession::replyTextAppended, Monitor, &TextBox::appendText);
    connect(m_session, &ApSession::manualAnswerReset, txtmanAntw, &TextBox::setText);
    connect(m_session, &ApSession::manualAnswerAppended, txtmanAntw, &TextBox::appendText);
    connect(txtmanAntw, &TextBox::userEdited, this,
            [this] { m_session->adoptManualAnswer(txtmanAntw->text()); });
    connect(m_session, &ApSession::replyEvaluated, this, [this](const Reply &r) { showEvaluated(r); });
    connect(m_session, &ApSession::connected, this, [this] { CmdLogin->setEnabled(false); });
    connect(m_session, &ApSession::loginRefused, this, [this] {
        CmdLogin->setEnabled(true);
        trennen();
    });
    connect(m_session, &ApSession::rebooting, this, [this] {
        CmdLogin->setEnabled(true);
        emit endRequested(ExitStatus::Ok, QString());
    });
    connect(m_session, &ApSession::loggedOut, this, [this] {
        CmdLogin->setEnabled(true);
        MSChart1->setRowCount(1);
        MSChart1->setRow(1);
        MSChart1->setRowLabel(QString());
        MSChart1->setColumn(1);
        MSChart1->setData(fNumText(0));
        MSChart1->setColumn(2);
        MSChart1->setData(fNumText(0));
        for (QLineEdit *e : {txtSoftVers, txtMac, txtAuth, txtEncrypt, txtWLANMode, txtRXDataRate})
            e->setText(QString());
    });
}

void frmMonitor::CmdLogin_Click()
{
    CmdLogin->setEnabled(false);
    Cmd_logout->setEnabled(true);
    m_session->setOneShot(paramMode, paramCommand);
    m_alertWatch->resetLogin();
    m_monitor->watch(txtIP->text());
    m_session->login(txtIP->text(), txtPassw->text());
}

void frmMonitor::Cmd_logout_Click()
{
    Cmd_logout->setEnabled(false);
    m_session->logout();
}

void frmMonitor::trennen()
{
    m_session->showStatus(QStringLiteral("Passwort ungültig"), StatusKind::Refused);
    if (paramMode)
        return; // the one-shot run ends on the refusal itself
    const Dialogs::Answer answer =
        Dialogs::askOkCancel(QStringLiteral("falsches Passwort"),
                             QStringLiteral("Das eingegebene Passwort ist falsch! Nochmal versuchen?"));
    if (answer == Dialogs::Answer::Ok)
        Cmd_logout_Click();
    else
        emit endRequested(ExitStatus::Ok, QString());
}

void frmMonitor::startOneShotWatchdog()
{
    // A script waiting for the run must learn that it failed rather than wait forever.
    auto *run = new OneShotRun(*m_session, paramIP, this);
    run->setObjectName(QStringLiteral("oneShotRun"));
    connect(run, &OneShotRun::finished, this, [this](ExitStatus status, const QString &reason) {
        if (status == ExitStatus::Ok)
            Unload(); // the action went out: close without saving, the program ends
        else
            oneShotAbort(reason, status);
    });
    run->start();
}

void frmMonitor::oneShotAbort(const QString &reason, ExitStatus status)
{
    if (isUnloaded())
        return;
    m_session->stop();
    emit endRequested(status, reason);
}
