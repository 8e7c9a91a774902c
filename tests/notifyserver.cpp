#include "notifyserver.h"

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
}

NotifyServer::~NotifyServer()
{
    m_daemon.kill();
    m_daemon.waitForFinished(10000);
}

QString NotifyServer::start()
{
    m_daemon.start(QStringLiteral("dbus-daemon"), {"--session", "--print-address", "--nofork"});
    if (!m_daemon.waitForStarted(10000))
        return QStringLiteral("dbus-daemon (Debian package dbus-daemon) does not start");
    while (!m_daemon.canReadLine()) {
        if (!m_daemon.waitForReadyRead(10000))
            return QStringLiteral("dbus-daemon printed no address");
    }
    m_address = QString::fromLatin1(m_daemon.readLine().trimmed());
    m_bus = QDBusConnection::connectToBus(m_address, QStringLiteral("server"));
    if (!m_bus->isConnected() || !m_bus->registerObject(QStringLiteral("/org/freedesktop/Notifications"),
                                                        this, QDBusConnection::ExportAllSlots))
        return QStringLiteral("no notification server on the private bus");
    return offer(true) ? QString() : QStringLiteral("service name not taken");
}

bool NotifyServer::offer(bool on)
{
    return on ? m_bus->registerService(kService) : m_bus->unregisterService(kService);
}

QDBusConnection NotifyServer::client()
{
    return QDBusConnection::connectToBus(m_address, QStringLiteral("client%1").arg(++m_clients));
}

bool NotifyServer::reset()
{
    calls.clear();
    hold = false;
    held.clear();
    nextId = 41;
    return offer(true);
}

uint NotifyServer::Notify(const QString &app, uint replaces, const QString &, const QString &summary,
                          const QString &body, const QStringList &, const QVariantMap &hints, int timeout)
{
    calls.append({app, replaces, summary, body, hints, timeout});
    if (hold) {
        setDelayedReply(true);
        held.append(message());
    }
    return nextId++;
}
