#include "platform/programfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

// Where the installed data folder lies, seen from the installed program's folder.
#ifndef QUILLORY_DATA_FROM_BIN
#define QUILLORY_DATA_FROM_BIN "../share/quillory"
#endif

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

bool programFolderWritable()
{
    const QFileInfo folder(programFolder());
    return folder.isDir() && folder.isWritable();
}

bool runsInstalled()
{
    const QString skin = QStringLiteral("skinh.she");
    return !QFileInfo::exists(programFolder() + QLatin1Char('/') + skin) && QFileInfo::exists(dataFile(skin));
}

bool usesUserFolders()
{
    return runsInstalled() || !programFolderWritable();
}

QString userDataFolder()
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        return QString();
    const QString folder = base + QLatin1String("/quillory");
    return QDir().mkpath(folder) ? folder : QString();
}

QString userMusicFolder()
{
    const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    return music.isEmpty() ? QDir::homePath() : music;
}

QString dataFile(const QString &name)
{
    const QString beside = programFolder() + QLatin1Char('/') + name;
    if (QFileInfo::exists(beside))
        return beside;
    return QDir::cleanPath(programFolder() + QLatin1String("/" QUILLORY_DATA_FROM_BIN "/") + name);
}

} // namespace platform
