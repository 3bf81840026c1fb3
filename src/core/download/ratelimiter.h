#pragma once

#include <QElapsedTimer>
#include <QtGlobal>

#include <chrono>

namespace download {

// A budget of bytes per second shared by every transfer it is given to (a token bucket).
// A transfer reads from the network only what the budget allows and, when it is spent,
// waits with a timer; meanwhile the network stack stops reading from the socket once the
// reply's small buffer is full, so the server sends no faster either. The budget is empty
// when the first transfer asks and never holds more than a twentieth of a second's bytes,
// so a run keeps to the rate over any second of it.
class RateLimiter
{
public:
    explicit RateLimiter(qint64 bytesPerSecond);

    qint64 rate() const { return m_rate; }
    // Takes up to `wanted` bytes from the budget: how many may be read now (0: none yet).
    qint64 take(qint64 wanted);
    // How long until a read of `wanted` bytes (or of a share of the budget, if less) is allowed.
    std::chrono::milliseconds wait(qint64 wanted);
    // What the network stack may hold of a throttled reply: a quarter second's bytes, within bounds.
    qint64 readBufferBytes() const;

private:
    void refill();

    qint64 m_rate;
    qint64 m_capacity;
    double m_bytes = 0;
    QElapsedTimer m_clock;
    qint64 m_filledAt = 0; // nanoseconds on m_clock
};

} // namespace download
