#include "app/titlebuttonaccessible.h"

#include <QCoreApplication>
#include <QMouseEvent>

TitleButtonAccessible::TitleButtonAccessible(QWidget *window, frame::Button button, const QString &name)
    : m_window(window), m_button(button), m_name(name)
{
}

bool TitleButtonAccessible::isValid() const
{
    return !m_window.isNull();
}

QObject *TitleButtonAccessible::object() const
{
    return nullptr;
}

QWindow *TitleButtonAccessible::window() const
{
    return m_window ? m_window->windowHandle() : nullptr;
}

QAccessibleInterface *TitleButtonAccessible::parent() const
{
    return QAccessible::queryAccessibleInterface(m_window.data());
}

QAccessibleInterface *TitleButtonAccessible::child(int) const
{
    return nullptr;
}

int TitleButtonAccessible::childCount() const
{
    return 0;
}

int TitleButtonAccessible::indexOfChild(const QAccessibleInterface *) const
{
    return -1;
}

QAccessibleInterface *TitleButtonAccessible::childAt(int, int) const
{
    return nullptr;
}

QString TitleButtonAccessible::text(QAccessible::Text t) const
{
    return t == QAccessible::Name ? m_name : QString();
}

void TitleButtonAccessible::setText(QAccessible::Text, const QString &)
{
}

QRect TitleButtonAccessible::rect() const
{
    if (!m_window)
        return {};
    const QRect local = frame::buttonRect(m_button, m_window->width());
    return QRect(m_window->mapToGlobal(local.topLeft()), local.size());
}

QAccessible::Role TitleButtonAccessible::role() const
{
    return QAccessible::Button;
}

QAccessible::State TitleButtonAccessible::state() const
{
    QAccessible::State state;
    if (!m_window || !m_window->isVisible())
        state.invisible = true;
    return state;
}

void *TitleButtonAccessible::interface_cast(QAccessible::InterfaceType type)
{
    return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface *>(this) : nullptr;
}

QStringList TitleButtonAccessible::actionNames() const
{
    return {pressAction()};
}

void TitleButtonAccessible::doAction(const QString &actionName)
{
    if (actionName != pressAction() || !m_window)
        return;
    // A left click on the painted button, the same way the mouse's goes.
    const QPointF at = frame::buttonRect(m_button, m_window->width()).center();
    const QPointF global = m_window->mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m_window, &press);
    if (!m_window)
        return;
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m_window, &release);
}

QStringList TitleButtonAccessible::keyBindingsForAction(const QString &) const
{
    return {};
}
