#include "app/captionlabel.h"

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
    setText(caption);
    if (m_sizedToCaption)
        resize(sizeHint());
}
