#pragma once

#include <QPixmap>
#include <QWidget>

// A picture with transparency drawn over whatever lies below it, stretched to the
// control's size; it shows a tooltip and reports a left press, so it serves as an
// image button.
class AlphaImage : public QWidget
{
    Q_OBJECT
public:
    explicit AlphaImage(QWidget *parent);

    void setPicture(const QPixmap &picture);
    const QPixmap &picture() const { return m_picture; }

signals:
    void pressed();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    QPixmap m_picture;
};
