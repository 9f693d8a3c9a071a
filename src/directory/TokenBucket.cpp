// A steady rate with a small burst, for the directory's probes.
#include "directory/TokenBucket.h"

#include <algorithm>

namespace hublane::directory {

TokenBucket::TokenBucket(double ratePerSecond, double burst)
    : m_rate(std::max(ratePerSecond, 0.0)), m_burst(std::max(burst, 1.0)), m_tokens(0) {}

std::size_t TokenBucket::Take(std::size_t wanted, std::int64_t nowMs) {
    if (m_rate <= 0) {
        return 0;
    }
    if (!m_started) {
        // The first call starts with a full burst.
        m_started = true;
        m_tokens = m_burst;
    } else if (nowMs > m_lastMs) {
        m_tokens = std::min(m_burst, m_tokens + static_cast<double>(nowMs - m_lastMs) * m_rate / 1000.0);
    }
    m_lastMs = std::max(m_lastMs, nowMs);
    const auto whole = static_cast<std::size_t>(m_tokens);
    const std::size_t taken = std::min(wanted, whole);
    m_tokens -= static_cast<double>(taken);
    return taken;
}

}  // namespace hublane::directory
