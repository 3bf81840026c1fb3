#include "app/alphaimage.h"

#include <QMouseEvent>
#include <QPainter>

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

void AlphaImage::paintEvent(QPaintEvent *)
{
    if (m_picture.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(rect(), m_picture);
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
