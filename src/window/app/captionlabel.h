#pragma once

#include <QLabel>

// A label whose caption is set through setCaption. A label that is sized to its
// caption takes the size of every new caption, as positions next to it depend on it.
// An announced label is a status line: assistive technology hears every caption it is
// given, the same one again too.
class CaptionLabel : public QLabel
{
    Q_OBJECT
public:
    CaptionLabel(const QString &caption, bool sizedToCaption, QWidget *parent);

    void setCaption(const QString &caption);
    QString caption() const { return text(); }

    void setAnnounced(bool on) { m_announced = on; }
    bool isAnnounced() const { return m_announced; }

private:
    bool m_sizedToCaption;
    bool m_announced = false;
};
