#pragma once

// Runs the user's program on presence events: started directly (no shell, no arguments),
// the event in environment variables, a few at a time, never holding up polling.

#include <QList>
#include <QObject>
#include <QProcessEnvironment>
#include <QString>
#include <QTimer>

#include <deque>
#include <optional>

class QProcess;

struct ProgramEvent
{
    QString kind;                  // angekommen, gegangen, gewechselt, fremd, ap_stumm or ap_wieder_da
    QString mac;                   // empty for access-point events
    QString name;                  // as the clients page names the station
    QString ap;                    // the access point's address
    QString apName;                // its name from the known-client records, may be empty
    std::optional<qint64> sinceMs; // connected since, ms since the epoch (UTC), when known
};

class EventPrograms : public QObject
{
    Q_OBJECT
public:
    struct Limits
    {
        int maxRunning = 4;      // programs at once
        int maxWaiting = 100;    // events waiting for a free place; later ones are dropped
        int timeLimitMs = 10000; // a program running longer is ended
        int killAfterMs = 2000;  // after the request to end, it is killed
        int dropReportMs = 1000; // drops within this time after the first are logged as one line
    };

    explicit EventPrograms(QObject *parent = nullptr);
    // Running programs are killed.
    ~EventPrograms() override;

    // Events run from now on start this program; empty turns them off and forgets the
    // waiting ones (running ones end on their own).
    void setProgram(const QString &path);
    QString program() const { return m_program; }
    void setLimits(const Limits &limits) { m_limits = limits; }
    const Limits &limits() const { return m_limits; }

    // Starts the program for e, or queues e while maxRunning run; without a program nothing.
    void run(const ProgramEvent &e);

    int running() const { return int(m_running.size()); }
    int waiting() const { return int(m_waiting.size()); }
    qint64 dropped() const { return m_dropped; } // since construction

    // The process environment (base) with the event's SENVARO_ variables, each always set
    // (empty when unknown), so none is inherited from Senvaro's own environment.
    static QProcessEnvironment environmentFor(const ProgramEvent &e, const QProcessEnvironment &base);
    // ms since the epoch as local time with its offset, e.g. 2026-12-07T10:15:00+01:00.
    static QString localTimeText(qint64 ms);

signals:
    // One line for the log, German: a start failure (once until the program changes or
    // starts again), a program ended at its time limit, events dropped in a burst.
    void logLine(const QString &text);

private:
    void startWaiting();
    void launch(const ProgramEvent &e);
    void done(QProcess *process);
    void reportDrops();

    QString m_program;
    Limits m_limits;
    std::deque<ProgramEvent> m_waiting;
    QList<QProcess *> m_running;
    qint64 m_dropped = 0;
    int m_burstDropped = 0;
    bool m_failureLogged = false;
    QTimer m_next;       // starts waiting events once the finished ones are gone
    QTimer m_dropReport; // ends a burst of drops
};
