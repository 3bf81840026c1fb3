#include "platform/skin.h"

#include <QApplication>
#include <QColor>
#include <QFile>
#include <QPalette>

#include <algorithm>

namespace platform {
namespace {

QColor adjusted(const QColor &color, int hue, int saturation, int brightness)
{
    int h = 0, s = 0, v = 0, a = 0;
    color.getHsv(&h, &s, &v, &a);
    if (h >= 0) // achromatic colours have no hue to turn
        h = (h + hue % 360 + 360) % 360;
    s = std::clamp(s + saturation * 255 / 100, 0, 255);
    v = std::clamp(v + brightness * 255 / 100, 0, 255);
    return QColor::fromHsv(h, s, v, a);
}

} // namespace

int SkinH_AttachEx(const QString &skinPath, const QString &password)
{
    Q_UNUSED(password); // the skin file is a plain style sheet
    QFile file(skinPath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    qApp->setStyleSheet(QString::fromUtf8(file.readAll()));
    return 0;
}

int SkinH_AdjustHSV(int hue, int saturation, int brightness)
{
    QPalette palette = QApplication::palette();
    for (int group = 0; group < QPalette::NColorGroups; ++group) {
        for (int role = 0; role < QPalette::NColorRoles; ++role) {
            const auto g = QPalette::ColorGroup(group);
            const auto r = QPalette::ColorRole(role);
            if (r == QPalette::NoRole)
                continue;
            palette.setColor(g, r, adjusted(palette.color(g, r), hue, saturation, brightness));
        }
    }
    QApplication::setPalette(palette);
    return 0;
}

} // namespace platform
