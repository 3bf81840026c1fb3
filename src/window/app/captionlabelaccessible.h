#pragma once

#include <QAccessibleWidget>

class CaptionLabel;

// A caption label as assistive technology sees it: text named by its caption; an
// announced one (the status line) is a status bar. Asked afresh each time, as the
// interface may be made before the label's part is settled.
class CaptionLabelAccessible : public QAccessibleWidget
{
public:
    explicit CaptionLabelAccessible(CaptionLabel *label);

    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    QString text(QAccessible::Text t) const override;

private:
    const CaptionLabel *label() const;
};
