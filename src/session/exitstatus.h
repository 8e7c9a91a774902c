#pragma once

// Every exit status the program ends with; the README and the manual page list them.
namespace ExitStatus {
constexpr int Ok = 0;             // orderly end; in a one-shot run: the action was sent
constexpr int SaveFailed = 1;     // the settings file could not be created or written
constexpr int NoConnection = 2;   // one-shot: no connection within its time (or no valid address)
constexpr int LoginRefused = 3;   // one-shot: the access point refused user name or password
constexpr int NoSettingsFile = 4; // headless start without a settings file
constexpr int NoDisplay = 5;      // no display and no action to run without one
constexpr int ConnectionLost = 6; // one-shot: the connection ended before the login was through
constexpr int NoAnswer = 7;       // one-shot: the access point sent nothing after the connect
} // namespace ExitStatus
