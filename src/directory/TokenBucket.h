// A steady rate with a small burst, for the directory's probes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace hublane::directory {

/// Tokens come at ratePerSecond up to burst; each probe takes one.
class TokenBucket {
  public:
    /// ratePerSecond 0 (or less) never gives a token.
    TokenBucket(double ratePerSecond, double burst);

    /// Takes up to wanted tokens at nowMs (any monotonic milliseconds) and returns how many it
    /// took.
    std::size_t Take(std::size_t wanted, std::int64_t nowMs);

  private:
    double m_rate;
    double m_burst;
    double m_tokens;
    std::int64_t m_lastMs = 0;
    bool m_started = false;
};

}  // namespace hublane::directory
