#include "ui/notifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace {
const char *const kService = "org.freedesktop.Notifications";
const char *const kPath = "/org/freedesktop/Notifications";
const char *const kInterface = "org.freedesktop.Notifications";
} // namespace

Notifier::Notifier(QObject *parent) : Notifier(QDBusConnection::sessionBus(), parent) {}

Notifier::Notifier(const QDBusConnection &bus, QObject *parent) : QObject(parent), m_bus(bus) {}

bool Notifier::notify(const Alert &alert)
{
    if (!m_bus.isConnected()) {
        emit notDelivered(alert.key, QStringLiteral("Keine Verbindung zum Sitzungsbus"));
        return false;
    }
    auto pending = m_pending.find(alert.key);
    if (pending != m_pending.end()) {
        *pending = alert; // sent once the call that is out has answered
        return true;
    }
    send(alert);
    return true;
}

void Notifier::send(const Alert &alert)
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(QString::fromLatin1(kService), QString::fromLatin1(kPath),
                                       QString::fromLatin1(kInterface), QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(uchar(alert.urgency)));
    if (!alert.category.isEmpty())
        hints.insert(QStringLiteral("category"), alert.category);
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("io.github.senvaro.senvaro"));
    call << QStringLiteral("Senvaro") << m_ids.value(alert.key, 0u) << QString() << alert.summary
         << alert.body << QStringList() << hints << int(-1);

    const QString key = alert.key;
    m_pending.insert(key, std::nullopt);
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, key](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        const QDBusPendingReply<uint> reply = *w;
        if (reply.isError()) {
            emit notDelivered(key, QStringLiteral("Die Benachrichtigung wurde nicht angezeigt: %1")
                                       .arg(reply.error().message()));
        } else {
            m_ids.insert(key, reply.value());
            emit delivered(key, reply.value());
        }
        const std::optional<Alert> next = m_pending.take(key);
        if (next)
            send(*next);
    });
}
