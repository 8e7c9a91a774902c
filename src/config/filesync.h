#pragma once

#include <QString>

// The one place that calls the operating system directly: everything else is Qt.
namespace FileSync {

// Forces what was written to the open file handle onto the disk. False when the
// system reports that it could not (then the data may be lost); reason says why.
bool toDisk(int handle, QString *reason);

} // namespace FileSync
