// Per-address request limits with a bounded memory of addresses.
#include "directory/RateLimiter.h"

#include <algorithm>

namespace hublane::directory {
namespace {

// A full table is swept for room at most this often: under a flood from new addresses, a refusal
// must not cost a walk over the whole table each time.
constexpr std::int64_t kFullSweepGapMs = 1000;

}  // namespace

RateLimiter::RateLimiter(std::size_t limit, std::int64_t windowMs, std::size_t maxKeys)
    : m_limit(limit), m_windowMs(windowMs > 0 ? windowMs : 1), m_maxKeys(maxKeys) {}

bool RateLimiter::Allow(std::string_view key, std::int64_t nowMs) {
    if (m_limit == 0) {
        return true;
    }
    if (nowMs - m_lastSweepMs >= m_windowMs) {
        Sweep(nowMs);
    }
    auto it = m_windows.find(std::string(key));
    if (it == m_windows.end()) {
        if (m_windows.size() >= m_maxKeys) {
            if (nowMs - m_lastSweepMs >= std::min(kFullSweepGapMs, m_windowMs)) {
                Sweep(nowMs);
            }
            if (m_windows.size() >= m_maxKeys) {
                return false;
            }
        }
        it = m_windows.emplace(std::string(key), Window{nowMs, 0}).first;
    }
    Window& window = it->second;
    // A clock that went back (or a window that ran out) starts a new window.
    if (nowMs < window.startMs || nowMs - window.startMs >= m_windowMs) {
        window = Window{nowMs, 0};
    }
    if (window.count >= m_limit) {
        return false;
    }
    ++window.count;
    return true;
}

void RateLimiter::Sweep(std::int64_t nowMs) {
    m_lastSweepMs = nowMs;
    for (auto it = m_windows.begin(); it != m_windows.end();) {
        if (nowMs < it->second.startMs || nowMs - it->second.startMs >= m_windowMs) {
            it = m_windows.erase(it);
        } else {
            ++it;
        }
    }
}

}  // namespace hublane::directory
