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

void endProcess(int status)
{
    if (ender()) {
        ender()(status);
        return;
    }
    std::fflush(nullptr);
    std::_Exit(status);
}

Ender setEnder(Ender e)
{
    Ender previous = std::move(ender());
    ender() = std::move(e);
    return previous;
}

} // namespace ProcessEnd
