// The heads of the HTTP requests on one connection, read as their bytes arrive,
// before the HTTP layer sees them: where each head ends, whether it is too large or malformed,
// and whether the connection is to close after its answer.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace hublane::directory {

/// The most bytes of one request head (request line and header fields).
inline constexpr std::size_t kMaxRequestHeadBytes = 16 * 1024;

/// Follows the request heads of one connection. The directory takes only GET requests without a
/// body, so whatever follows a head is the next head.
class RequestHeadScanner {
  public:
    enum class Verdict {
        Reading,    // within a head (or between requests), nothing wrong so far
        TooLarge,   // a head passed kMaxRequestHeadBytes: answer 431 and close
        Malformed,  // a request line that is not "METHOD target HTTP/1.x": answer 400 and close
        Upgrade,    // a protocol upgrade (WebSocket): refused with 400, the HTTP layer would answer twice
    };

    /// Takes the next bytes of the connection; the first verdict other than Reading stays.
    Verdict Feed(std::string_view bytes);

    Verdict Current() const { return m_verdict; }
    /// Bytes of the head being read (0 between requests).
    std::size_t HeadBytes() const { return m_head.size(); }
    bool InHead() const { return !m_head.empty(); }
    /// Heads completed so far.
    std::size_t Heads() const { return m_heads; }
    /// Whether the connection closes after the answer to the last completed head: HTTP/1.0
    /// without "Connection: keep-alive", or "Connection: close".
    bool CloseAfterAnswer() const { return m_close; }

  private:
    Verdict Complete();

    Verdict m_verdict = Verdict::Reading;
    std::string m_head;
    std::size_t m_heads = 0;
    bool m_close = false;
};

}  // namespace hublane::directory
