// Builders of eMule/aMule server.met bytes for tests: numbers, tags, entries and whole files.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace hublane::test {

inline std::string Le16(std::uint16_t v) {
    return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
}
inline std::string Le32(std::uint32_t v) {
    return Le16(static_cast<std::uint16_t>(v & 0xFFFF)) + Le16(static_cast<std::uint16_t>(v >> 16));
}
/// A tag name of the old style: its 16-bit length, then its bytes (one byte is an id).
inline std::string Name(std::string_view name) {
    return Le16(static_cast<std::uint16_t>(name.size())) + std::string(name);
}
inline std::string TextTag(std::string_view name, std::string_view value) {
    return "\x02" + Name(name) + Le16(static_cast<std::uint16_t>(value.size())) + std::string(value);
}
inline std::string IntTag(std::string_view name, std::uint32_t value) {
    return "\x03" + Name(name) + Le32(value);
}
inline std::string Entry(std::string_view ip4, std::uint16_t port, std::uint32_t tagCount,
                         const std::string& tags) {
    return std::string(ip4) + Le16(port) + Le32(tagCount) + tags;
}
inline std::string File(std::uint32_t count, const std::string& entries, char header = '\xE0') {
    return std::string(1, header) + Le32(count) + entries;
}

}  // namespace hublane::test
