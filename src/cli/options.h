#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// What the command line asks of a run: a command and its address, or only a text printed
// (the help, the version, a usage error) and an exit status.
struct CliOptions {
    enum class Command { Info, Get, Works, Mv };
    Command command = Command::Info;
    QString address;
    QString output;           // -o: "" when not given
    bool json = false;        // --json
    bool quiet = false;       // --quiet
    bool save = false;        // works --save, or --pick given
    QList<int> pick;          // works --pick: list numbers, ascending, each once; empty: all
    bool checkVersion = false; // --check-version
    int jobs = 3;             // works --jobs: works under way at once, 1 to 8
    bool writeTags = true;    // get, works --save: names and picture written into the files (off: --no-tags)
    qint64 limitRate = 0;     // get, works --save: bytes per second of all transfers together; 0: no limit

    bool printOnly = false; // nothing to run: print `text` and end with `exitCode`
    QString text;
    bool toError = false;
    int exitCode = 0;
};

// A rate as curl and wget take it: bytes per second, "200k" (k or K: 1024), "1.5M" (m or
// M: 1024 × 1024). Nothing when the text is no such rate or rounds to nothing.
std::optional<qint64> parseRate(const QString &text);

// Reads the program's arguments (the first one is the program).
CliOptions parseCliOptions(const QStringList &arguments);

// The list numbers of "1,4-9": numbers and ranges from 1 up, between commas; in
// ascending order, each once. Nothing when the text is not such a list.
std::optional<QList<int>> parsePickList(const QString &text);
