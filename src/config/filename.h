#pragma once

#include <QString>

// File name of a path, upper case: the text after the last "\" or "/" (or after a
// drive prefix "C:"), cut before its first "." when cut is true.
QString fFileName(const QString &path, bool cut);
