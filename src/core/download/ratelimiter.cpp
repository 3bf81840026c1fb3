#include "download/ratelimiter.h"

#include <algorithm>
#include <cmath>

namespace download {

RateLimiter::RateLimiter(qint64 bytesPerSecond)
    : m_rate(std::max<qint64>(bytesPerSecond, 1))
    , m_capacity(std::max<qint64>(m_rate / 20, 1))
{
}

void RateLimiter::refill()
{
    // Empty when the first read asks: nothing saved up while the pages were fetched.
    if (!m_clock.isValid())
        m_clock.start();
    const qint64 now = m_clock.nsecsElapsed();
    m_bytes = std::min(double(m_capacity), m_bytes + double(now - m_filledAt) * double(m_rate) / 1e9);
    m_filledAt = now;
}

qint64 RateLimiter::take(qint64 wanted)
{
    refill();
    const qint64 granted = std::min(wanted, qint64(m_bytes));
    if (granted <= 0)
        return 0;
    m_bytes -= double(granted);
    return granted;
}

std::chrono::milliseconds RateLimiter::wait(qint64 wanted)
{
    refill();
    // A share of the budget, so that transfers running side by side take turns.
    const double needed = double(std::clamp<qint64>(wanted, 1, std::max<qint64>(m_capacity / 4, 1)));
    const double missing = needed - m_bytes;
    return std::chrono::milliseconds(std::max<qint64>(1, qint64(std::ceil(missing * 1000.0 / double(m_rate)))));
}

qint64 RateLimiter::readBufferBytes() const
{
    return std::clamp<qint64>(m_rate / 4, 16 * 1024, 1024 * 1024);
}

} // namespace download
