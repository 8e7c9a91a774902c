// "Wer ist da?": the watch list with its arrival and departure notices, the presence
// window, "verbunden seit" for tooltips, and the day files kept.

#include "ui/presenceview.h"

#include <QCheckBox>
#include <QDateTime>
#include <QFileInfo>
#include <QLabel>
#include <QTimer>

#include "config/inirw.h"
#include "monitor/dayfiles.h"
#include "monitor/historylog.h"
#include "monitor/presencemodel.h"
#include "monitor/stationmonitor.h"
#include "ui/alertsdialog.h"
#include "ui/alertview.h"
#include "ui/clientspage.h"
#include "ui/frmMonitor.h"
#include "ui/historypage.h"
#include "ui/historywindow.h"
#include "ui/loginpage.h"
#include "ui/presencewindow.h"
#include "ui/setuppage.h"
#include "ui/verlaufpage.h"

namespace {

QString placeSection()
{
    return QString::fromLatin1(SettingKeys::kPresenceWindow);
}

// "Laptop Anna (00:11:22:33:44:55)", or the MAC alone for a station without a name.
QString label(const QString &mac, const QString &name)
{
    const QString n = name.trimmed();
    return n.isEmpty() || n == mac ? mac : QStringLiteral("%1 (%2)").arg(n, mac);
}

} // namespace

PresenceWindowSettings PresenceWindowSettings::read(const INIRW::Document &doc)
{
    PresenceWindowSettings s;
    const char *keys[] = {"left", "top", "width", "height"};
    int v[4] = {};
    for (int i = 0; i < 4; ++i) {
        const std::optional<QString> text = doc.value(placeSection(), QString::fromLatin1(keys[i]));
        bool ok = false;
        v[i] = text ? text->trimmed().toInt(&ok) : 0;
        if (!ok)
            return s;
    }
    if (v[2] > 0 && v[3] > 0)
        s.twips = QRect(v[0], v[1], v[2], v[3]);
    return s;
}

void PresenceWindowSettings::write(INIRW::Document &doc) const
{
    if (!twips)
        return;
    doc.setValue(placeSection(), QStringLiteral("left"), QString::number(twips->x()));
    doc.setValue(placeSection(), QStringLiteral("top"), QString::number(twips->y()));
    doc.setValue(placeSection(), QStringLiteral("width"), QString::number(twips->width()));
    doc.setValue(placeSection(), QStringLiteral("height"), QString::number(twips->height()));
}

PresenceView::PresenceView(frmMonitor *window, AlertView *alerts, const WindowPages &pages)
    : QObject(window), m_w(window), m_monitor(&window->stationMonitor()), m_alerts(alerts), m_pages(pages),
      m_midnight(new QTimer(this))
{
    setObjectName(QStringLiteral("presenceView"));
    m_midnight->setSingleShot(true);
    connect(m_midnight, &QTimer::timeout, this, [this] {
        removeOldDayFiles();
        armMidnight();
    });
    connect(m_monitor, &StationMonitor::deviceUpdated, this, &PresenceView::onDeviceUpdated);
    connect(m_monitor, &StationMonitor::stationEvent, this, &PresenceView::onStationEvent);
    // A new login announces every watched device once more when it is first listed.
    connect(&m_w->session(), &ApSession::loggedOut, this, [this] { m_arrived.clear(); });
    connect(m_pages.verlauf, &VerlaufPage::presenceRequested, this, &PresenceView::openWindow);
    connect(m_pages.verlauf, &VerlaufPage::alertsDialogOpening, this, [this](AlertsDialog *dialog) {
        fillDialog(dialog);
        connect(dialog, &QDialog::accepted, this, [this, dialog] { takeDialog(dialog); });
    });
    // The spans of days read the log's day files: offered while the log is on (the log's
    // own switch handler has set its folder by now).
    connect(m_pages.setup, &SetupPage::historyLogSwitched, this, [this](bool on) {
        const QString folder = on ? m_monitor->log().folder() : QString();
        m_pages.verlauf->setDayFolder(folder);
        if (m_window)
            m_window->setDayFolder(folder);
    });
    // The station buttons' tooltips say since when: the evaluation that showed them came
    // before the monitor's word on it.
    m_pages.clients->setToolTipLine([this](const QString &mac) { return sinceText(mac); });
    connect(m_monitor, &StationMonitor::stationEvent, m_pages.clients, &ClientsPage::showMakers);
    m_alerts->setTrayLines([this] { return trayLines(); });
}

PresenceView::~PresenceView() = default;

QStringList PresenceView::candidates() const
{
    QStringList macs;
    for (const tMAC &r : m_w->knownClients())
        if (!r.isAccessPoint() && !r.MAC.trimmed().isEmpty())
            macs << r.MAC.trimmed();
    return macs;
}

void PresenceView::load(const QString &settingsFile)
{
    m_file = settingsFile;
    INIRW::Document doc;
    if (INIRW::readDocument(m_file, &doc, nullptr)) {
        m_watch = WatchListSettings::read(doc, candidates());
        m_history = HistorySettings::read(doc);
        m_place = PresenceWindowSettings::read(doc);
    }
    m_watchSaved = m_watch;
    m_historySaved = m_history;
    m_placeSaved = m_place;
    removeOldDayFiles();
    armMidnight();
}

void PresenceView::setWatchList(const WatchListSettings &watch)
{
    if (watch == m_watch)
        return;
    // Devices watched anew are announced when next listed after having been away.
    for (const QString &mac : watch.macs)
        if (!m_watch.isWatched(mac)) {
            const DeviceState *d = m_monitor->device(mac);
            if (d && d->presence == Presence::Present)
                m_arrived.insert(mac.toUpper());
        }
    m_watch = watch;
    m_alerts->updateTray();
}

void PresenceView::setHistorySettings(const HistorySettings &settings)
{
    if (settings == m_history)
        return;
    m_history = settings;
    removeOldDayFiles();
}

void PresenceView::removeOldDayFiles()
{
    if (m_file.isEmpty())
        return;
    QString error;
    const QString folder =
        m_w->settingsFolder().isEmpty() ? QFileInfo(m_file).absolutePath() : m_w->settingsFolder();
    ::removeOldDayFiles(folder, m_history.keepDays, QDate::currentDate(), &error);
    if (!error.isEmpty() && !m_w->isUnloaded())
        m_pages.login->setStatusText(error);
}

void PresenceView::armMidnight()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime next = now.date().addDays(1).startOfDay().addSecs(5);
    m_midnight->start(int(std::clamp<qint64>(now.msecsTo(next), 1000, 25LL * 3600 * 1000)));
}

void PresenceView::fillDialog(AlertsDialog *dialog) const
{
    QList<AlertsDialog::WatchEntry> entries;
    for (const tMAC &r : m_w->knownClients())
        if (!r.isAccessPoint() && !r.MAC.trimmed().isEmpty())
            entries.append({r.MAC.trimmed(), r.Name.trimmed(), m_watch.isWatched(r.MAC)});
    dialog->setWatchEntries(entries);
    dialog->setKeepDays(m_history.keepDays);
}

void PresenceView::takeDialog(const AlertsDialog *dialog)
{
    WatchListSettings watch = m_watch;
    for (const AlertsDialog::WatchEntry &e : dialog->watchEntries())
        watch.setWatched(e.mac, e.watched);
    setWatchList(watch);
    HistorySettings keep = m_history;
    keep.keepDays = dialog->keepDays();
    setHistorySettings(keep);
}

void PresenceView::onDeviceUpdated(const DeviceState &d)
{
    // Listed by this evaluation: arrived, unless announced since the login and not gone
    // since (a silent access point answering again is no arrival).
    if (d.presence != Presence::Present || d.goneSinceMs || !d.lastSeenMs || !m_watch.isWatched(d.mac))
        return;
    const QString k = d.mac.toUpper();
    if (m_arrived.contains(k))
        return;
    m_arrived.insert(k);
    announce(true, d.mac, d.name, *d.lastSeenMs);
}

void PresenceView::onStationEvent(const StationEvent &e)
{
    if (e.kind != StationEvent::Kind::Left || !m_watch.isWatched(e.mac))
        return;
    m_arrived.remove(e.mac.toUpper());
    announce(false, e.mac, e.name, e.ms);
}

void PresenceView::announce(bool arrived, const QString &mac, const QString &name, qint64 ms)
{
    Alert a;
    a.kind = arrived ? Alert::Kind::StationArrived : Alert::Kind::StationGone;
    a.ms = ms;
    a.mac = mac;
    a.name = name.trimmed().isEmpty() ? mac : name.trimmed();
    a.summary = arrived ? QStringLiteral("Station angekommen") : QStringLiteral("Station gegangen");
    a.body =
        label(mac, name) + (arrived ? QStringLiteral(" ist angekommen") : QStringLiteral(" ist gegangen"));
    a.category = arrived ? QStringLiteral("network.connected") : QStringLiteral("network.disconnected");
    // The same key as the station's other alerts: a newer notice replaces the older.
    a.key = QStringLiteral("station/") + mac;
    m_alerts->showAlert(a);
    m_alerts->updateTray();
}

QString PresenceView::sinceText(const QString &mac) const
{
    const DeviceState *d = mac.isEmpty() ? nullptr : m_monitor->device(mac);
    if (!d || d->presence != Presence::Present || !d->sinceMs)
        return QString();
    return QStringLiteral("verbunden seit ") + PresenceModel::timeText(*d->sinceMs);
}

QString PresenceView::trayLines() const
{
    QString lines;
    for (const QString &mac : m_watch.macs) {
        const QString since = sinceText(mac);
        if (since.isEmpty())
            continue;
        const DeviceState *d = m_monitor->device(mac);
        lines += QLatin1Char('\n') + (d->name.trimmed().isEmpty() ? mac : d->name.trimmed()) +
                 QStringLiteral(": ") + since;
    }
    return lines;
}

void PresenceView::openWindow()
{
    if (!m_window) {
        m_window = new PresenceWindow(m_monitor, &m_monitor->history(), &m_w->vendors(), m_w);
        m_window->setObjectName(QStringLiteral("WerIstDaFenster"));
        if (m_place.twips)
            m_window->setTwips(*m_place.twips);
        m_window->setDayFolder(m_monitor->log().isEnabled() ? m_monitor->log().folder() : QString());
        connect(m_window, &PresenceWindow::hidden, this, [this] { m_place.twips = m_window->twips(); });
    }
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

PresenceWindow *PresenceView::window() const
{
    return m_window;
}

std::optional<QRect> PresenceView::windowTwips() const
{
    if (m_window && m_window->isVisible())
        return m_window->twips();
    return m_place.twips;
}

bool PresenceView::save(const QString &settingsFile, QString *error)
{
    if (m_window && m_window->isVisible())
        m_place.twips = m_window->twips();
    const bool watch = m_watch != m_watchSaved, keep = m_history != m_historySaved,
               place = m_place != m_placeSaved;
    if (!watch && !keep && !place)
        return true;
    const QStringList known = candidates();
    const bool ok = INIRW::updateDocument(
        settingsFile,
        [&](INIRW::Document &doc, QString *) {
            if (watch)
                m_watch.write(doc, known);
            if (keep)
                m_history.write(doc);
            if (place)
                m_place.write(doc);
            return true;
        },
        error);
    if (ok) {
        m_watchSaved = m_watch;
        m_historySaved = m_history;
        m_placeSaved = m_place;
    }
    return ok;
}

void PresenceView::end()
{
    if (m_window && m_window->isVisible()) {
        m_place.twips = m_window->twips();
        m_window->close();
    }
}
