// Bounds-checked little-endian reading from a byte buffer, and appending to one: the one reader
// of numbers in outside bytes (list files, datagrams, PE images).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace hublane::text {

/// Reads the little-endian number at offset; false, with out untouched, unless it lies wholly
/// inside bytes (any offset is safe, however large).
template <typename T>
bool NumberAt(std::string_view bytes, std::uint64_t offset, T& out) {
    if (offset > bytes.size() || bytes.size() - offset < sizeof(T)) {
        return false;
    }
    T value = 0;
    for (std::size_t i = sizeof(T); i-- > 0;) {
        value = static_cast<T>((value << 8) | static_cast<std::uint8_t>(bytes[offset + i]));
    }
    out = value;
    return true;
}

inline bool U16At(std::string_view bytes, std::uint64_t offset, std::uint16_t& out) {
    return NumberAt(bytes, offset, out);
}

inline bool U32At(std::string_view bytes, std::uint64_t offset, std::uint32_t& out) {
    return NumberAt(bytes, offset, out);
}

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
    /// How many bytes were taken so far.
    std::size_t Position() const { return m_pos; }
    bool U8(std::uint8_t& out) { return Number(out); }
    bool U16(std::uint16_t& out) { return Number(out); }
    bool U32(std::uint32_t& out) { return Number(out); }

  private:
    template <typename T>
    bool Number(T& out) {
        std::string_view raw;
        return Take(sizeof(T), raw) && NumberAt(raw, 0, out);
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
