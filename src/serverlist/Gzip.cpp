// gzip data inflated in memory through zlib, with a bound on the size it inflates to.
#include "serverlist/Gzip.h"

#define ZLIB_CONST
#include <zlib.h>

#include <algorithm>

namespace hublane::serverlist {
namespace {

// zlib counts in 32-bit numbers: input goes in and output comes out in steps.
constexpr std::size_t kInputStep = std::size_t{1} << 30;
constexpr std::size_t kOutputStep = std::size_t{256} * 1024;
// 16 + window bits: a gzip header and trailer, not a bare zlib stream.
constexpr int kGzipWindowBits = 16 + MAX_WBITS;

// Owns a z_stream set up for inflating, so that every way out releases it.
class InflateStream {
  public:
    InflateStream() { m_ok = inflateInit2(&m_stream, kGzipWindowBits) == Z_OK; }
    ~InflateStream() {
        if (m_ok) {
            inflateEnd(&m_stream);
        }
    }
    InflateStream(const InflateStream&) = delete;
    InflateStream& operator=(const InflateStream&) = delete;

    bool Ok() const { return m_ok; }
    z_stream& Stream() { return m_stream; }

  private:
    z_stream m_stream{};
    bool m_ok = false;
};

Inflated Failure(std::string text) {
    Inflated result;
    result.error = std::move(text);
    return result;
}

}  // namespace

bool HasGzipMagic(std::string_view bytes) {
    return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0x1F &&
           static_cast<unsigned char>(bytes[1]) == 0x8B;
}

Inflated GzipInflate(std::string_view compressed, std::size_t maxBytes) {
    InflateStream inflater;
    if (!inflater.Ok()) {
        return Failure("zlib could not start inflating");
    }
    z_stream& zs = inflater.Stream();
    Inflated result;
    std::string& out = result.bytes;
    std::size_t given = 0;     // bytes of compressed handed to zlib so far
    std::size_t produced = 0;  // bytes of out filled
    for (;;) {
        if (zs.avail_in == 0 && given < compressed.size()) {
            const std::size_t step = std::min(compressed.size() - given, kInputStep);
            zs.next_in = reinterpret_cast<const Bytef*>(compressed.data() + given);
            zs.avail_in = static_cast<uInt>(step);
            given += step;
        }
        // At most one byte past the bound, which is how a too large stream shows.
        const std::size_t allowed = maxBytes - produced;
        const std::size_t room = allowed >= kOutputStep ? kOutputStep : allowed + 1;
        out.resize(produced + room);
        zs.next_out = reinterpret_cast<Bytef*>(out.data() + produced);
        zs.avail_out = static_cast<uInt>(room);
        const int rc = inflate(&zs, Z_NO_FLUSH);
        produced += room - zs.avail_out;
        out.resize(produced);
        if (produced > maxBytes) {
            return Failure("the gzip data inflates to more than " + std::to_string(maxBytes) + " bytes");
        }
        if (rc == Z_OK) {
            continue;
        }
        if (rc == Z_STREAM_END) {
            const std::size_t left = zs.avail_in + (compressed.size() - given);
            if (left == 0) {
                return result;
            }
            if (!HasGzipMagic(compressed.substr(compressed.size() - left))) {
                return Failure("bytes that are not gzip data follow the compressed data");
            }
            inflateReset(&zs);  // the next member of a concatenated file
            continue;
        }
        if (rc == Z_BUF_ERROR && zs.avail_in == 0 && given == compressed.size()) {
            return Failure("the gzip data ends early (truncated file)");
        }
        if (rc == Z_MEM_ERROR) {
            return Failure("out of memory while inflating the gzip data");
        }
        // Z_DATA_ERROR (a bad header, block or checksum), Z_NEED_DICT and anything else.
        return Failure(std::string("the gzip data is corrupt") +
                       (zs.msg ? std::string(" (") + zs.msg + ")" : ""));
    }
}

}  // namespace hublane::serverlist
