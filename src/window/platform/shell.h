#pragma once

#include <QList>
#include <QUrl>

#include <functional>

namespace platform {

// What the program asked the desktop to open. Addresses and files are handed over
// as URLs through the desktop's own opener, never through a command line.
struct ShellRequest {
    QUrl url;
};

// Opens an address (or a local file URL) with the user's default handler.
void openUrl(const QUrl &url);

const QList<ShellRequest> &shellLog();
void clearShellLog();

// Replaces what happens after a request is recorded; an empty function restores the
// desktop. Tests use it so that nothing opens on the machine running them.
void setShellHandler(std::function<void(const ShellRequest &)> handler);

} // namespace platform
