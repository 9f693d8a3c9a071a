// The requests this copy sent to other copies lately (pings and list requests),
// so that only answers it asked for are taken.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace hublane::serverlist {

/// What was asked of a copy.
enum class PeerAsk { Ping = 0, Servers = 1, Peers = 2 };

/// How long an answer to a request is taken after the request went out.
inline constexpr std::int64_t kPeerAskValidMs = 60000;
/// The asked copies remembered at once; past this the oldest ask is forgotten first.
inline constexpr std::size_t kMaxPeerAsks = 8192;

/// The asks of the last minute, by address and kind. Bounded: a copy asks at most its peer list
/// (a thousand rows) per campaign, so the bound is only reached by a clock that stands still.
class PeerAsks {
  public:
    /// Notes that address was asked for kind at nowMs (any monotonic milliseconds).
    void Note(std::string_view address, PeerAsk kind, std::int64_t nowMs);
    /// True when address was asked for kind within kPeerAskValidMs before nowMs.
    bool Asked(std::string_view address, PeerAsk kind, std::int64_t nowMs) const;
    std::size_t Count() const { return m_asks.size(); }

  private:
    using Times = std::array<std::optional<std::int64_t>, 3>;
    std::unordered_map<std::string, Times> m_asks;
};

}  // namespace hublane::serverlist
