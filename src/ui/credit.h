#pragma once

#include <QString>

// One hexadecimal digit for 0..15, empty text for any other value.
QString hexDigit(qint16 n);
