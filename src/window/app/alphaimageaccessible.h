#pragma once

#include <QAccessibleWidget>

class AlphaImage;

// An image as assistive technology sees it: one that acts is a push button, named by its
// accessible name, described by its tooltip and pressed like a click; any other is a
// graphic. Asked afresh each time, as the interface may be made before the image's part
// is settled.
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
