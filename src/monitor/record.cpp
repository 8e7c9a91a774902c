#include "monitor/record.h"

#include <QDateTime>
#include <QRadioButton>

#include <cmath>

#include "monitor/allgemein.h"
#include "monitor/historylog.h"
#include "ui/frmMonitor.h"

namespace {

bool has(const QString &block, const QString &label)
{
    return fFieldCount(block, label) > 1;
}

} // namespace

// Mirrors the detail fields of the clients page rule by rule.
HistorySample historySample(const QString &block, const QString &name)
{
    HistorySample s;
    s.mac = block.left(17);
    s.name = name;
    double v = 0.0;
    if (has(block, QStringLiteral("RxSignalStrength:")) &&
        numberAfter(block, QStringLiteral("RxSignalStrength"), &v))
        perCentOf64(v, &s.rx);
    // A block holding both forms shows the per-cent value.
    if (has(block, QStringLiteral("RxSignalStrength(per cent):")) &&
        numberAfter(block, QStringLiteral("RxSignalStrength"), &v))
        s.rx = v;
    if (has(block, QStringLiteral("AckSignalStrength:")) &&
        numberAfter(block, QStringLiteral("AckSignalStrength"), &v))
        perCentOf64(v, &s.ack);
    if (has(block, QStringLiteral("Rx Data Rate:")) && numberAfter(block, QStringLiteral("Rx Data Rate"), &v))
        s.rate = v;
    const QString mode = QStringLiteral("WLAN Mode: ");
    if (has(block, mode))
        s.mode = fGetField(fGetField(block, mode, 2), QStringLiteral(","), 1);
    return s;
}

void recordStations(frmMonitor &w, const QString &reply, std::span<const QString> blocks,
                    std::span<const bool> passed)
{
    if (w.loginPhase || w.isUnloaded())
        return;
    if (blocks.empty() && !reply.contains(QLatin1String("No station associated"), Qt::CaseInsensitive))
        return;
    QList<HistorySample> samples;
    for (size_t k = 1; k < blocks.size() && k < passed.size() && k <= w.OptClients.size(); ++k) {
        if (!passed[k])
            continue;
        QString name = w.OptClients[k - 1]->text();
        name.replace(QLatin1String("&&"), QLatin1String("&")); // as the caption shows it
        samples.append(historySample(blocks[k], name));
    }
    // The field functions yield: ENDE may have run meanwhile.
    if (w.isUnloaded())
        return;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QList<HistoryEvent> events = w.history->addEvaluation(now, samples);
    w.historyLog->write(now, samples, events);
}

QList<HistorySample> historySamples(const Reply &reply)
{
    QList<HistorySample> samples;
    for (const StationBlock &b : reply.blocks) {
        if (!b.passed)
            continue;
        HistorySample s;
        s.mac = b.mac;
        s.name = b.name;
        s.rx = b.rx.value_or(0.0);
        s.ack = b.ack.value_or(0.0);
        s.rate = b.rate.value_or(0.0);
        s.mode = b.mode.value_or(QString());
        samples.append(s);
    }
    return samples;
}

bool countsForHistory(const Reply &reply)
{
    return reply.kind == Reply::Kind::Completed && (reply.blockCount >= 1 || reply.noStation);
}
