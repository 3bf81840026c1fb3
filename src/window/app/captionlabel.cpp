#include "app/captionlabel.h"

#include <QAccessible>

CaptionLabel::CaptionLabel(const QString &caption, bool sizedToCaption, QWidget *parent)
    : QLabel(parent)
    , m_sizedToCaption{sizedToCaption}
{
    setTextFormat(Qt::PlainText);
    setWordWrap(!sizedToCaption);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setMargin(0);
    setCaption(caption);
}

void CaptionLabel::setCaption(const QString &caption)
{
    // QLabel tells assistive technology of a new text itself, but not of the same text
    // again: a status line repeats it, so that a message that comes twice is heard twice.
    const bool repeated = caption == text();
    setText(caption);
    if (m_sizedToCaption)
        resize(sizeHint());
    if (m_announced && repeated) {
        QAccessibleEvent event(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
}
