#include "app/alphaimage.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

AlphaImage::AlphaImage(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAutoFillBackground(false);
}

void AlphaImage::setPicture(const QPixmap &picture)
{
    m_picture = picture;
    update();
}

void AlphaImage::setKeyboardButton(bool on)
{
    setFocusPolicy(on ? Qt::TabFocus : Qt::NoFocus);
}

void AlphaImage::click()
{
    emit pressed();
}

void AlphaImage::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (!m_picture.isNull()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawPixmap(rect(), m_picture);
    }
    if (!hasFocus())
        return;
    // The focus ring: the skin's dark crimson with a white line inside, so that it shows
    // on the white window and on the red of the picture alike.
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal radius = std::min(width(), height()) / 8.0;
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(0x8C, 0x0E, 0x22), 2));
    painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), radius, radius);
    painter.setPen(QPen(Qt::white, 1));
    painter.drawRoundedRect(QRectF(rect()).adjusted(2.5, 2.5, -2.5, -2.5), radius, radius);
}

void AlphaImage::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        event->accept();
        emit pressed();
        return;
    }
    QWidget::mousePressEvent(event);
}

void AlphaImage::keyPressEvent(QKeyEvent *event)
{
    // Reached only with the focus, that is only as a keyboard button. A held key acts once.
    const int key = event->key();
    if ((key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter)
        && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        event->accept();
        if (!event->isAutoRepeat())
            click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void AlphaImage::focusInEvent(QFocusEvent *event)
{
    update();
    QWidget::focusInEvent(event);
}

void AlphaImage::focusOutEvent(QFocusEvent *event)
{
    update();
    QWidget::focusOutEvent(event);
}
