#pragma once

#include <QColor>

// Background colours of the status line lblStatus.
namespace StatusColor {
inline const QColor Connected(0, 192, 0);        // green: connected, login under way or through
inline const QColor NoConnection(255, 255, 192); // pale yellow: no connection or no answer
inline const QColor Refused(255, 128, 128);      // light red: the password was refused
} // namespace StatusColor
