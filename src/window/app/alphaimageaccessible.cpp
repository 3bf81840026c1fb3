#include "app/alphaimageaccessible.h"

#include "app/alphaimage.h"

AlphaImageAccessible::AlphaImageAccessible(AlphaImage *image)
    : QAccessibleWidget(image)
{
}

AlphaImage *AlphaImageAccessible::image() const
{
    return static_cast<AlphaImage *>(widget());
}

QAccessible::Role AlphaImageAccessible::role() const
{
    return image()->isKeyboardButton() ? QAccessible::Button : QAccessible::Graphic;
}

QStringList AlphaImageAccessible::actionNames() const
{
    if (!image()->isKeyboardButton())
        return QAccessibleWidget::actionNames();
    return QStringList{pressAction()} + QAccessibleWidget::actionNames();
}

void AlphaImageAccessible::doAction(const QString &actionName)
{
    if (actionName == pressAction() && image()->isKeyboardButton())
        image()->click();
    else
        QAccessibleWidget::doAction(actionName);
}

QStringList AlphaImageAccessible::keyBindingsForAction(const QString &actionName) const
{
    if (actionName == pressAction() && image()->isKeyboardButton())
        return {QStringLiteral("Space"), QStringLiteral("Return")};
    return QAccessibleWidget::keyBindingsForAction(actionName);
}
