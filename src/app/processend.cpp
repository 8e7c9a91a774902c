#include "app/processend.h"

#include <cstdio>
#include <cstdlib>

namespace ProcessEnd {
namespace {
Ender &ender()
{
    static Ender e;
    return e;
}
} // namespace

void endProcess(ExitStatus status)
{
    if (ender()) {
        ender()(exitCode(status));
        return;
    }
    std::fflush(nullptr);
    std::_Exit(exitCode(status));
}

void printError(const QString &text)
{
    const QByteArray line = (QStringLiteral("Senvaro: ") + text + QLatin1Char('\n')).toLocal8Bit();
    std::fputs(line.constData(), stderr);
    std::fflush(stderr);
}

Ender setEnder(Ender e)
{
    Ender previous = std::move(ender());
    ender() = std::move(e);
    return previous;
}

} // namespace ProcessEnd
