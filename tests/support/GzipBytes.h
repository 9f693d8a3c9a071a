// Test helper: gzip files made in memory with zlib, so no compressed fixture is committed.
#pragma once

#include <zlib.h>

#include <string>
#include <string_view>

namespace hublane::test {

/// One gzip member holding `repeat` copies of bytes, streamed through deflate (a large member
/// never needs its whole text in memory).
inline std::string Gzip(std::string_view bytes, std::size_t repeat = 1) {
    z_stream zs{};
    deflateInit2(&zs, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out;
    char buffer[65536];
    for (std::size_t i = 0; i <= repeat; ++i) {
        const bool last = i == repeat;
        zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(last ? "" : bytes.data()));
        zs.avail_in = last ? 0 : static_cast<uInt>(bytes.size());
        do {
            zs.next_out = reinterpret_cast<Bytef*>(buffer);
            zs.avail_out = sizeof buffer;
            deflate(&zs, last ? Z_FINISH : Z_NO_FLUSH);
            out.append(buffer, sizeof buffer - zs.avail_out);
        } while (zs.avail_out == 0);
    }
    deflateEnd(&zs);
    return out;
}

}  // namespace hublane::test
