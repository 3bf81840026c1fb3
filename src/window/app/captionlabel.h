#pragma once

#include <QLabel>

// A label whose caption is set through setCaption. A label that is sized to its
// caption takes the size of every new caption, as positions next to it depend on it.
class CaptionLabel : public QLabel
{
    Q_OBJECT
public:
    CaptionLabel(const QString &caption, bool sizedToCaption, QWidget *parent);

    void setCaption(const QString &caption);
    QString caption() const { return text(); }

private:
    bool m_sizedToCaption;
};
