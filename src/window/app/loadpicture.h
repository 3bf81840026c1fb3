#pragma once

#include <QImage>
#include <QString>

// Loads a picture from a local path or an http(s) address (net::fetchPicture) and
// decodes it. Any failure gives a null image, never an error. abandoned, when given,
// tells whether the wait ended because the program is quitting.
QImage LoadPicture(const QString &strFileName, bool *abandoned = nullptr);
