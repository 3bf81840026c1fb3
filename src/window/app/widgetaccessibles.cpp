#include "app/widgetaccessibles.h"

#include "app/alphaimage.h"
#include "app/captionlabel.h"

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

CaptionLabelAccessible::CaptionLabelAccessible(CaptionLabel *label)
    : QAccessibleWidget(label)
{
}

const CaptionLabel *CaptionLabelAccessible::label() const
{
    return static_cast<const CaptionLabel *>(widget());
}

QAccessible::Role CaptionLabelAccessible::role() const
{
    return label()->isAnnounced() ? QAccessible::StatusBar : QAccessible::StaticText;
}

QAccessible::State CaptionLabelAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.readOnly = true;
    return state;
}

QString CaptionLabelAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Name && label()->accessibleName().isEmpty())
        return label()->caption();
    return QAccessibleWidget::text(t);
}
