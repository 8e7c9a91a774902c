#pragma once

#include <QCoreApplication>
#include <QHash>
#include <QList>
#include <QPaintEvent>
#include <QRegion>
#include <QString>

#include "apsim.h"
#include "findcontrol.h"
#include "logicsupport.h"
#include "ui/builders.h"
#include "ui/controls.h"
#include "ui/dialogs.h"

class frmMonitor;

// Answers message boxes from a script and records what was asked. Installed for the
// lifetime of the object; unanswered questions get the negative answer.
class ScriptedDialogs
{
public:
    ScriptedDialogs();
    ~ScriptedDialogs();

    void answer(Dialogs::Answer a) { m_script.append(a); }
    const QList<Dialogs::Request> &asked() const { return m_asked; }
    void clear();

private:
    QList<Dialogs::Answer> m_script;
    QList<Dialogs::Request> m_asked;
    Dialogs::Handler m_previous;
};

// Records calls of the process-end seam instead of ending the process.
class ProcessEndRecorder
{
public:
    ProcessEndRecorder();
    ~ProcessEndRecorder();

    int calls() const { return int(m_statuses.size()); }
    int lastStatus() const { return m_statuses.isEmpty() ? -1 : m_statuses.last(); }

private:
    QList<int> m_statuses;
};

// What got painted while it exists: the region each object was asked to paint.
class PaintRecorder : public QObject
{
public:
    PaintRecorder() { qApp->installEventFilter(this); }
    QHash<QObject *, QRegion> painted;
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (e->type() == QEvent::Paint)
            painted[o] += static_cast<QPaintEvent *>(e)->region();
        return false;
    }
};

// The status caption and its colour, e.g. "keine Verbindung zum AP#ffffc0".
QString statusOf(const frmMonitor &w);

// Loads the window and clicks LOGIN for ip with the given name and password.
void startLogin(frmMonitor &w, const QString &ip, const QString &user = QStringLiteral("admin"),
                const QString &password = QStringLiteral("admin"));

// A simulated station that reports its receive level in per cent.
inline apsim::Station station(const QString &mac, int rx = 50)
{
    apsim::Station s;
    s.mac = mac;
    s.rx = rx;
    s.perCent = true;
    return s;
}
