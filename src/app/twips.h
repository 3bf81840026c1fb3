#pragma once

#include <QFont>
#include <QRect>
#include <QString>

// The windows were laid out in twips: 15 twips make a pixel.
constexpr int px(int twips) { return twips / 15; }

inline QRect tw(int left, int top, int width, int height)
{
    return QRect(px(left), px(top), px(width), px(height));
}

// The interface font: Simplified Chinese glyphs whatever the locale.
inline QFont uiFont(qreal pointSize)
{
    QFont font;
    font.setFamilies({QStringLiteral("Microsoft YaHei"), QStringLiteral("微软雅黑"),
                      QStringLiteral("Noto Sans CJK SC")});
    font.setPointSizeF(pointSize);
    return font;
}
