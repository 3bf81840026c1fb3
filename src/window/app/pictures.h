#pragma once

#include <QPixmap>
#include <QString>

// The pictures stored with the windows. Each is kept at its own size (NAME.png) and at
// twice that size (NAME@2x.png); screens of more than one pixel a point get the larger
// one, marked with its density, so the windows draw it at the same size in points but
// with every pixel of the screen.
QPixmap storedPicture(const QString &name, qreal devicePixelRatio);

// The same for the screens the program runs on now.
QPixmap storedPicture(const QString &name);
