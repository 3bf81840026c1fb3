#pragma once

#include <QString>

namespace platform {

// The folder that holds the program file, without a trailing separator.
QString programFolder();

// Puts the program's folder elsewhere (tests); an empty path restores the real one.
void setProgramFolder(const QString &folder);

} // namespace platform
