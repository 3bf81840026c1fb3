#pragma once

#include <functional>

namespace platform {

// Ends the program. Every way out comes here: the window closed (the desktop's close
// request, 退出程序), the painted close button, the session ending, the update check.
// It ends at once for the user: every window goes out of sight and no unload event is
// raised. The application's event loops all end, the nested ones included (a page fetch,
// a transfer, a modal box), and any wait that starts afterwards returns at once, so the
// handlers they were nested in unwind and main() returns with status 0.
void endProgram();

// Whether the program is ending: waits of the program's own stop waiting once this is true.
bool programEnding();

int endProgramCount();
// Forgets the calls counted so far and an ending in progress (tests run the event loop
// again after an ending).
void clearEndProgramCount();

// What takes every window out of sight when the program ends; a front end with windows
// sets it once (the core has none).
void setWindowHider(std::function<void()> hide);

// Replaces the ending itself (tests record it and keep the process alive); an empty
// function restores the real one.
void setEndProgramHandler(std::function<void()> handler);

} // namespace platform
