// Bounds-checked little-endian reading from a byte buffer, and appending to one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace hublane::text {

/// Reads forward through a buffer; a read that would pass the end takes nothing and fails.
class ByteReader {
  public:
    explicit ByteReader(std::string_view bytes) : m_bytes(bytes) {}

    bool Take(std::size_t n, std::string_view& out) {
        if (m_bytes.size() - m_pos < n) {
            return false;
        }
        out = m_bytes.substr(m_pos, n);
        m_pos += n;
        return true;
    }
    bool U8(std::uint8_t& out) { return Number(out); }
    bool U16(std::uint16_t& out) { return Number(out); }
    bool U32(std::uint32_t& out) { return Number(out); }

  private:
    template <typename T>
    bool Number(T& out) {
        std::string_view raw;
        if (!Take(sizeof(T), raw)) {
            return false;
        }
        T value = 0;
        for (std::size_t i = sizeof(T); i-- > 0;) {
            value = static_cast<T>((value << 8) | static_cast<std::uint8_t>(raw[i]));
        }
        out = value;
        return true;
    }

    std::string_view m_bytes;
    std::size_t m_pos = 0;
};

inline void AppendU8(std::string& out, std::uint8_t v) {
    out.push_back(static_cast<char>(v));
}

inline void AppendU16(std::string& out, std::uint16_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>(v >> 8));
}

inline void AppendU32(std::string& out, std::uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<char>((v >> shift) & 0xFF));
    }
}

/// Overwrites 4 bytes at offset with v (for a count known only at the end).
inline void PutU32(std::string& out, std::size_t offset, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out[offset + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
    }
}

}  // namespace hublane::text
