#pragma once

#include <QObject>

#include <functional>
#include <utility>

// Hands the events of one watched object to a function; returning true swallows them.
class EventHook : public QObject
{
public:
    EventHook(QObject *parent, std::function<bool(QEvent *)> handler)
        : QObject(parent), m_handler(std::move(handler))
    {
    }

    bool eventFilter(QObject *, QEvent *event) override { return m_handler(event); }

private:
    std::function<bool(QEvent *)> m_handler;
};
