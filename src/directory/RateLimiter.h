// Per-address request limits: at most N requests in each window of time, with a
// bounded memory of addresses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace hublane::directory {

/// Counts requests per key (an address) in fixed windows that start at a key's first request.
/// The keys remembered are bounded: when the table is full and no window has run out, a new key
/// is refused, so that a flood from many addresses costs memory up to the bound only.
class RateLimiter {
  public:
    /// limit 0 lets every request through.
    RateLimiter(std::size_t limit, std::int64_t windowMs, std::size_t maxKeys);

    /// Whether one more request from key at nowMs (any monotonic milliseconds) is let through;
    /// counts it when it is.
    bool Allow(std::string_view key, std::int64_t nowMs);

    std::size_t Remembered() const { return m_windows.size(); }

  private:
    struct Window {
        std::int64_t startMs = 0;
        std::size_t count = 0;
    };
    void Sweep(std::int64_t nowMs);

    std::size_t m_limit;
    std::int64_t m_windowMs;
    std::size_t m_maxKeys;
    std::unordered_map<std::string, Window> m_windows;
    std::int64_t m_lastSweepMs = 0;
};

}  // namespace hublane::directory
