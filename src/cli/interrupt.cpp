#include "interrupt.h"

#include "download/cls_download.h"
#include "platform/exit.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int g_pipe[2] = {-1, -1};

extern "C" void writeSignalByte(int signal)
{
    const int savedErrno = errno;
    const char byte = char(signal);
    // A full pipe already holds a signal; nothing is lost by dropping this one.
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    errno = savedErrno;
}

} // namespace

Interrupts::Interrupts()
{
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &Interrupts::take);

    struct sigaction action = {};
    action.sa_handler = writeSignalByte;
    sigemptyset(&action.sa_mask);
    // Once only: a run that does not end after the first signal ends at the second.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

Interrupts::~Interrupts()
{
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    delete m_notifier;
    for (int &fd : g_pipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

void Interrupts::watch(Cls_DownLoad *transfer)
{
    m_transfer = transfer;
}

void Interrupts::take()
{
    char byte = 0;
    if (::read(g_pipe[0], &byte, 1) != 1 || m_signal != 0)
        return;
    m_signal = byte;
    if (m_transfer)
        m_transfer->abandon();
    platform::endProgram();
}
