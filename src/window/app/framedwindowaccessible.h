#pragma once

#include <QAccessible>
#include <QAccessibleWidget>
#include <QList>

// The main window as assistive technology sees it: its controls, then the two title
// buttons that its frame paints, "最小化" and "关闭".
class FramedWindowAccessible : public QAccessibleWidget
{
public:
    explicit FramedWindowAccessible(QWidget *window);
    ~FramedWindowAccessible() override;

    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QAccessibleInterface *childAt(int x, int y) const override;

private:
    QList<QAccessible::Id> m_titleButtons;
};
