// Per-client request limits with a bounded memory of clients.
#include "directory/RateLimiter.h"

#include "directory/AddressRules.h"

namespace hublane::directory {

RateLimiter::RateLimiter(std::size_t limit, std::int64_t windowMs, std::size_t maxKeys)
    : m_limit(limit), m_windowMs(windowMs > 0 ? windowMs : 1), m_maxKeys(maxKeys > 0 ? maxKeys : 1) {}

bool RateLimiter::Allow(std::string_view address, std::int64_t nowMs) {
    if (m_limit == 0) {
        return true;
    }
    const std::string key = ClientKey(address);
    const auto over = [this, nowMs](const Window& w) {
        return nowMs < w.startMs || nowMs - w.startMs >= m_windowMs;
    };
    // Windows that ran out go from the front; the order is that of their starts.
    while (!m_byStart.empty()) {
        const auto oldest = m_windows.find(m_byStart.front());
        if (!over(oldest->second)) {
            break;
        }
        m_windows.erase(oldest);
        m_byStart.pop_front();
    }
    auto it = m_windows.find(key);
    if (it == m_windows.end()) {
        if (m_windows.size() >= m_maxKeys) {
            // Full of live windows: the oldest client is forgotten (it starts afresh if it comes
            // back), a new one is never refused for want of room.
            m_windows.erase(m_byStart.front());
            m_byStart.pop_front();
        }
        m_byStart.push_back(key);
        it = m_windows.emplace(key, Window{nowMs, 0, std::prev(m_byStart.end())}).first;
    }
    Window& window = it->second;
    // A clock that went back (or a window that ran out) starts a new window.
    if (over(window)) {
        window.startMs = nowMs;
        window.count = 0;
        m_byStart.splice(m_byStart.end(), m_byStart, window.age);
    }
    if (window.count >= m_limit) {
        return false;
    }
    ++window.count;
    return true;
}

}  // namespace hublane::directory
