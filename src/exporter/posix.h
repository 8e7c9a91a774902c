#pragma once

#include <QByteArray>
#include <functional>
#include <optional>

class QObject;

// The exporter's only calls into POSIX and Linux: the process's own figures, the stop
// signals and the system's password hashing. On other systems they report nothing.

struct ProcessFigures
{
    std::optional<double> cpuSeconds; // user and system time
    std::optional<double> residentBytes;
    std::optional<double> startTimeSeconds; // since 1970
    std::optional<double> openFds;
    std::optional<double> maxFds; // the soft limit
};
ProcessFigures processFigures();

// Keeps SIGTERM and SIGINT from ending the process at once. Call first in main, before any
// thread starts, so that every thread inherits it.
void holdStopSignals();
// From then on, one of them calls onStop in context's event loop. False when that cannot be
// set up (the signals then stay held).
bool onStopSignal(QObject *context, std::function<void()> onStop);

// Whether password hashes to hash through the system's crypt() (libxcrypt), compared in
// constant time. A password with a NUL byte never matches: crypt() would cut it there.
bool bcryptMatches(const QByteArray &password, const QByteArray &hash);
