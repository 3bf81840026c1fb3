#include "platform/exit.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdio>
#include <cstdlib>

namespace platform {
namespace {

int &count()
{
    static int n = 0;
    return n;
}

bool &ending()
{
    static bool e = false;
    return e;
}

std::function<void()> &handler()
{
    static std::function<void()> h;
    return h;
}

std::function<void()> &hider()
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
    ending() = true;
    if (!QCoreApplication::instance()) {
        std::fflush(nullptr);
        std::_Exit(0);
    }
    // Out of sight now, whatever is still unwinding; hiding a modal box also ends its wait.
    if (hider())
        hider()();
    // Called, not posted: a posted quit is dropped by the next nested event loop that
    // starts before it is delivered. Exiting marks the thread as quitting, so every loop
    // running now ends and every loop started later returns at once.
    QCoreApplication::exit(0);
    // Asked before the event loop runs: the loop clears that mark when it starts, so it is
    // told again once it runs (a call, not a quit event, so no nested loop drops it).
    if (QThread::currentThread()->loopLevel() == 0)
        QMetaObject::invokeMethod(QCoreApplication::instance(), [] { QCoreApplication::exit(0); },
                                  Qt::QueuedConnection);
}

bool programEnding()
{
    return ending();
}

int endProgramCount()
{
    return count();
}

void clearEndProgramCount()
{
    count() = 0;
    ending() = false;
}

void setEndProgramHandler(std::function<void()> h)
{
    handler() = std::move(h);
}

void setWindowHider(std::function<void()> hide)
{
    hider() = std::move(hide);
}

} // namespace platform
