#pragma once

#include <QString>

// File name of a path, upper case: the text after the last "\" or "/" (or after a
// drive prefix "C:"), cut before its first "." when cut is true.
QString fFileName(const QString &path, bool cut);
// fFileName cut before its first ".".
QString fFileNameNoExt(const QString &path);
// True for an existing file that is not hidden.
bool fFileExists(const QString &path);
