// The one clock every wait, timer and worker linger of a copy reads.
#pragma once

#include <QElapsedTimer>
#include <algorithm>
#include <cstdint>

namespace hublane::platform {

/// Time as the program's waits count it. Every fixed wait (the UI waits, the close delay, the
/// countdown tick, the probe workers' lingers and receive waits) is written in the program's
/// milliseconds and asks the clock how long that lasts for real, so a test can run a bound of
/// 20 × 1000 ms in a few milliseconds. Thread-safe: workers read it too.
class Clock {
  public:
    virtual ~Clock() = default;
    /// Milliseconds since an arbitrary start, never going back.
    virtual std::int64_t NowMs() const = 0;
    /// How many real milliseconds a span of ms lasts; at least 1 for a positive span.
    virtual int RealMs(int ms) const = 0;
};

/// The real clock: a millisecond is a millisecond.
class SystemClock final : public Clock {
  public:
    SystemClock() { m_start.start(); }
    std::int64_t NowMs() const override { return m_start.elapsed(); }
    int RealMs(int ms) const override { return std::max(ms, 0); }

  private:
    QElapsedTimer m_start;
};

/// A clock that runs `speed` times faster than the real one: tests of long bounds.
class FastClock final : public Clock {
  public:
    explicit FastClock(int speed) : m_speed(std::max(speed, 1)) { m_start.start(); }
    std::int64_t NowMs() const override { return m_start.elapsed() * m_speed; }
    int RealMs(int ms) const override { return ms <= 0 ? 0 : std::max(1, ms / m_speed); }

  private:
    QElapsedTimer m_start;
    int m_speed;
};

}  // namespace hublane::platform
