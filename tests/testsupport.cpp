#include "testsupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include "app/processend.h"

ScriptedDialogs::ScriptedDialogs()
{
    m_previous = Dialogs::setHandler([this](const Dialogs::Request &r) {
        m_asked.append(r);
        if (!m_script.isEmpty())
            return m_script.takeFirst();
        ++m_unanswered;
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
    m_unanswered = 0;
}

ProcessEndRecorder::ProcessEndRecorder()
{
    ProcessEnd::setEnder([this](int status) { m_statuses.append(status); });
}

ProcessEndRecorder::~ProcessEndRecorder()
{
    ProcessEnd::setEnder({});
}

bool waitUntilImpl(const std::function<bool()> &pred, int ms)
{
    QDeadlineTimer deadline(ms);
    while (!pred()) {
        if (deadline.hasExpired())
            return pred();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}
