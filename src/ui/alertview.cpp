#include "ui/alertview.h"

#include <QDBusConnection>
#include <QDateTime>
#include <QSystemTrayIcon>
#include <QWidget>

#include <utility>

#include "monitor/eventprograms.h"
#include "monitor/history.h"
#include "monitor/historylog.h"
#include "monitor/reply.h"
#include "monitor/vendors.h"
#include "session/apsession.h"
#include "ui/notifier.h"

AlertView::AlertView(QWidget *window, ApSession *session, StationMonitor *monitor)
    : QObject(window), m_window(window), m_session(session), m_monitor(monitor)
{
    setObjectName(QStringLiteral("alertView"));
    connect(&monitor->alerts(), &AlertWatch::raised, this, &AlertView::showAlert);
    // An event program that cannot start or runs too long is said in the status line.
    connect(&monitor->programs(), &EventPrograms::logLine, this, [this](const QString &line) {
        if (!m_stopped)
            emit statusText(line);
    });
    monitor->log().setMakerSource(
        [this](const QString &mac) { return m_vendors ? m_vendors->lookup(mac).text() : QString(); });

    using State = StationMonitor::ApState;
    connect(session, &ApSession::noAnswer, this, [this] { setAccessPointState(State::Silent); });
    connect(session, &ApSession::connectionClosed, this, [this] { setAccessPointState(State::Lost); });
    connect(session, &ApSession::loginRefused, this, [this] { setAccessPointState(State::Refused); });
    connect(session, &ApSession::replyEvaluated, this, [this](const Reply &r) {
        if (r.kind == Reply::Kind::Completed)
            setAccessPointState(State::Answered);
    });
    // Nobody watches after a logout: no station is reported gone on its own.
    connect(session, &ApSession::loggedOut, this, [this] { setAccessPointState(State::Off); });
    connect(session, &ApSession::connected, this, &AlertView::updateTray);
}

void AlertView::setVendors(VendorRegistry *vendors)
{
    m_vendors = vendors;
}

void AlertView::showTray()
{
    if (m_tray || m_stopped || !QSystemTrayIcon::isSystemTrayAvailable())
        return;
    m_tray = new TrayIcon(this);
    connect(m_tray, &TrayIcon::showWindow, this, [w = m_window] {
        w->setWindowState(w->windowState() & ~Qt::WindowMinimized);
        w->show();
        w->raise();
        w->activateWindow();
    });
    connect(m_tray, &TrayIcon::logout, this, &AlertView::logoutRequested);
    connect(m_tray, &TrayIcon::end, this, &AlertView::endRequested);
    updateTray();
}

void AlertView::setNotificationBus(const QDBusConnection &bus)
{
    delete m_notifier;
    m_notifier = new Notifier(bus, this);
    connect(m_notifier, &Notifier::delivered, this, [this](const QString &key) { m_alertsOut.remove(key); });
    connect(m_notifier, &Notifier::notDelivered, this, [this](const QString &key) {
        // Without a notification service the alert shows in the status line, after
        // whatever the session shows for the same moment.
        const Alert alert = m_alertsOut.take(key);
        if (alert.key.isEmpty())
            return;
        QMetaObject::invokeMethod(
            this,
            [this, alert] {
                if (!m_stopped)
                    emit statusText(alert.summary + QStringLiteral("\r\n") + alert.body);
            },
            Qt::QueuedConnection);
    });
}

Notifier &AlertView::notifier()
{
    if (!m_notifier)
        setNotificationBus(QDBusConnection::sessionBus());
    return *m_notifier;
}

void AlertView::showAlert(const Alert &alert)
{
    if (m_stopped)
        return;
    HistoryEvent event;
    event.ms = alert.ms;
    event.mac = alert.mac;
    event.name = alert.name;
    event.alert = alert.summary;
    m_monitor->history().addAlert(event);
    m_monitor->log().write(QDateTime::fromMSecsSinceEpoch(alert.ms), {}, {event});

    // While the maker names are being read (a moment, at the first need) the notification
    // waits for them, and so do later ones, so they keep their order.
    const bool reading = !alert.mac.isEmpty() && m_vendors &&
                         m_vendors->lookup(alert.mac).kind == VendorRegistry::Result::NotYet;
    if (reading || !m_alertsWaiting.isEmpty()) {
        if (m_alertsWaiting.isEmpty())
            connect(m_vendors, &VendorRegistry::namesReady, this, &AlertView::notifyWaiting,
                    Qt::SingleShotConnection);
        m_alertsWaiting.append(alert);
        return;
    }
    notifyAlert(alert);
}

void AlertView::notifyWaiting()
{
    const QList<Alert> waiting = std::exchange(m_alertsWaiting, {});
    for (const Alert &alert : waiting)
        notifyAlert(alert);
}

void AlertView::notifyAlert(const Alert &alert)
{
    if (m_stopped)
        return;
    Alert shown = alert;
    if (!alert.mac.isEmpty() && m_vendors) {
        const VendorRegistry::Result maker = m_vendors->lookup(alert.mac);
        if (maker.kind == VendorRegistry::Result::Maker)
            shown.body += QStringLiteral(" (Hersteller: %1)").arg(maker.name);
        else if (maker.kind == VendorRegistry::Result::Private)
            shown.body += QStringLiteral(" (%1)").arg(maker.text());
    }
    m_alertsOut.insert(shown.key, shown);
    notifier().notify(shown);
}

void AlertView::recorded(int stationCount)
{
    m_stationCount = stationCount;
    updateTray();
}

void AlertView::setAccessPointState(StationMonitor::ApState state)
{
    if (m_stopped || m_oneShot)
        return; // a one-shot run watches nothing
    m_apSilent = state == StationMonitor::ApState::Silent;
    m_monitor->setApState(m_session->host(), state);
    updateTray();
}

TrayState AlertView::trayState() const
{
    TrayState s = TrayState::of(m_session->verbunden(), m_apSilent, m_session->host(), m_stationCount);
    if (m_trayLines)
        s.toolTip += m_trayLines();
    return s;
}

void AlertView::updateTray()
{
    if (m_tray)
        m_tray->show(trayState());
}

void AlertView::windowStateChanged()
{
    if (m_window->isMinimized() && m_tray && m_monitor->alerts().settings().trayOnMinimize)
        QMetaObject::invokeMethod(m_window, &QWidget::hide, Qt::QueuedConnection);
}
