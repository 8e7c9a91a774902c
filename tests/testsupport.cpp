#include "testsupport.h"

#include <QLabel>
#include <QLineEdit>

#include "app/processend.h"
#include "ui/controls.h"
#include "ui/frmMonitor.h"
#include "ui/loginpage.h"

ScriptedDialogs::ScriptedDialogs()
{
    m_previous = Dialogs::setHandler([this](const Dialogs::Request &r) {
        m_asked.append(r);
        if (!m_script.isEmpty())
            return m_script.takeFirst();
        return Dialogs::negativeAnswer(r.buttons);
    });
}

ScriptedDialogs::~ScriptedDialogs()
{
    Dialogs::setHandler(std::move(m_previous));
}

void ScriptedDialogs::clear()
{
    m_script.clear();
    m_asked.clear();
}

ProcessEndRecorder::ProcessEndRecorder()
{
    ProcessEnd::setEnder([this](int status) { m_statuses.append(status); });
}

ProcessEndRecorder::~ProcessEndRecorder()
{
    ProcessEnd::setEnder({});
}

QString statusOf(const frmMonitor &w)
{
    return ctl<QLabel>(w, "lblStatus")->text() + backColor(ctl<QLabel>(w, "lblStatus")).name();
}

void startLogin(frmMonitor &w, const QString &ip, const QString &user, const QString &password)
{
    w.Form_Load();
    ctl<QLineEdit>(w, "txtIP")->setText(ip);
    ctl<QLineEdit>(w, "txtUser")->setText(user);
    ctl<QLineEdit>(w, "txtPassw")->setText(password);
    page<LoginPage>(w)->CmdLogin_Click();
}
