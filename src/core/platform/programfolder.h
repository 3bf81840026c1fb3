#pragma once

#include <QString>

namespace platform {

// The folder that holds the program file, without a trailing separator.
QString programFolder();

// Puts the program's folder elsewhere (tests); an empty path restores the real one.
void setProgramFolder(const QString &folder);

// Whether the program may write next to itself. An installed program usually may not.
bool programFolderWritable();

// Whether this is an installed program: its skin is not next to it but in the installed
// data folder (../share/quillory). A program run from its build folder is not.
bool runsInstalled();

// Whether songs and pages go to the user's XDG folders rather than next to the program:
// always for an installed program, even when its folder happens to be writable (a
// prefix in the home folder), and for a build folder that cannot be written.
bool usesUserFolders();

// Where the program keeps files of its own when it uses the user's folders: the user's
// XDG data folder, in a folder of the program's name. Created when missing; "" when even
// that fails.
QString userDataFolder();

// The user's XDG music folder (the home folder when there is none).
QString userMusicFolder();

// A data file shipped with the program: next to the program file when it is there (a
// build tree), else in the installed data folder.
QString dataFile(const QString &name);

} // namespace platform
