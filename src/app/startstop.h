#pragma once

#include <QString>
#include <memory>

#include "config/filename.h" // fFileExists, fFileNameNoExt
#include "session/exitstatus.h"

class frmMonitor;
class SessionClock;

// Start and orderly end (module "StartStop").
namespace StartStop {

// Finds or creates the settings file, loads and shows the window. Returns the window,
// or nullptr when the program is to end (the process-end seam has then been called).
// exePath is the executable's full path, commandLine the text after its name; clock is
// the window's session clock (tests step one; real timers by default).
frmMonitor *Main(const QString &exePath, const QString &commandLine,
                 std::shared_ptr<SessionClock> clock = {});

// Takes the window's requests to end: the orderly end saves its settings to settingsFile
// (ProgrammEnde), a failed one-shot run writes its reason to standard error; then the
// window unloads and the process ends. Hands the window the settings file's folder.
void attach(frmMonitor &w, const QString &settingsFile);

// Saves the settings, unloads the window and ends the process.
void ProgrammEnde(frmMonitor &w, const QString &settingsFile);

} // namespace StartStop
