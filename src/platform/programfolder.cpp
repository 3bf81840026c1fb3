#include "platform/programfolder.h"

#include <QCoreApplication>

namespace platform {

namespace {
QString &overridden()
{
    static QString folder;
    return folder;
}
} // namespace

QString programFolder()
{
    return overridden().isEmpty() ? QCoreApplication::applicationDirPath() : overridden();
}

void setProgramFolder(const QString &folder)
{
    overridden() = folder;
}

} // namespace platform
