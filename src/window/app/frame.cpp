#include "app/frame.h"

#include "app/eventhook.h"
#include "app/form1.h"
#include "platform/exit.h"
#include "platform/mci.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QWindow>

#include <algorithm>

namespace frame {

std::array<Copy, 11> paintCopies(QSize client)
{
    const int sw = client.width();
    const int sh = client.height();
    return {{
        // Title band: corners and the stretched middle column, 100 rows tall.
        {Picture::Frame, QRect(0, 0, 6, 100), QRect(0, 0, 6, 100)},
        {Picture::Frame, QRect(6, 0, 1, 100), QRect(6, 0, sw - 12, 100)},
        {Picture::Frame, QRect(7, 0, 6, 100), QRect(sw - 6, 0, 6, 100)},
        // Side edges from row 68 down to the bottom edge.
        {Picture::Frame, QRect(0, 68, 3, 28), QRect(0, 68, 3, sh - 73)},
        {Picture::Frame, QRect(10, 68, 3, 28), QRect(sw - 3, 68, 3, sh - 73)},
        // Bottom edge.
        {Picture::Frame, QRect(0, 96, 6, 5), QRect(0, sh - 5, 6, 5)},
        {Picture::Frame, QRect(6, 96, 1, 5), QRect(6, sh - 5, sw - 12, 5)},
        {Picture::Frame, QRect(7, 96, 6, 5), QRect(sw - 6, sh - 5, 6, 5)},
        // The two title buttons, normal, and the banner over the band.
        {Picture::TitleButtons, buttonSource(Button::Minimise, Look::Normal), buttonRect(Button::Minimise, sw)},
        {Picture::TitleButtons, buttonSource(Button::Close, Look::Normal), buttonRect(Button::Close, sw)},
        {Picture::Banner, QRect(), QRect(10, 16, 400, 70)},
    }};
}

Button buttonAt(float x, float y, float clientWidth)
{
    if (y < 2.0f || y > 22.0f)
        return Button::None;
    if (clientWidth - 80.0f <= x && x <= clientWidth - 51.0f)
        return Button::Minimise;
    if (clientWidth - 51.0f <= x && x <= clientWidth - 10.0f)
        return Button::Close;
    return Button::None;
}

bool inTitleZone(float y)
{
    return y <= 68.0f;
}

QRect buttonRect(Button button, int clientWidth)
{
    switch (button) {
    case Button::Minimise:
        return QRect(clientWidth - 80, 2, 29, 20);
    case Button::Close:
        return QRect(clientWidth - 51, 2, 41, 20);
    case Button::None:
        break;
    }
    return QRect();
}

QRect buttonSource(Button button, Look look)
{
    // The sprite holds the minimise button in columns 0-28 and the close button in
    // columns 29-69, each look 20 rows tall; the pressed close button starts a row lower.
    switch (button) {
    case Button::Minimise: {
        const int top[] = {0, 21, 41};
        return QRect(0, top[int(look)], 29, 20);
    }
    case Button::Close: {
        const int top[] = {0, 21, 42};
        return QRect(29, top[int(look)], 41, 20);
    }
    case Button::None:
        break;
    }
    return QRect();
}

Looks hoverLooks(float x, float y, float clientWidth)
{
    switch (buttonAt(x, y, clientWidth)) {
    case Button::Minimise:
        return {Look::Hover, Look::Normal};
    case Button::Close:
        return {Look::Normal, Look::Hover};
    case Button::None:
        break;
    }
    return {};
}

QPoint keptInside(QPoint topLeft, QSize panel, QSize area)
{
    const int x = std::clamp(topLeft.x(), 0, std::max(0, area.width() - panel.width()));
    const int y = std::clamp(topLeft.y(), 0, std::max(0, area.height() - panel.height()));
    return QPoint(x, y);
}

} // namespace frame

namespace {

// Copies a piece of a picture, given in the picture's points, to a place in the window;
// a picture of a higher density gives the same piece with more pixels.
void drawPiece(QPainter &painter, const QRect &destination, const QPixmap &picture, const QRect &piece)
{
    const qreal density = picture.devicePixelRatio();
    painter.drawPixmap(QRectF(destination), picture,
                       QRectF(piece.x() * density, piece.y() * density, piece.width() * density,
                              piece.height() * density));
}

bool isMouseEvent(const QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
        return true;
    default:
        return false;
    }
}

} // namespace

void Form1::buildFrame()
{
    // Hover feedback needs every move, not only those with a button held.
    setMouseTracking(true);

    // The download panel moves with the mouse from a press on its own background; presses
    // on its controls reach them as usual, whatever controls it holds.
    Picture3->installEventFilter(new EventHook(this, [this](QEvent *event) {
        if (!isMouseEvent(event))
            return false;
        auto *mouse = static_cast<QMouseEvent *>(event);
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            if (panelDrag.active)
                return true;
            if (Picture3->childAt(mouse->position().toPoint()))
                return false;
            Picture3_MouseDown(mouse->button(), mouse->globalPosition());
            return true;
        case QEvent::MouseMove:
            if (!panelDrag.active)
                return false;
            if (!(mouse->buttons() & panelDrag.button)) {
                panelDrag.active = false; // the release went elsewhere
                return false;
            }
            Picture3->move(frame::keptInside(mouse->globalPosition().toPoint() - panelDrag.grip,
                                             Picture3->size(), size()));
            return true;
        case QEvent::MouseButtonRelease:
            if (!panelDrag.active)
                return false;
            if (mouse->button() == panelDrag.button)
                panelDrag.active = false;
            return true;
        default:
            return false;
        }
    }));
}

void Form1::Form_Paint(QPainter &painter)
{
    const QPixmap pictures[] = {Image10->pixmap(), Image9->pixmap(), Image8->pixmap()};
    for (const frame::Copy &copy : frame::paintCopies(size())) {
        const QPixmap &picture = pictures[int(copy.picture)];
        const QSize points = picture.deviceIndependentSize().toSize();
        const QRect source = copy.source.isEmpty() ? QRect(QPoint(), points) : copy.source;
        const QRect destination = copy.source.isEmpty() ? QRect(copy.destination.topLeft(), points)
                                                        : copy.destination;
        drawPiece(painter, destination, picture, source);
    }
}

void Form1::drawTitleButtons(frame::Looks looks)
{
    titleLooks = looks;
    update(frame::buttonRect(frame::Button::Minimise, width()));
    update(frame::buttonRect(frame::Button::Close, width()));
}

void Form1::Form_MouseMove(float x, float y)
{
    drawTitleButtons(frame::hoverLooks(x, y, float(width())));
}

void Form1::Form_MouseDown(Qt::MouseButton button, float x, float y, QPointF globalPosition)
{
    if (button != Qt::LeftButton || !frame::inTitleZone(y))
        return;
    switch (frame::buttonAt(x, y, float(width()))) {
    case frame::Button::Minimise:
        drawTitleButtons({frame::Look::Pressed, titleLooks.close});
        return;
    case frame::Button::Close:
        drawTitleButtons({titleLooks.minimise, frame::Look::Pressed});
        return;
    case frame::Button::None:
        break;
    }
    // The top band is the caption: the window system moves the window where it can,
    // otherwise the window follows the mouse until the button is released.
    if (QWindow *handle = windowHandle(); handle && handle->startSystemMove())
        return;
    windowDrag = {true, Qt::LeftButton, globalPosition.toPoint() - pos()};
}

void Form1::Form_MouseUp(Qt::MouseButton, float x, float y)
{
    // The release alone decides, whichever button and wherever the press was; the
    // buttons keep the look they had until the mouse moves.
    switch (frame::buttonAt(x, y, float(width()))) {
    case frame::Button::Minimise:
        showMinimized();
        return;
    case frame::Button::Close:
        platform::mciSendString(QStringLiteral("close all"));
        platform::endProgram();
        return;
    case frame::Button::None:
        return;
    }
}

void Form1::Picture3_MouseDown(Qt::MouseButton button, QPointF globalPosition)
{
    panelDrag = {true, button, globalPosition.toPoint() - Picture3->pos()};
}

void Form1::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    Form_Paint(painter);
    // The buttons as the mouse last left them: lit, pressed or normal.
    const QPixmap sprite = Image9->pixmap();
    drawPiece(painter, frame::buttonRect(frame::Button::Minimise, width()), sprite,
              frame::buttonSource(frame::Button::Minimise, titleLooks.minimise));
    drawPiece(painter, frame::buttonRect(frame::Button::Close, width()), sprite,
              frame::buttonSource(frame::Button::Close, titleLooks.close));
}

void Form1::mousePressEvent(QMouseEvent *event)
{
    // Presses that a control let through belong to that control, not to the frame.
    surfacePressed = childAt(event->position().toPoint()) == nullptr;
    if (!surfacePressed) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QPointF at = event->position();
    Form_MouseDown(event->button(), float(at.x()), float(at.y()), event->globalPosition());
}

void Form1::mouseMoveEvent(QMouseEvent *event)
{
    if (event->buttons() != Qt::NoButton && !surfacePressed) {
        QWidget::mouseMoveEvent(event); // a control holds the mouse
        return;
    }
    if (windowDrag.active) {
        if (event->buttons() & windowDrag.button)
            move(event->globalPosition().toPoint() - windowDrag.grip);
        else
            windowDrag.active = false;
    }
    const QPointF at = event->position();
    Form_MouseMove(float(at.x()), float(at.y()));
}

void Form1::mouseReleaseEvent(QMouseEvent *event)
{
    const bool fromSurface = surfacePressed;
    if (event->buttons() == Qt::NoButton)
        surfacePressed = false;
    if (windowDrag.active && event->button() == windowDrag.button)
        windowDrag.active = false;
    if (!fromSurface) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    const QPointF at = event->position();
    Form_MouseUp(event->button(), float(at.x()), float(at.y()));
}

void Form1::changeEvent(QEvent *event)
{
    // Minimised and restored, the window paints both buttons normal again.
    if (event->type() == QEvent::WindowStateChange) {
        titleLooks = {};
        windowDrag.active = false;
        update();
    }
    QWidget::changeEvent(event);
}
