#pragma once

#include <QImage>
#include <QString>

namespace net {

// Loads a picture from a local path or an http(s) address (through the program's
// network manager, writing no file). Any failure gives a null image, never an error.
// abandoned, when given, tells whether the wait ended because the program is quitting.
QImage LoadPicture(const QString &strFileName, bool *abandoned = nullptr);

} // namespace net
