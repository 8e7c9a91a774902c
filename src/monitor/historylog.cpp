#include "monitor/historylog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "base/allgemein.h"

namespace {

// A field as CSV carries it: quoted when it holds the separator, a quote or a line
// end, so a client named "Büro; hinten" does not shift the columns.
QString field(const QString &text)
{
    if (!text.contains(QLatin1Char(';')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\n')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// Two short lines, so the reason fits the window's status line.
QString reasonText(const QString &what, const QString &fileName)
{
    return QStringLiteral("Verlauf-Protokoll abgeschaltet: ") + what + QStringLiteral("\r\n") + fileName;
}

QString isoTime(const QDateTime &t)
{
    return t.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
}

} // namespace

HistoryLog::HistoryLog(const QString &folder, QObject *parent) : QObject(parent), m_folder(folder) {}

QString HistoryLog::fileName(const QDate &day)
{
    return QStringLiteral("SENVARO-Verlauf-%1.csv").arg(day.toString(QStringLiteral("yyyy-MM-dd")));
}

QString HistoryLog::filePath(const QDate &day) const
{
    return QDir(m_folder).filePath(fileName(day));
}

QString HistoryLog::header()
{
    return QStringLiteral("Zeit;Ereignis;MAC-Adresse;Name;Empfangspegel (%);Ack.-Pegel (%);"
                          "Datenrate (Mbps);WLAN-Modus;Hersteller\r\n");
}

QString HistoryLog::sampleLine(const QDateTime &time, const HistorySample &s, const QString &maker)
{
    return isoTime(time) + QLatin1String(";Messwert;") + field(s.mac) + QLatin1Char(';') + field(s.name) +
           QLatin1Char(';') + fNumText(s.rx) + QLatin1Char(';') + fNumText(s.ack) + QLatin1Char(';') +
           fNumText(s.rate) + QLatin1Char(';') + field(s.mode) + QLatin1Char(';') + field(maker) +
           QLatin1String("\r\n");
}

QString HistoryLog::eventLine(const HistoryEvent &e, const QString &maker)
{
    return isoTime(e.time()) + QLatin1Char(';') + field(e.word()) + QLatin1Char(';') + field(e.mac) +
           QLatin1Char(';') + field(e.name) + QLatin1String(";;;;;") + field(maker) + QLatin1String("\r\n");
}

bool HistoryLog::write(const QDateTime &now, const QList<HistorySample> &samples,
                       const QList<HistoryEvent> &events)
{
    if (!m_enabled)
        return true;
    const QDateTime local = now.toLocalTime(); // the day and the time as the user reads them
    // Lines go to the file of their own day; one evaluation normally has one day.
    QDate day;
    QString lines;
    auto flushTo = [&](const QDate &next) {
        if (!lines.isEmpty() && day.isValid() && !append(day, lines))
            return false;
        lines.clear();
        day = next;
        return true;
    };
    for (const HistorySample &s : samples) {
        if (local.date() != day && !flushTo(local.date()))
            return false;
        lines += sampleLine(local, s, makerOf(s.mac));
    }
    for (const HistoryEvent &e : events) {
        const QDate d = e.time().date();
        if (d != day && !flushTo(d))
            return false;
        lines += eventLine(e, makerOf(e.mac));
    }
    return flushTo(QDate());
}

bool HistoryLog::append(const QDate &day, const QString &lines)
{
    const QString name = fileName(day);
    if (m_folder.isEmpty() || !QFileInfo(m_folder).isDir()) {
        fail(reasonText(QStringLiteral("Ordner fehlt"), name));
        return false;
    }
    QFile file(filePath(day));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        fail(reasonText(QStringLiteral("Datei nicht zu öffnen"), name));
        return false;
    }
    QByteArray bytes;
    if (file.size() == 0)
        bytes = header().toLatin1();
    bytes += lines.toLatin1();
    const bool ok = file.write(bytes) == bytes.size() && file.flush();
    file.close();
    if (!ok || file.error() != QFileDevice::NoError) {
        fail(reasonText(QStringLiteral("Schreibfehler"), name));
        return false;
    }
    return true;
}

void HistoryLog::fail(const QString &reason)
{
    m_enabled = false;
    emit failed(reason);
}
