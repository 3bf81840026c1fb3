#pragma once

#include <QFont>
#include <QRect>
#include <QString>
#include <QWidget>

// Layout helpers of the windows. They were laid out in twips: 15 twips make a pixel.
constexpr int px(int twips) { return twips / 15; }

inline QRect tw(int left, int top, int width, int height)
{
    return QRect(px(left), px(top), px(width), px(height));
}

// Names a control after its place in the window and puts it at geometry.
template<typename W>
W *named(W *widget, const char *name, const QRect &geometry)
{
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(geometry);
    return widget;
}

// A picture box: a container that paints its own background (the skin's panel colour, or
// the window colour without a skin) over everything beneath it, wherever it is moved.
inline QWidget *pictureBox(QWidget *parent, const char *name, const QRect &geometry)
{
    auto *box = named(new QWidget(parent), name, geometry);
    box->setAttribute(Qt::WA_StyledBackground);
    box->setAutoFillBackground(true);
    return box;
}

// The interface font: Simplified Chinese glyphs whatever the locale. The font that desktops
// here have comes first: looking up missing families first costs the window's start-up a
// fallback search.
inline QFont uiFont(qreal pointSize)
{
    QFont font;
    font.setFamilies({QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Microsoft YaHei"),
                      QStringLiteral("微软雅黑")});
    font.setPointSizeF(pointSize);
    return font;
}
