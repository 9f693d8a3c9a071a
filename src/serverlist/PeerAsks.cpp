// The requests this copy sent to other copies lately.
#include "serverlist/PeerAsks.h"

#include <algorithm>
#include <limits>

namespace hublane::serverlist {
namespace {

// Whether an ask at `at` is still good at now; a clock that went back keeps it (it cannot be told
// old), one far ahead does not overflow.
bool Fresh(const std::optional<std::int64_t>& at, std::int64_t now) {
    if (!at) {
        return false;
    }
    if (now < *at) {
        return true;
    }
    return static_cast<std::uint64_t>(now) - static_cast<std::uint64_t>(*at) <
           static_cast<std::uint64_t>(kPeerAskValidMs);
}

std::int64_t Latest(const std::array<std::optional<std::int64_t>, 3>& times) {
    std::int64_t latest = std::numeric_limits<std::int64_t>::min();
    for (const auto& t : times) {
        if (t) {
            latest = std::max(latest, *t);
        }
    }
    return latest;
}

}  // namespace

void PeerAsks::Note(std::string_view address, PeerAsk kind, std::int64_t nowMs) {
    auto it = m_asks.find(std::string(address));
    if (it == m_asks.end()) {
        if (m_asks.size() >= kMaxPeerAsks) {
            // Forget what has gone stale; if nothing has, the address asked longest ago.
            std::erase_if(m_asks, [nowMs](const auto& entry) {
                return std::none_of(entry.second.begin(), entry.second.end(),
                                    [nowMs](const auto& t) { return Fresh(t, nowMs); });
            });
            if (m_asks.size() >= kMaxPeerAsks) {
                m_asks.erase(std::min_element(m_asks.begin(), m_asks.end(), [](const auto& a, const auto& b) {
                    return Latest(a.second) < Latest(b.second);
                }));
            }
        }
        it = m_asks.emplace(std::string(address), Times{}).first;
    }
    it->second[static_cast<std::size_t>(kind)] = nowMs;
}

bool PeerAsks::Asked(std::string_view address, PeerAsk kind, std::int64_t nowMs) const {
    const auto it = m_asks.find(std::string(address));
    return it != m_asks.end() && Fresh(it->second[static_cast<std::size_t>(kind)], nowMs);
}

}  // namespace hublane::serverlist
