#pragma once

class Form1;
class QApplication;

// Runs the program with its window: the ways out from outside the window (the session
// ending, the desktop's close request over a modal box) are routed to the window, which
// ends the run through platform::endProgram; start-up runs inside the event loop, so that
// quitting during the update check ends the program. Returns the exit status.
int runProgram(QApplication &app, Form1 &window);
