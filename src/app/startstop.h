#pragma once

#include <QString>

#include "config/filename.h" // fFileExists, fFileNameNoExt

class frmMonitor;

// Start and orderly end (module "StartStop").
namespace StartStop {

// Finds or creates the settings file, loads and shows the window. Returns the window,
// or nullptr when the program is to end (the process-end seam has then been called).
// exePath is the executable's full path, commandLine the text after its name.
frmMonitor *Main(const QString &exePath, const QString &commandLine);

// Saves the settings, unloads the window and ends the process.
void ProgrammEnde(frmMonitor &w);

} // namespace StartStop

// Current command line as the window load reads it: Main stores its argument here.
QString commandLineText();
void setCommandLineText(const QString &text);
