#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <Qt>

#include <array>

// The painted frame of the borderless main window: which piece of which picture goes
// where on a repaint, and what the mouse is over. Plain functions of the client size and
// the mouse position, so they work without a window.
namespace frame {

// The three hidden pictures the frame is copied from.
enum class Picture {
    Frame,        // Image10, 13 x 101: corners, edges and the title band
    TitleButtons, // Image9, 70 x 69: minimise and close, three looks each
    Banner,       // Image8, 400 x 70: logo, name, version and slogan
};

struct Copy {
    Picture picture;
    QRect source;      // an empty rectangle stands for the whole picture
    QRect destination; // stretched over when its size differs from the source
};

// The eleven copies of a repaint, in the order they are drawn (later ones cover earlier
// ones), for a client area of the given size.
std::array<Copy, 11> paintCopies(QSize client);

enum class Button { None, Minimise, Close };
enum class Look { Normal, Hover, Pressed };

// The button whose hit area holds the point. Bounds are inclusive and compared in single
// precision; where the two areas meet (x = width - 51) the minimise button wins.
Button buttonAt(float x, float y, float clientWidth);

// A left press at or above this row drags the window (when it misses the buttons).
bool inTitleZone(float y);

// Where a button is drawn, and which piece of the sprite shows it in a look.
QRect buttonRect(Button button, int clientWidth);
QRect buttonSource(Button button, Look look);

// What the two buttons show.
struct Looks {
    Look minimise = Look::Normal;
    Look close = Look::Normal;
    bool operator==(const Looks &) const = default;
};

// The looks after the mouse moved to (x, y): the button under it lit, the other normal.
Looks hoverLooks(float x, float y, float clientWidth);

// The top-left corner that keeps a panel of the given size wholly inside the area.
QPoint keptInside(QPoint topLeft, QSize panel, QSize area);

// A move with the mouse in progress: the button that started it and where the cursor
// holds the moved thing (global cursor position minus its top-left corner).
struct Drag {
    bool active = false;
    Qt::MouseButton button = Qt::NoButton;
    QPoint grip;
};

} // namespace frame
