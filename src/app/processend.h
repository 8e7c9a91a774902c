#pragma once

#include <QString>
#include <functional>

#include "session/exitstatus.h"

// Ending the process goes through one replaceable function, so tests can observe it.
namespace ProcessEnd {

// Receives the number the process would end with.
using Ender = std::function<void(int status)>;

// By default ends the process at once: no further handler runs, no destructor.
void endProcess(ExitStatus status = ExitStatus::Ok);

// Writes "Senvaro: <text>" as one line on standard error: why a run without a window
// ended as it did.
void printError(const QString &text);

// Installs another ender (tests); an empty one restores the default. Returns the previous.
Ender setEnder(Ender ender);

} // namespace ProcessEnd
