#pragma once

#include "app/frame.h"

#include <QAccessibleActionInterface>
#include <QAccessibleInterface>
#include <QPointer>
#include <QWidget>

// A title button that the frame paints (minimise, close), as assistive technology sees
// it: a push button of the window without a widget of its own. Pressing it clicks it.
class TitleButtonAccessible : public QAccessibleInterface, public QAccessibleActionInterface
{
public:
    TitleButtonAccessible(QWidget *window, frame::Button button, const QString &name);

    bool isValid() const override;
    QObject *object() const override;
    QWindow *window() const override;
    QAccessibleInterface *parent() const override;
    QAccessibleInterface *child(int index) const override;
    int childCount() const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QAccessibleInterface *childAt(int x, int y) const override;
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text t, const QString &text) override;
    QRect rect() const override;
    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    void *interface_cast(QAccessible::InterfaceType type) override;

    QStringList actionNames() const override;
    void doAction(const QString &actionName) override;
    QStringList keyBindingsForAction(const QString &actionName) const override;

private:
    QPointer<QWidget> m_window;
    frame::Button m_button;
    QString m_name;
};
