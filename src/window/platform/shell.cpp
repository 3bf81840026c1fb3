#include "platform/shell.h"

#include <QDesktopServices>

namespace platform {
namespace {

QList<ShellRequest> &requests()
{
    static QList<ShellRequest> log;
    return log;
}

std::function<void(const ShellRequest &)> &handler()
{
    static std::function<void(const ShellRequest &)> h;
    return h;
}

} // namespace

void openUrl(const QUrl &url)
{
    const ShellRequest request{url};
    requests().append(request);
    if (handler())
        handler()(request);
    else
        QDesktopServices::openUrl(url);
}

const QList<ShellRequest> &shellLog()
{
    return requests();
}

void clearShellLog()
{
    requests().clear();
}

void setShellHandler(std::function<void(const ShellRequest &)> h)
{
    handler() = std::move(h);
}

} // namespace platform
