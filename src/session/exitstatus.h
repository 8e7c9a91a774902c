#pragma once

// Every exit status the program ends with; the README and the manual page list them.
enum class ExitStatus {
    Ok = 0,             // orderly end; in a one-shot run: the action was sent
    SaveFailed = 1,     // the settings file could not be created or written
    NoConnection = 2,   // one-shot: no connection within its time (or no valid address)
    LoginRefused = 3,   // one-shot: the access point refused user name or password
    NoSettingsFile = 4, // headless start without a settings file
    NoDisplay = 5,      // no display and no action to run without one
    ConnectionLost = 6, // one-shot: the connection ended before the login was through
    NoAnswer = 7,       // one-shot: the access point sent nothing after the connect
};

// The number the process ends with.
constexpr int exitCode(ExitStatus status)
{
    return int(status);
}
