#pragma once

#include <QString>

namespace platform {

// The folder that holds the program file, without a trailing separator.
QString programFolder();

} // namespace platform
