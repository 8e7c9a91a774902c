#pragma once

#include <QtGlobal>

// The login robot's steps, counted in ticks of its 200 ms clock from the connect. The
// access point goes by this clock, not by prompts, so the numbers are part of the wire
// protocol: never shift them.
namespace RobotTick {
constexpr qint16 SendUser = 4;      // the user name
constexpr qint16 SendPassword = 6;  // the password
constexpr qint16 AskFirmware = 10;  // "version", into an empty Monitor
constexpr qint16 ReadFirmware = 12; // the reply goes to the parser (firmware version)
constexpr qint16 SendAction = 13;   // one-shot run: the action
constexpr qint16 LoginDone = 19;    // the login phase ends: polling starts, a one-shot run closes
} // namespace RobotTick
