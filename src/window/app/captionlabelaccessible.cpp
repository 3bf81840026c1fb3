#include "app/captionlabelaccessible.h"

#include "app/captionlabel.h"

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
