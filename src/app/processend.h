#pragma once

#include <QString>
#include <functional>

// Ending the process goes through one replaceable function, so tests can observe it.
namespace ProcessEnd {

using Ender = std::function<void(int status)>;

// By default ends the process at once: no further handler runs, no destructor.
void endProcess(int status = 0);

// Writes "Senvaro: <text>" as one line on standard error: why a run without a window
// ended as it did.
void printError(const QString &text);

// Installs another ender (tests); an empty one restores the default. Returns the previous.
Ender setEnder(Ender ender);

} // namespace ProcessEnd
