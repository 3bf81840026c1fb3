#include "app/framedwindowaccessible.h"

#include "app/titlebuttonaccessible.h"

FramedWindowAccessible::FramedWindowAccessible(QWidget *window)
    : QAccessibleWidget(window, QAccessible::Window)
{
    // Registered, so that the accessibility cache owns them and hands out their ids.
    m_titleButtons = {
        QAccessible::registerAccessibleInterface(
            new TitleButtonAccessible(window, frame::Button::Minimise, QStringLiteral("最小化"))),
        QAccessible::registerAccessibleInterface(
            new TitleButtonAccessible(window, frame::Button::Close, QStringLiteral("关闭"))),
    };
}

FramedWindowAccessible::~FramedWindowAccessible()
{
    for (const QAccessible::Id id : std::as_const(m_titleButtons))
        QAccessible::deleteAccessibleInterface(id);
}

int FramedWindowAccessible::childCount() const
{
    return QAccessibleWidget::childCount() + int(m_titleButtons.size());
}

QAccessibleInterface *FramedWindowAccessible::child(int index) const
{
    const int controls = QAccessibleWidget::childCount();
    if (index < controls)
        return QAccessibleWidget::child(index);
    return index - controls < m_titleButtons.size() ? QAccessible::accessibleInterface(m_titleButtons.at(index - controls))
                                                   : nullptr;
}

int FramedWindowAccessible::indexOfChild(const QAccessibleInterface *child) const
{
    for (int i = 0; i < m_titleButtons.size(); ++i) {
        if (QAccessible::accessibleInterface(m_titleButtons.at(i)) == child)
            return QAccessibleWidget::childCount() + i;
    }
    return QAccessibleWidget::indexOfChild(child);
}

QAccessibleInterface *FramedWindowAccessible::childAt(int x, int y) const
{
    for (const QAccessible::Id id : m_titleButtons) {
        QAccessibleInterface *button = QAccessible::accessibleInterface(id);
        if (button && button->rect().contains(x, y))
            return button;
    }
    return QAccessibleWidget::childAt(x, y);
}
