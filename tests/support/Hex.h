// Bytes written as hex pairs, for the codec tests (no Qt: the Windows cross build uses it too).
#pragma once

#include <string>
#include <string_view>

namespace hublane::test {

/// Bytes from a text of hex pairs, spaces allowed: "0E 00 00 00 00".
std::string Hex(std::string_view hex);

}  // namespace hublane::test
