// The states in which the program waits while the user can still act: a page fetch, a
// transfer, a modal box and so on. Each is held open by the service double and entered
// through the real window, both in the test program and in the quit launcher (a program
// that runs the window like quillory does and enters one state by itself).
#pragma once

#include <QString>

#include <string>
#include <vector>

class Form1;

namespace servicedouble {
class ServiceDouble;
}

struct WaitingState {
    const char *name;
    bool modal;          // a modal box is open in this state
    std::string heldUrl; // the address whose slow answer holds the state ("" for none)
    // Test side: scripts the double so that the state lasts.
    void (*holdOpen)(servicedouble::ServiceDouble &service);
    // Program side: the user's clicks into the state. Returns when the state is over.
    void (*enter)(Form1 &window);
    // Program side: the window is in the state.
    bool (*reached)(Form1 &window);
};

const std::vector<WaitingState> &waitingStates();
const WaitingState *waitingState(const std::string &name);

// The song file the download states write, relative to the program's folder.
QString downloadedSongPath(const QString &programFolder);
