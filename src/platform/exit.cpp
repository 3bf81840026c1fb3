#include "platform/exit.h"

#include <cstdio>
#include <cstdlib>

namespace platform {
namespace {

int &count()
{
    static int n = 0;
    return n;
}

std::function<void()> &handler()
{
    static std::function<void()> h;
    return h;
}

} // namespace

void endProgram()
{
    ++count();
    if (handler()) {
        handler()();
        return;
    }
    std::fflush(nullptr);
    std::_Exit(0);
}

int endProgramCount()
{
    return count();
}

void clearEndProgramCount()
{
    count() = 0;
}

void setEndProgramHandler(std::function<void()> h)
{
    handler() = std::move(h);
}

} // namespace platform
