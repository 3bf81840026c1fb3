#pragma once

#include "net/picture.h"

#include <QImage>
#include <QString>

// Loads a picture from a local path or an http(s) address (net::fetchPicture) and
// decodes it. Any failure gives a null image, never an error. abandoned, when given,
// tells whether the wait ended because the program is quitting; served, when given, gets
// the bytes as they came.
QImage LoadPicture(const QString &strFileName, bool *abandoned = nullptr, net::PictureBytes *served = nullptr);
