// The request heads of one connection as their bytes arrive: where they end, what is refused
// before the HTTP layer sees it, and when the connection closes after its answer.
#include "directory/RequestHead.h"

#include <gtest/gtest.h>

namespace hublane::directory {
namespace {

using Verdict = RequestHeadScanner::Verdict;

TEST(RequestHead, JudgesEachHeadWhateverPiecesItArrivesIn) {
    struct Case {
        const char* what;
        std::string bytes;
        Verdict verdict;
        std::size_t heads;
        bool close;
    };
    const std::string big(kMaxRequestHeadBytes, 'a');
    for (const Case& c : {
             Case{"HTTP/1.1 stays open", "GET /liste.php HTTP/1.1\r\nHost: x\r\n\r\n", Verdict::Reading, 1,
                  false},
             Case{"Connection: close", "GET / HTTP/1.1\r\nConnection: Close\r\n\r\n", Verdict::Reading, 1,
                  true},
             Case{"HTTP/1.0 closes", "GET / HTTP/1.0\r\n\r\n", Verdict::Reading, 1, true},
             Case{"HTTP/1.0 keep-alive", "GET / HTTP/1.0\r\nConnection: keep-alive\r\n\r\n", Verdict::Reading,
                  1, false},
             Case{"bare line feeds", "GET / HTTP/1.0\n\n", Verdict::Reading, 1, true},
             Case{"two heads, the last decides", "GET / HTTP/1.0\r\n\r\nGET / HTTP/1.1\r\n\r\n",
                  Verdict::Reading, 2, false},
             Case{"blank lines before a head", "\r\n\r\nGET / HTTP/1.1\r\n\r\n", Verdict::Reading, 1, false},
             Case{"unfinished", "GET / HTTP/1.1\r\nHost: x\r\n", Verdict::Reading, 0, false},
             Case{"no version", "GET /\r\n\r\n", Verdict::Malformed, 1, false},
             Case{"one word", "HELLO\r\n\r\n", Verdict::Malformed, 1, false},
             Case{"two spaces", "GET  / HTTP/1.1\r\n\r\n", Verdict::Malformed, 1, false},
             Case{"HTTP/2.0", "GET / HTTP/2.0\r\n\r\n", Verdict::Malformed, 1, false},
             Case{"method with a control byte", std::string("G\x01T / HTTP/1.1\r\n\r\n"), Verdict::Malformed,
                  1, false},
             Case{"WebSocket", "GET / HTTP/1.1\r\nConnection: Upgrade\r\nUpgrade: websocket\r\n\r\n",
                  Verdict::Upgrade, 1, false},
             Case{"too large, unfinished", "GET / HTTP/1.1\r\nX: " + big, Verdict::TooLarge, 0, false},
             Case{"too large, finished", "GET / HTTP/1.1\r\nX: " + big + "\r\n\r\n", Verdict::TooLarge, 0,
                  false},
             Case{"just within",
                  "GET / HTTP/1.1\r\nX: " + big.substr(0, kMaxRequestHeadBytes - 40) + "\r\n\r\n",
                  Verdict::Reading, 1, false},
         }) {
        SCOPED_TRACE(c.what);
        for (const std::size_t piece : {c.bytes.size(), std::size_t{1}, std::size_t{3}, std::size_t{1000}}) {
            SCOPED_TRACE(piece);
            RequestHeadScanner scanner;
            for (std::size_t at = 0; at < c.bytes.size(); at += piece)
                scanner.Feed(std::string_view(c.bytes).substr(at, piece));
            EXPECT_EQ(scanner.Current(), c.verdict);
            EXPECT_EQ(scanner.Heads(), c.heads);
            EXPECT_EQ(scanner.CloseAfterAnswer(), c.close);
        }
    }
}

TEST(RequestHead, CountsTheBytesOfTheHeadBeingRead) {
    RequestHeadScanner scanner;
    EXPECT_FALSE(scanner.InHead());
    scanner.Feed("GET / HT");
    EXPECT_TRUE(scanner.InHead());
    EXPECT_EQ(scanner.HeadBytes(), 8u);
    scanner.Feed("TP/1.1\r\n\r\nGET");
    EXPECT_EQ(scanner.Heads(), 1u);
    EXPECT_EQ(scanner.HeadBytes(), 3u);
    // A verdict stays, whatever comes after.
    scanner.Feed(" x\r\n\r\n");
    EXPECT_EQ(scanner.Current(), Verdict::Malformed);
    EXPECT_EQ(scanner.Feed("GET / HTTP/1.1\r\n\r\n"), Verdict::Malformed);
}

}  // namespace
}  // namespace hublane::directory
