#pragma once

#include <QObject>
#include <QPointer>

class Cls_DownLoad;
class QSocketNotifier;

// Ctrl+C (SIGINT) and SIGTERM end a run in an orderly way: the signal handler only writes
// its number into a pipe, and the event loop, whichever nested wait it is in, reads it
// there, ends the watched transfer (which removes its partial file) and ends the program,
// so every wait returns. A second signal ends the process at once.
class Interrupts : public QObject
{
public:
    Interrupts();
    ~Interrupts() override;

    // The signal that ended the run, 0 while none came.
    int received() const { return m_signal; }
    // The transfer to end when a signal comes.
    void watch(Cls_DownLoad *transfer);

private:
    void take();

    QSocketNotifier *m_notifier = nullptr;
    QPointer<Cls_DownLoad> m_transfer;
    int m_signal = 0;
};
