#include "platform/mci.h"

namespace platform {
namespace {

QStringList &commandLog()
{
    static QStringList log;
    return log;
}

} // namespace

int mciSendString(const QString &command)
{
    commandLog().append(command);
    return 0;
}

const QStringList &mciCommandLog()
{
    return commandLog();
}

void clearMciCommandLog()
{
    commandLog().clear();
}

} // namespace platform
