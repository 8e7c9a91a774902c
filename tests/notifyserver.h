#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QList>
#include <QProcess>
#include <QVariantMap>

#include <optional>

// A private session bus (its own dbus-daemon) with a notification server on it that
// records what it is asked. Tests hand the window or a Notifier a client connection.
class NotifyServer : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Call
    {
        QString app;
        uint replaces;
        QString summary;
        QString body;
        QVariantMap hints;
        int timeout;
    };
    QList<Call> calls;
    bool hold = false; // keep the answer back (in held) instead of answering
    QList<QDBusMessage> held;
    uint nextId = 41;

    ~NotifyServer() override;
    // Starts the daemon and puts the server on it; the reason when that failed.
    QString start();
    // Offers the service name or withdraws it (a bus without notification service).
    bool offer(bool on);
    // A connection of its own for a client, so no client sees another's ids.
    QDBusConnection client();
    QDBusConnection &bus() { return *m_bus; }
    // Forgets calls and held answers and offers the service again.
    bool reset();

public slots:
    uint Notify(const QString &app, uint replaces, const QString &icon, const QString &summary,
                const QString &body, const QStringList &actions, const QVariantMap &hints, int timeout);

private:
    QProcess m_daemon;
    QString m_address;
    std::optional<QDBusConnection> m_bus;
    int m_clients = 0;
};
