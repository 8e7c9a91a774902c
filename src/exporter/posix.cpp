#include "exporter/posix.h"

#include <QFile>
#include <QObject>
#include <QSocketNotifier>
#include <QtGlobal>

#ifdef Q_OS_LINUX
#include <crypt.h>
#include <csignal>
#include <dirent.h>
#include <memory>
#include <sys/resource.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace {

sigset_t stopSignals()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    return set;
}

} // namespace

ProcessFigures processFigures()
{
    ProcessFigures f;
    const double tick = double(sysconf(_SC_CLK_TCK));
    // The command name may hold blanks and parentheses: the fields follow the last ")".
    QFile stat(QStringLiteral("/proc/self/stat"));
    if (tick > 0 && stat.open(QIODevice::ReadOnly)) {
        const QByteArray text = stat.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        // Fields 14, 15, 22 and 24 of proc(5); the list starts at field 3.
        if (fields.size() > 21) {
            f.cpuSeconds = (fields[11].toDouble() + fields[12].toDouble()) / tick;
            f.residentBytes = fields[21].toDouble() * double(sysconf(_SC_PAGESIZE));
            QFile boot(QStringLiteral("/proc/stat"));
            if (boot.open(QIODevice::ReadOnly)) {
                for (const QByteArray &line : boot.readAll().split('\n')) {
                    if (line.startsWith("btime "))
                        f.startTimeSeconds = line.mid(6).toDouble() + fields[19].toDouble() / tick;
                }
            }
        }
    }
    if (DIR *fds = opendir("/proc/self/fd")) {
        double n = 0;
        while (const dirent *e = readdir(fds))
            n += e->d_name[0] != '.';
        closedir(fds);
        f.openFds = n;
    }
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0)
        f.maxFds = limit.rlim_cur == RLIM_INFINITY ? 18446744073709551615.0 : double(limit.rlim_cur);
    return f;
}

void holdStopSignals()
{
    const sigset_t set = stopSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

bool onStopSignal(QObject *context, std::function<void()> onStop)
{
    const sigset_t set = stopSignals();
    const int fd = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
    if (fd < 0)
        return false;
    auto *notifier = new QSocketNotifier(fd, QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [fd, onStop = std::move(onStop)] {
        signalfd_siginfo info;
        while (read(fd, &info, sizeof info) == ssize_t(sizeof info)) {
        }
        onStop();
    });
    QObject::connect(notifier, &QObject::destroyed, [fd] { close(fd); });
    return true;
}

bool bcryptMatches(const QByteArray &password, const QByteArray &hash)
{
    if (password.contains('\0') || hash.contains('\0'))
        return false;
    // crypt_data is some 32 KiB: too much for the stack of every request.
    const auto data = std::make_unique<crypt_data>();
    const char *out = crypt_rn(password.constData(), hash.constData(), data.get(), int(sizeof(crypt_data)));
    if (!out || out[0] == '*')
        return false;
    const QByteArray result(out);
    if (result.size() != hash.size())
        return false;
    unsigned char differ = 0;
    for (qsizetype i = 0; i < hash.size(); ++i)
        differ |= static_cast<unsigned char>(result[i] ^ hash[i]);
    return differ == 0;
}

#else

ProcessFigures processFigures()
{
    return {};
}

void holdStopSignals() {}

bool onStopSignal(QObject *, std::function<void()>)
{
    return false;
}

bool bcryptMatches(const QByteArray &, const QByteArray &)
{
    return false;
}

#endif
