#pragma once

#include <QAccessibleWidget>

class AlphaImage;
class CaptionLabel;

// The interfaces of the window's own painted widgets, which Qt's accessibility plugins do
// not know. Each is asked afresh every time, as it may be made before its widget's part is
// settled.

// An image as assistive technology sees it: one that acts is a push button, named by its
// accessible name, described by its tooltip and pressed like a click; any other is a
// graphic.
class AlphaImageAccessible : public QAccessibleWidget
{
public:
    explicit AlphaImageAccessible(AlphaImage *image);

    QAccessible::Role role() const override;
    QStringList actionNames() const override;
    void doAction(const QString &actionName) override;
    QStringList keyBindingsForAction(const QString &actionName) const override;

private:
    AlphaImage *image() const;
};

// A caption label as assistive technology sees it: text named by its caption; an
// announced one (the status line) is a status bar.
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
