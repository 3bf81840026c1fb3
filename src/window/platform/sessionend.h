#pragma once

#include <functional>

class QWidget;

namespace platform {

// Requests to end the program that come from outside its windows' event handlers.

// The session ending (SIGTERM, as sent at log-out or by a service manager): onRequest
// runs on the user-interface thread, from the event loop, like any other event. The
// signal handler itself only writes a byte to a pipe. Call once, before the event loop.
void onTerminationRequest(std::function<void()> onRequest);

// The desktop's close request for window (WM_DELETE_WINDOW under X11) while a modal box
// blocks window: the window system would drop it there, so onRequest runs instead. An
// unblocked window gets its close event as usual. Has no effect on other window systems.
void onBlockedCloseRequest(QWidget *window, std::function<void()> onRequest);

} // namespace platform
