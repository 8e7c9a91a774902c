#pragma once

#include <QDBusConnection>
#include <QHash>
#include <QObject>
#include <QString>

#include <optional>

#include "monitor/alerts.h"

// Shows alerts through the desktop's notification service (org.freedesktop.Notifications
// on the session bus). Every call is asynchronous: notify() returns at once and the
// answer arrives as delivered() or notDelivered(). Nothing here raises a box.
class Notifier : public QObject
{
    Q_OBJECT
public:
    // Uses the session bus.
    explicit Notifier(QObject *parent = nullptr);
    // Uses the given bus (tests pass a private one).
    explicit Notifier(const QDBusConnection &bus, QObject *parent = nullptr);

    // Sends the alert, replacing the notification shown last for the same key. False
    // when there is no bus to send on: notDelivered() has then been emitted. While a
    // call for the same key is out, the alert waits for its answer (a later one for the
    // key takes its place), so the notification is replaced rather than stacked.
    bool notify(const Alert &alert);

signals:
    void delivered(const QString &key, uint id);
    void notDelivered(const QString &key, const QString &reason);

private:
    void send(const Alert &alert);

    QDBusConnection m_bus;
    QHash<QString, uint> m_ids;                     // key -> id the service gave
    QHash<QString, std::optional<Alert>> m_pending; // key -> alert waiting for the answer
};
