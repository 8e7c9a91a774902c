#include "config/filesync.h"

#include <QtGlobal>
#include <cerrno>
#include <cstring>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace FileSync {

bool toDisk(int handle, QString *reason)
{
#ifdef Q_OS_WIN
    const int result = _commit(handle);
#else
    int result;
    do {
        result = ::fsync(handle);
    } while (result != 0 && errno == EINTR);
#endif
    if (result == 0)
        return true;
#ifndef Q_OS_WIN
    // A file system without a sync of its own keeps nothing back to lose.
    if (errno == EINVAL || errno == ENOTSUP)
        return true;
#endif
    if (reason)
        *reason = QString::fromLocal8Bit(std::strerror(errno));
    return false;
}

} // namespace FileSync
