// The window's desktop alerts: the alert watch sees the evaluations the history records
// and the access point's state; each alert goes to the event list, the CSV log and the
// desktop's notification service (or, without one, the status line). The tray icon shows
// the connection.

#include <QDBusConnection>
#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QToolButton>

#include <utility>

#include "monitor/eventprograms.h"
#include "monitor/history.h"
#include "monitor/historylog.h"
#include "monitor/vendors.h"
#include "ui/alertsdialog.h"
#include "ui/frmMonitor.h"
#include "ui/historypage.h"
#include "ui/notifier.h"
#include "ui/presenceview.h"

void frmMonitor::wireAlerts()
{
    connect(m_alertWatch, &AlertWatch::raised, this, &frmMonitor::showAlert);
    // An event program that cannot start or runs too long is said in the status line.
    connect(&m_monitor->programs(), &EventPrograms::logLine, this, [this](const QString &line) {
        if (!isUnloaded())
            lblStatus->setText(line);
    });
    m_historyLog->setMakerSource([this](const QString &mac) { return m_vendors->lookup(mac).text(); });

    using State = StationMonitor::ApState;
    connect(m_session, &ApSession::noAnswer, this, [this] { setAccessPointState(State::Silent); });
    connect(m_session, &ApSession::connectionClosed, this, [this] { setAccessPointState(State::Lost); });
    connect(m_session, &ApSession::loginRefused, this, [this] { setAccessPointState(State::Refused); });
    connect(m_session, &ApSession::replyEvaluated, this, [this](const Reply &r) {
        if (r.kind == Reply::Kind::Completed)
            setAccessPointState(State::Answered);
    });
    // Nobody watches after a logout: no station is reported gone on its own.
    connect(m_session, &ApSession::loggedOut, this, [this] { setAccessPointState(State::Off); });
    connect(m_session, &ApSession::connected, this, &frmMonitor::updateTray);

    connect(cmdBenachrichtigungen, &QPushButton::clicked, this, &frmMonitor::cmdBenachrichtigungen_Click);
    if (QWidget *events = Verlauf->findChild<QWidget *>(QStringLiteral("lstVerlaufEreignisse")))
        setTabOrder(events, cmdBenachrichtigungen);
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        m_tray = new TrayIcon(this);
        connect(m_tray, &TrayIcon::showWindow, this, [this] {
            setWindowState(windowState() & ~Qt::WindowMinimized);
            show();
            raise();
            activateWindow();
        });
        connect(m_tray, &TrayIcon::logout, this, [this] {
            if (Cmd_logout->isEnabled())
                Cmd_logout_Click();
        });
        connect(m_tray, &TrayIcon::end, this, &frmMonitor::CmdEnde_Click);
        updateTray();
    }
}

void frmMonitor::setNotificationBus(const QDBusConnection &bus)
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
                if (!isUnloaded())
                    lblStatus->setText(alert.summary + QStringLiteral("\r\n") + alert.body);
            },
            Qt::QueuedConnection);
    });
}

Notifier &frmMonitor::notifier()
{
    if (!m_notifier)
        setNotificationBus(QDBusConnection::sessionBus());
    return *m_notifier;
}

void frmMonitor::showAlert(const Alert &alert)
{
    if (isUnloaded())
        return;
    HistoryEvent event;
    event.ms = alert.ms;
    event.mac = alert.mac;
    event.name = alert.name;
    event.alert = alert.summary;
    m_history->addAlert(event);
    m_historyLog->write(QDateTime::fromMSecsSinceEpoch(alert.ms), {}, {event});

    // While the maker names are being read (a moment, at the first need) the notification
    // waits for them, and so do later ones, so they keep their order.
    const bool reading =
        !alert.mac.isEmpty() && m_vendors->lookup(alert.mac).kind == VendorRegistry::Result::NotYet;
    if (reading || !m_alertsWaiting.isEmpty()) {
        if (m_alertsWaiting.isEmpty())
            connect(m_vendors, &VendorRegistry::namesReady, this, &frmMonitor::notifyWaiting,
                    Qt::SingleShotConnection);
        m_alertsWaiting.append(alert);
        return;
    }
    notifyAlert(alert);
}

void frmMonitor::notifyWaiting()
{
    const QList<Alert> waiting = std::exchange(m_alertsWaiting, {});
    for (const Alert &alert : waiting)
        notifyAlert(alert);
}

void frmMonitor::notifyAlert(const Alert &alert)
{
    if (isUnloaded())
        return;
    Alert shown = alert;
    if (!alert.mac.isEmpty()) {
        const VendorRegistry::Result maker = m_vendors->lookup(alert.mac);
        if (maker.kind == VendorRegistry::Result::Maker)
            shown.body += QStringLiteral(" (Hersteller: %1)").arg(maker.name);
        else if (maker.kind == VendorRegistry::Result::Private)
            shown.body += QStringLiteral(" (%1)").arg(maker.text());
    }
    m_alertsOut.insert(shown.key, shown);
    notifier().notify(shown);
}

void frmMonitor::setAccessPointState(StationMonitor::ApState state)
{
    if (isUnloaded() || paramMode)
        return; // a one-shot run watches nothing
    m_apSilent = state == StationMonitor::ApState::Silent;
    m_monitor->setApState(m_session->host(), state);
    updateTray();
}

TrayState frmMonitor::trayState() const
{
    TrayState s = TrayState::of(m_session->verbunden(), m_apSilent, m_session->host(), m_stationCount);
    s.toolTip += m_presence->trayLines(); // watched devices that are here, since when
    return s;
}

void frmMonitor::updateTray()
{
    if (m_tray)
        m_tray->show(trayState());
}

void frmMonitor::cmdBenachrichtigungen_Click()
{
    auto *dialog = new AlertsDialog(m_alertWatch->settings(), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    m_presence->fillDialog(dialog);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        m_monitor->setAlertSettings(dialog->settings());
        m_presence->takeDialog(dialog);
    });
    dialog->open();
}

void frmMonitor::alertsChangeEvent(QEvent *event)
{
    // With the option on, a minimized window goes to the tray; its icon brings it back.
    if (event->type() == QEvent::WindowStateChange && isMinimized() && m_tray &&
        m_alertWatch->settings().trayOnMinimize)
        QMetaObject::invokeMethod(this, &QWidget::hide, Qt::QueuedConnection);
}
