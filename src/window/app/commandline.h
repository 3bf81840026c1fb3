#pragma once

#include <QString>
#include <QStringList>

// What the command line asks of a start: a window (with an address to look up, maybe),
// or only a text printed to the terminal and an exit code.
struct StartOptions {
    enum class Action { Run, Print };
    Action action = Action::Run;
    QString address;  // Run: the address given, "" when none
    bool writeTags = true; // Run: saved songs get their names and picture (off: --no-tags)
    QString text;     // Print: the help, the version or the error
    bool toError = false; // Print: the text goes to the error stream
    int exitCode = 0;     // Print: what the program returns
};

// The arguments of main as text, before any application object exists.
QStringList commandLineArguments(int argc, char *argv[]);

// Reads the program's arguments (the first one is the program). Options the windowing
// toolkit reads itself (-platform, -display, -session and the like) are accepted and
// left to it.
StartOptions parseStartOptions(const QStringList &arguments);
