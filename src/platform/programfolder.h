#pragma once

#include <QString>

namespace platform {

// The folder that holds the program file, without a trailing separator.
QString programFolder();

// Puts the program's folder elsewhere (tests); an empty path restores the real one.
void setProgramFolder(const QString &folder);

// Whether the program may write next to itself. An installed program usually may not.
bool programFolderWritable();

// Where the program keeps files of its own when its folder is not writable: the user's
// XDG data folder, in a folder of the program's name. Created when missing; "" when even
// that fails.
QString userDataFolder();

// The user's XDG music folder (the home folder when there is none).
QString userMusicFolder();

// A data file shipped with the program: next to the program file when it is there (a
// build tree), else in the installed data folder.
QString dataFile(const QString &name);

} // namespace platform
