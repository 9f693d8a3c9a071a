// Conversions between the texts held in the tables and the numbers the list files carry.
#include "serverlist/AddressText.h"

namespace hublane::serverlist {
namespace {

constexpr std::size_t kMaxDigits = 10;  // 4294967295

std::optional<std::uint64_t> ParseDigits(std::string_view text, std::size_t maxDigits) {
    if (text.empty() || text.size() > maxDigits) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return value;
}

}  // namespace

AddressBytes AddressFromBytes(std::string_view raw) {
    return {static_cast<std::uint8_t>(raw[0]), static_cast<std::uint8_t>(raw[1]),
            static_cast<std::uint8_t>(raw[2]), static_cast<std::uint8_t>(raw[3])};
}

std::string FormatDottedQuad(const AddressBytes& bytes) {
    std::string out;
    out.reserve(15);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0) {
            out.push_back('.');
        }
        const unsigned v = bytes[i];
        if (v >= 100) {
            out.push_back(static_cast<char>('0' + v / 100));
        }
        if (v >= 10) {
            out.push_back(static_cast<char>('0' + v / 10 % 10));
        }
        out.push_back(static_cast<char>('0' + v % 10));
    }
    return out;
}

std::optional<AddressBytes> ParseDottedQuad(std::string_view text) {
    AddressBytes bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const std::size_t dot = text.find('.');
        const bool last = i + 1 == bytes.size();
        if (last != (dot == std::string_view::npos)) {
            return std::nullopt;
        }
        const auto value = ParseDigits(text.substr(0, dot), 3);
        if (!value || *value > 255) {
            return std::nullopt;
        }
        bytes[i] = static_cast<std::uint8_t>(*value);
        text = last ? std::string_view() : text.substr(dot + 1);
    }
    return bytes;
}

std::optional<std::uint32_t> ParseUnsigned(std::string_view text, std::uint32_t max) {
    const auto value = ParseDigits(text, kMaxDigits);
    if (!value || *value > max) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(*value);
}

std::optional<std::uint32_t> ParseInt32Text(std::string_view text) {
    if (!text.empty() && text.front() == '-') {
        const auto magnitude = ParseDigits(text.substr(1), kMaxDigits);
        if (!magnitude || *magnitude > 2147483648ULL) {
            return std::nullopt;
        }
        return static_cast<std::uint32_t>(0x100000000ULL - *magnitude);
    }
    return ParseUnsigned(text, 0xFFFFFFFFU);
}

}  // namespace hublane::serverlist
