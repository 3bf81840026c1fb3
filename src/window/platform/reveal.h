#pragma once

#include <QList>
#include <QString>

#include <functional>

namespace platform {

// A file the program asked the desktop to show in its file manager.
struct RevealRequest {
    QString filePath;
    // Called when neither a file manager nor the desktop's opener could show the file.
    std::function<void()> notShown;
    bool isFolder = false; // filePath is a folder to open, not a file to show in its folder
};

// Opens the file manager with the file selected: the desktop's file manager service
// over the session bus, or, where none answers, the folder that holds the file through
// the desktop's opener. When neither can, notShown is called (possibly later, from the
// event loop). Returns at once; nothing goes through a command line.
void revealFile(const QString &filePath, std::function<void()> notShown = {});

// Opens the folder itself in the file manager (ShowFolders, or the desktop's opener).
void showFolder(const QString &folder, std::function<void()> notShown = {});

const QList<RevealRequest> &revealLog();
void clearRevealLog();

// Replaces what happens after a request is recorded; an empty function restores the
// desktop. Tests use it so that no file manager opens on the machine running them.
void setRevealHandler(std::function<void(const RevealRequest &)> handler);

} // namespace platform
