#include "exporter/exporter.h"

#include <QDir>
#include <QHostAddress>
#include <QSaveFile>
#include <QSet>

#include "config/settings.h"
#include "monitor/allgemein.h"
#include "monitor/vendors.h"

QStringList watchedAddresses(const Settings &settings)
{
    QStringList candidates{settings.ip};
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

int pollCycleMs(const QString &text)
{
    const double ms = fRoundEven(fVal(text) * 1000.0);
    return ms >= 1 && ms <= 65535 ? int(ms) : 0;
}

Exporter::Exporter(const QStringList &addresses, std::shared_ptr<const WatchConfig> config,
                   std::shared_ptr<SessionClock> clock, std::function<qint64()> wallClockMs, QObject *parent)
    : QObject(parent)
{
    for (const QString &ap : addresses) {
        auto *watch = new ApWatch(ap, config, clock, wallClockMs, this);
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

QByteArray Exporter::exposition() const
{
    QList<ApSample> samples;
    samples.reserve(m_watches.size());
    for (const ApWatch *w : m_watches)
        samples << w->sample();
    // Until the names are read (or when the registry is absent) the label is empty; a
    // scrape never waits for them.
    return renderExposition(samples, [this](const QString &mac) { return m_vendors->lookup(mac).text(); });
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
