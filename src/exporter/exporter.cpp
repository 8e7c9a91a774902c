#include "exporter/exporter.h"

#include <QDir>
#include <QHostAddress>
#include <QSaveFile>
#include <QSet>

#include <QFileInfo>
#include <algorithm>

#include "config/inifile.h"
#include "config/inirw.h"
#include "config/settings.h"
#include "exporter/mqtt.h"
#include "monitor/eventprograms.h"
#include "monitor/stationmonitor.h"
#include "monitor/vendors.h"

QStringList watchedAddresses(const Settings &settings, bool hasServer)
{
    QStringList candidates;
    if (hasServer)
        candidates << settings.ip;
    candidates += settings.clients.accessPointAddresses();
    QStringList out;
    QSet<QString> seen;
    for (const QString &raw : candidates) {
        const QString text = raw.trimmed();
        QHostAddress address;
        if (text.isEmpty() || !address.setAddress(text))
            continue;
        // 127.0.0.1 and 127.000.000.001 are one access point.
        const QString key = address.toString();
        if (seen.contains(key))
            continue;
        seen.insert(key);
        out << text;
    }
    return out;
}

bool parseShare(const QString &text, int *k, int *n)
{
    const QStringList parts = text.trimmed().split(QLatin1Char('/'));
    if (parts.size() != 2)
        return false;
    bool okK = false;
    bool okN = false;
    const int kk = parts[0].toInt(&okK);
    const int nn = parts[1].toInt(&okN);
    if (!okK || !okN || kk < 1 || kk > nn)
        return false;
    *k = kk;
    *n = nn;
    return true;
}

QStringList shareOf(const QStringList &addresses, int k, int n)
{
    QStringList out;
    for (qsizetype i = k - 1; i < addresses.size(); i += n)
        out << addresses[i];
    return out;
}

bool loadWatchSettings(const QString &path, Settings *settings, QStringList *addresses, QString *error)
{
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable()) {
        *error = QStringLiteral("Einstellungsdatei %1 nicht lesbar").arg(path);
        return false;
    }
    IniFile ini;
    if (!ini.load(path, *settings)) {
        *error = ini.errorText();
        return false;
    }
    // A file without the key reads as the built-in default address, which is often the
    // site's router: only an address the file names is watched.
    INIRW::Document doc;
    QString reason;
    if (!INIRW::readDocument(path, &doc, &reason)) {
        *error = reason;
        return false;
    }
    *addresses =
        watchedAddresses(*settings, doc.value(QStringLiteral("Server"), QStringLiteral("IP")).has_value());
    if (addresses->isEmpty()) {
        *error = QStringLiteral("%1 nennt keinen Access Point mit gültiger Adresse ([Server] IP oder ein "
                                "Eintrag mit ist_AP=Wahr)")
                     .arg(path);
        return false;
    }
    return true;
}

Exporter::Exporter(const QStringList &addresses, std::shared_ptr<const WatchConfig> config,
                   std::shared_ptr<SessionClock> clock, std::function<qint64()> wallClockMs, QObject *parent)
    : QObject(parent)
{
    m_monitor = new StationMonitor(clock, this);
    // Nobody looks at a history here; presence and roams are what the series show.
    m_monitor->setHistoryEnabled(false);
    m_monitor->setAlertSettings(config->alerts);
    m_monitor->setKnownClients(config->known);
    connect(m_monitor, &StationMonitor::stationEvent, this, &Exporter::logStationEvent);
    connect(&m_monitor->programs(), &EventPrograms::logLine, this, &Exporter::logLine);
    for (const QString &ap : addresses) {
        auto *watch = new ApWatch(ap, config, clock, wallClockMs, m_monitor, this);
        m_apNames.insert(ap, accessPointName(config->known, ap));
        connect(watch, &ApWatch::stateChanged, this, [this](const QString &address, ApWatch::State state) {
            emit logLine(QStringLiteral("AP %1: %2").arg(address, ApWatch::stateText(state)));
        });
        m_watches << watch;
    }
    m_round = clock->createTimer(config->cycleMs, this);
    connect(m_round, &WinTimer::timeout, this, &Exporter::round);
    m_vendors = new VendorRegistry(VendorRegistry::defaultFolder(), this);
}

void Exporter::start()
{
    for (ApWatch *w : std::as_const(m_watches))
        w->start();
    m_round->setEnabled(true);
}

QByteArray Exporter::exposition(QByteArrayView more) const
{
    QList<ApSample> samples;
    samples.reserve(m_watches.size());
    for (const ApWatch *w : m_watches) {
        ApSample s = w->sample();
        s.joins = m_monitor->joins(s.ap);
        s.leaves = m_monitor->leaves(s.ap);
        for (StationSample &st : s.stations) {
            if (const DeviceState *d = m_monitor->device(st.mac); d && d->ap == s.ap)
                st.connectedSinceMs = d->sinceMs;
        }
        samples << s;
    }
    // The same order at every scrape: sorted again only when a device came or went or
    // an access point writes one's address differently now.
    const QHash<QString, DeviceState> &all = m_monitor->devices();
    bool sorted = m_deviceOrderVersion == m_monitor->deviceSetVersion() && m_deviceOrder.size() == all.size();
    for (qsizetype i = 0; sorted && i < m_deviceOrder.size(); ++i) {
        const auto it = all.constFind(m_deviceOrder[i]);
        sorted = it != all.cend() && it->mac == m_deviceOrderMacs[i];
    }
    if (!sorted) {
        QList<std::pair<QString, QString>> order; // mac, key
        order.reserve(all.size());
        for (auto it = all.cbegin(); it != all.cend(); ++it)
            order.append({it->mac, it.key()});
        std::sort(order.begin(), order.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
        m_deviceOrder.clear();
        m_deviceOrderMacs.clear();
        for (const auto &[mac, k] : order) {
            m_deviceOrderMacs << mac;
            m_deviceOrder << k;
        }
        m_deviceOrderVersion = m_monitor->deviceSetVersion();
    }
    QList<DeviceSample> devices;
    devices.reserve(m_deviceOrder.size());
    for (const QString &k : std::as_const(m_deviceOrder)) {
        const DeviceState &d = *all.constFind(k);
        const char *state = d.presence == Presence::Present  ? "present"
                            : d.presence == Presence::Absent ? "absent"
                                                             : "unknown";
        devices << DeviceSample{d.mac, state, d.roams};
    }
    return m_renderer.render(
        samples, devices, [this](const QString &mac) { return vendorOf(mac); }, more);
}

QString Exporter::vendorOf(const QString &mac) const
{
    if (const auto it = m_vendorOf.constFind(mac); it != m_vendorOf.cend())
        return *it;
    // Until the names are read (or when the registry is absent) the label is empty; a
    // scrape never waits for them. Only final answers are kept, at most one per device.
    const QString text = m_vendors->lookup(mac).text();
    if (m_vendors->isLoaded()) {
        if (m_vendorOf.size() >= StationMonitor::kMaxDevices)
            m_vendorOf.clear();
        m_vendorOf.insert(mac, text);
    }
    return text;
}

void Exporter::setMqtt(MqttPublisher *publisher)
{
    m_mqtt = publisher;
    connect(m_monitor, &StationMonitor::deviceUpdated, this, &Exporter::publishDevice);
    for (const DeviceState &d : m_monitor->devices())
        publishDevice(d);
}

void Exporter::publishDevice(const DeviceState &d)
{
    MqttDevice m;
    m.mac = d.mac;
    m.name = d.name;
    m.maker = m_vendors->lookup(d.mac).text();
    m.known = d.known;
    m.presence = d.presence == Presence::Present  ? MqttDevice::Presence::Present
                 : d.presence == Presence::Absent ? MqttDevice::Presence::Absent
                                                  : MqttDevice::Presence::Unknown;
    m.ap = d.ap;
    m.apName = m_apNames.value(d.ap);
    if (d.presence != Presence::Absent) {
        m.rxPerCent = d.value.rx;
        m.rateMbps = d.value.rate;
        m.mode = d.value.mode;
    }
    m.connectedSinceMs = d.sinceMs;
    m_mqtt->updateDevice(m);
}

void Exporter::setEventProgram(const QString &path)
{
    m_monitor->programs().setProgram(path);
}

void Exporter::logStationEvent(const StationEvent &e)
{
    const QString who = e.name == e.mac ? e.mac : QStringLiteral("%1 (%2)").arg(e.name, e.mac);
    emit logLine(QStringLiteral("Station %1: %2").arg(who, e.text()));
}

bool Exporter::writeTextfile(QString *error) const
{
    const QString path = QDir(m_textfileDir).filePath(QStringLiteral("senvaro.prom"));
    QSaveFile file(path);
    QString reason;
    if (!file.open(QIODevice::WriteOnly))
        reason = file.errorString();
    else if (file.write(exposition()) < 0 || !file.commit())
        reason = file.errorString();
    if (reason.isEmpty())
        return true;
    if (error)
        *error =
            QStringLiteral("Textdatei %1 nicht geschrieben: %2").arg(QDir::toNativeSeparators(path), reason);
    return false;
}

void Exporter::round()
{
    if (m_mqtt) {
        for (const ApWatch *w : std::as_const(m_watches))
            m_mqtt->updateAccessPoint(w->sample().ap, w->sample().stationCount);
    }
    if (m_textfileDir.isEmpty())
        return;
    QString error;
    if (writeTextfile(&error)) {
        m_lastWriteError.clear();
    } else if (error != m_lastWriteError) {
        // Once per kind of failure, not once per round.
        m_lastWriteError = error;
        emit logLine(error);
    }
}

QByteArray Exporter::stoppedExposition() const
{
    QList<ApSample> samples;
    for (const ApWatch *w : m_watches) {
        ApSample s = w->sample();
        s.up = false;
        s.stationCount.reset();
        s.stations.clear();
        samples << s;
    }
    return renderExposition(samples);
}
