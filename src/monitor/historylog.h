#pragma once

#include <QDate>
#include <QList>
#include <QObject>
#include <QString>
#include <functional>

#include "monitor/history.h"

// The history written to CSV files, one per day: "SENVARO-Verlauf-YYYY-MM-DD.csv" in
// a given folder (the folder of the settings file). Every sample and every event is
// one line, fields separated by ";", the time as ISO 8601 with seconds, numbers as the
// window's number texts (system decimal separator), Latin-1 like the settings file. The
// last column names the station's maker (from a maker source, empty without one). A
// new or empty file first gets a German header line; an existing file is appended to.
// The day of a line's time chooses its file, so the clock is whatever the caller
// passes. Off by default. A failing write switches the log off and reports a German
// reason through failed(); monitoring never depends on it.
class HistoryLog : public QObject
{
    Q_OBJECT
public:
    explicit HistoryLog(const QString &folder = QString(), QObject *parent = nullptr);

    void setFolder(const QString &folder) { m_folder = folder; }
    QString folder() const { return m_folder; }
    void setEnabled(bool on) { m_enabled = on; }
    bool isEnabled() const { return m_enabled; }
    // Gives the maker column's text for a MAC address; asked only while the log is on.
    void setMakerSource(std::function<QString(const QString &mac)> source) { m_makerOf = std::move(source); }

    // Appends one evaluation: its samples at time now, then its events. Nothing is
    // written while off. False when the write failed (the log is then off).
    bool write(const QDateTime &now, const QList<HistorySample> &samples, const QList<HistoryEvent> &events);

    static QString fileName(const QDate &day);
    QString filePath(const QDate &day) const;
    static QString header();
    static QString sampleLine(const QDateTime &time, const HistorySample &s, const QString &maker = {});
    static QString eventLine(const HistoryEvent &e, const QString &maker = {});

signals:
    // The log switched itself off; reason is a German text for the status line.
    void failed(const QString &reason);

private:
    bool append(const QDate &day, const QString &lines);
    void fail(const QString &reason);

    QString makerOf(const QString &mac) const
    {
        return m_makerOf && !mac.isEmpty() ? m_makerOf(mac) : QString();
    }

    QString m_folder;
    bool m_enabled = false;
    std::function<QString(const QString &)> m_makerOf;
};
