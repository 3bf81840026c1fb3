#include "app/pictures.h"

#include <QFile>
#include <QGuiApplication>

QPixmap storedPicture(const QString &name, qreal devicePixelRatio)
{
    const QString path = QStringLiteral(":/pictures/") + name;
    if (devicePixelRatio > 1.0) {
        QString dense = path;
        dense.replace(QLatin1String(".png"), QLatin1String("@2x.png"));
        if (QFile::exists(dense)) {
            QPixmap picture(dense);
            picture.setDevicePixelRatio(2.0);
            return picture;
        }
    }
    return QPixmap(path);
}

QPixmap storedPicture(const QString &name)
{
    // The densest screen decides: a picture too fine for another screen is only scaled down.
    return storedPicture(name, qGuiApp ? qGuiApp->devicePixelRatio() : 1.0);
}
