#pragma once

#include <QPixmap>
#include <QWidget>

// A picture with transparency drawn over whatever lies below it, stretched to the
// control's size; it shows a tooltip and reports a left press, so it serves as an
// image button. One that takes the focus (Tab) also reports Space and Return as a
// press and shows a ring while it has the focus; a click never gives it the focus.
class AlphaImage : public QWidget
{
    Q_OBJECT
public:
    explicit AlphaImage(QWidget *parent);

    void setPicture(const QPixmap &picture);
    const QPixmap &picture() const { return m_picture; }

    // Whether the image is a button a keyboard reaches (Tab, then Space or Return).
    void setKeyboardButton(bool on);
    bool isKeyboardButton() const { return focusPolicy() != Qt::NoFocus; }

    // Acts as a left press does (a key, a screen reader's press).
    void click();

signals:
    void pressed();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    QPixmap m_picture;
};
