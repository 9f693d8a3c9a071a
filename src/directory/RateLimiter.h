// Per-client request limits: at most N requests in each window of time, with a
// bounded memory of clients.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <string>
#include <string_view>
#include <unordered_map>

namespace hublane::directory {

/// Counts requests per client in fixed windows that start at a client's first request. A client
/// is an IPv4 address, or the /64 of an IPv6 one (ClientKey); any other key stands for itself.
/// The clients remembered are bounded: when the table is full, the client whose window started
/// longest ago is forgotten, so that a flood from many addresses costs memory up to the bound and
/// never locks out a new client.
class RateLimiter {
  public:
    /// limit 0 lets every request through.
    RateLimiter(std::size_t limit, std::int64_t windowMs, std::size_t maxKeys);

    /// Whether one more request from address at nowMs (any monotonic milliseconds) is let
    /// through; counts it when it is.
    bool Allow(std::string_view address, std::int64_t nowMs);

    std::size_t Remembered() const { return m_windows.size(); }

  private:
    struct Window {
        std::int64_t startMs = 0;
        std::size_t count = 0;
        std::list<std::string>::iterator age;  // its place in m_byStart
    };

    std::size_t m_limit;
    std::int64_t m_windowMs;
    std::size_t m_maxKeys;
    std::unordered_map<std::string, Window> m_windows;
    // The clients in the order their windows started, oldest first.
    std::list<std::string> m_byStart;
};

}  // namespace hublane::directory
