// Bytes written as hex pairs, for the codec tests.
#include "support/Hex.h"

namespace hublane::test {

std::string Hex(std::string_view hex) {
    std::string out;
    int pending = -1;
    for (const char c : hex) {
        int v = -1;
        if (c >= '0' && c <= '9')
            v = c - '0';
        else if (c >= 'a' && c <= 'f')
            v = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            v = c - 'A' + 10;
        else
            continue;
        if (pending < 0) {
            pending = v;
        } else {
            out.push_back(static_cast<char>(pending * 16 + v));
            pending = -1;
        }
    }
    return out;
}

}  // namespace hublane::test
