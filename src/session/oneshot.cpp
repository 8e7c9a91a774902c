#include "session/oneshot.h"

#include "session/apsession.h"
#include "session/cmdline.h"
#include "session/exitstatus.h"
#include "session/robotticks.h"

OneShotRun::OneShotRun(ApSession &session, const QString &ip, QObject *parent)
    : QObject(parent), m_session(session), m_ip(ip)
{
    m_watchdog = session.clock().createTimer(oneShotConnectTimeoutMs, this);
    m_watchdog->setObjectName(QStringLiteral("oneShotWatchdog"));

    connect(&session, &ApSession::connected, this, [this] { m_watchdog->setEnabled(false); });
    connect(m_watchdog, &WinTimer::timeout, this, [this] {
        m_watchdog->setEnabled(false);
        if (m_session.verbunden())
            return;
        if (m_ip.isEmpty())
            finish(ExitStatus::NoConnection,
                   QStringLiteral("keine gültige IP-Adresse im Aufruf, keine Verbindung zum AP - "
                                  "Befehl nicht gesendet"));
        else
            finish(ExitStatus::NoConnection, QStringLiteral("keine Verbindung zum AP ") + m_ip +
                                                 QStringLiteral(" innerhalb von ") +
                                                 QString::number(oneShotConnectTimeoutMs / 1000) +
                                                 QStringLiteral(" s - Befehl nicht gesendet"));
    });
    // Nobody is there to answer the wrong-password question.
    connect(&session, &ApSession::loginRefused, this, [this] {
        finish(ExitStatus::LoginRefused, QStringLiteral("Anmeldung am Access Point abgelehnt (falscher "
                                                        "Benutzername oder falsches Passwort)."));
    });
    // The robot sends the action at its tick 13; a connection that ends before then
    // leaves the action unsent, which must not end as a success at tick 19.
    connect(&session, &ApSession::connectionClosed, this, [this] {
        if (m_session.robotTick() < RobotTick::SendAction)
            finish(ExitStatus::ConnectionLost, QStringLiteral("Verbindung zum AP vor dem Senden des Befehls "
                                                              "beendet - Befehl nicht gesendet"));
    });
    connect(&session, &ApSession::oneShotFinished, this, [this](OneShotOutcome outcome) {
        switch (outcome) {
        case OneShotOutcome::Sent:
            finish(ExitStatus::Ok, QString());
            break;
        case OneShotOutcome::ConnectionLost:
            finish(ExitStatus::ConnectionLost,
                   QStringLiteral("Verbindung zum AP während der Anmeldung beendet - Befehl "
                                  "vielleicht nicht ausgeführt"));
            break;
        case OneShotOutcome::NoAnswer:
            finish(ExitStatus::NoAnswer,
                   QStringLiteral("keine Antwort vom AP - Befehl vielleicht nicht ausgeführt"));
            break;
        }
    });
}

void OneShotRun::start()
{
    m_watchdog->setEnabled(true);
}

void OneShotRun::finish(ExitStatus status, const QString &reason)
{
    if (m_finished)
        return;
    m_finished = true;
    m_watchdog->setEnabled(false);
    emit finished(status, reason);
}
