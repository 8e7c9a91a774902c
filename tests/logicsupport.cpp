#include "logicsupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include "base/wintimer.h"

bool waitUntilImpl(const std::function<bool()> &pred, int ms)
{
    QDeadlineTimer deadline(ms);
    while (!pred()) {
        if (deadline.hasExpired())
            return pred();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.flush();
}

KnownClients knownClients(const QList<tMAC> &records)
{
    KnownClients k;
    k.resize(qMax(1, int(records.size())));
    for (int i = 0; i < records.size(); ++i)
        k[i] = records[i];
    return k;
}

bool stepUntil(SteppedClock &clock, const std::function<bool()> &pred, int ms)
{
    return waitUntil([&] { return pred() || (clock.advance(100), pred()); }, ms);
}
