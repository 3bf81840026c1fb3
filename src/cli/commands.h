#pragma once

#include "options.h"

class Interrupts;

// The exit statuses of a run (an interrupted one ends with 128 + the signal instead).
enum ExitStatus : int {
    kDone = 0,
    kServiceFailed = 1, // a page, a work or a transfer failed, or the page names no song
    kBadUsage = 2,      // the command line, or an address the program refuses
};

// Runs the command of options inside the event loop; returns its exit status.
int runCommand(const CliOptions &options, Interrupts &interrupts);
