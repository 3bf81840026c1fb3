#include "platform/sessionend.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QByteArray>
#include <QPointer>
#include <QSocketNotifier>
#include <QWidget>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#if QT_CONFIG(xcb)
#include <QGuiApplication>
#include <xcb/xcb.h>
#endif

namespace platform {
namespace {

// The two ends of the pipe from the signal handler to the event loop.
int g_signalPipe[2] = {-1, -1};

extern "C" void writeTerminationByte(int)
{
    const int savedErrno = errno;
    const char byte = 1;
    // A full pipe already holds a request; nothing is lost by dropping this one.
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[1], &byte, 1);
    errno = savedErrno;
}

#if QT_CONFIG(xcb)
xcb_atom_t internAtom(xcb_connection_t *connection, const char *name)
{
    const xcb_intern_atom_cookie_t cookie = xcb_intern_atom(connection, 0, uint16_t(qstrlen(name)), name);
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

class BlockedCloseFilter : public QAbstractNativeEventFilter
{
public:
    BlockedCloseFilter(QWidget *window, std::function<void()> onRequest, xcb_atom_t protocols, xcb_atom_t deleteWindow)
        : m_window(window), m_onRequest(std::move(onRequest)), m_protocols(protocols), m_deleteWindow(deleteWindow)
    {
    }

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *) override
    {
        if (eventType != "xcb_generic_event_t" || !m_window)
            return false;
        const auto *event = static_cast<const xcb_generic_event_t *>(message);
        if ((event->response_type & 0x7f) != XCB_CLIENT_MESSAGE)
            return false;
        const auto *client = static_cast<const xcb_client_message_event_t *>(message);
        if (client->format != 32 || client->type != m_protocols || client->data.data32[0] != m_deleteWindow)
            return false;
        if (!m_window->testAttribute(Qt::WA_WState_Created) || client->window != m_window->winId())
            return false;
        if (!QApplication::activeModalWidget())
            return false; // the window takes it as its own close event
        m_onRequest();
        return true;
    }

private:
    QPointer<QWidget> m_window;
    std::function<void()> m_onRequest;
    xcb_atom_t m_protocols;
    xcb_atom_t m_deleteWindow;
};
#endif

} // namespace

void onTerminationRequest(std::function<void()> onRequest)
{
    if (g_signalPipe[0] >= 0 || !QCoreApplication::instance())
        return;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0)
        return;
    ::fcntl(g_signalPipe[1], F_SETFL, ::fcntl(g_signalPipe[1], F_GETFL) | O_NONBLOCK);

    auto *notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [onRequest = std::move(onRequest)] {
        char bytes[16];
        [[maybe_unused]] const ssize_t got = ::read(g_signalPipe[0], bytes, sizeof bytes);
        onRequest();
    });

    struct sigaction action = {};
    action.sa_handler = writeTerminationByte;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
}

void onBlockedCloseRequest(QWidget *window, std::function<void()> onRequest)
{
#if QT_CONFIG(xcb)
    auto *x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return;
    xcb_connection_t *connection = x11->connection();
    const xcb_atom_t protocols = internAtom(connection, "WM_PROTOCOLS");
    const xcb_atom_t deleteWindow = internAtom(connection, "WM_DELETE_WINDOW");
    if (protocols == XCB_ATOM_NONE || deleteWindow == XCB_ATOM_NONE)
        return;
    // Lives as long as the application, which owns the list of filters.
    static BlockedCloseFilter *filter = nullptr;
    if (filter)
        return;
    filter = new BlockedCloseFilter(window, std::move(onRequest), protocols, deleteWindow);
    qApp->installNativeEventFilter(filter);
#else
    Q_UNUSED(window);
    Q_UNUSED(onRequest);
#endif
}

} // namespace platform
