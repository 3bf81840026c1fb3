#pragma once

#include <functional>

namespace platform {

// Ends the program at once: no window handler runs after it, no unload event is raised.
void endProgram();

int endProgramCount();
void clearEndProgramCount();

// Replaces the ending itself (tests record it and keep the process alive); an empty
// function restores the real one.
void setEndProgramHandler(std::function<void()> handler);

} // namespace platform
