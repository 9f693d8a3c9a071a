// aMule's EC frames and tags, decoded with a bound on every read and encoded.
#include "clients/EcCodec.h"

#include <limits>

namespace hublane::clients {
namespace {

// Tag name word, type byte and length word.
constexpr std::size_t kTagHeaderSize = 7;
constexpr std::size_t kChildCountSize = 2;

// Reads big-endian numbers forward through a buffer; a read past its end takes nothing and fails.
class BigEndianReader {
  public:
    explicit BigEndianReader(std::string_view bytes) : m_bytes(bytes) {}

    bool Take(std::size_t n, std::string_view& out) {
        if (m_bytes.size() - m_pos < n) {
            return false;
        }
        out = m_bytes.substr(m_pos, n);
        m_pos += n;
        return true;
    }
    template <typename T>
    bool Number(T& out) {
        std::string_view raw;
        if (!Take(sizeof(T), raw)) {
            return false;
        }
        std::uint64_t value = 0;
        for (const char c : raw) {
            value = (value << 8U) | static_cast<std::uint8_t>(c);
        }
        out = static_cast<T>(value);
        return true;
    }
    std::size_t Left() const { return m_bytes.size() - m_pos; }

  private:
    std::string_view m_bytes;
    std::size_t m_pos = 0;
};

template <typename T>
void PutNumber(std::string& out, T value) {
    for (int shift = static_cast<int>(sizeof(T) * 8) - 8; shift >= 0; shift -= 8) {
        out.push_back(
            static_cast<char>((static_cast<std::uint64_t>(value) >> static_cast<unsigned>(shift)) & 0xffU));
    }
}

std::uint64_t BigEndianValue(std::string_view raw) {
    std::uint64_t value = 0;
    for (const char c : raw) {
        value = (value << 8U) | static_cast<std::uint8_t>(c);
    }
    return value;
}

bool DecodeTag(BigEndianReader& in, int depth, EcTag& tag) {
    if (depth > kEcMaxDepth) {
        return false;
    }
    std::uint16_t nameWord = 0;
    std::uint8_t type = 0;
    std::uint32_t length = 0;
    if (!in.Number(nameWord) || !in.Number(type) || !in.Number(length)) {
        return false;
    }
    tag.name = static_cast<std::uint16_t>(nameWord >> 1U);
    tag.type = static_cast<EcType>(type);
    std::uint16_t childCount = 0;
    // A tag marked as having children has at least one (aMule never writes an empty count).
    if ((nameWord & 1U) != 0 && (!in.Number(childCount) || childCount == 0)) {
        return false;
    }
    std::string_view body;
    if (!in.Take(length, body)) {
        return false;
    }
    BigEndianReader inner(body);
    // Each child takes at least a header: a count larger than the body allows is refused before
    // anything is reserved for it.
    if (childCount > body.size() / kTagHeaderSize) {
        return false;
    }
    tag.children.resize(childCount);
    for (EcTag& child : tag.children) {
        if (!DecodeTag(inner, depth + 1, child)) {
            return false;
        }
    }
    std::string_view own;
    inner.Take(inner.Left(), own);
    tag.data.assign(own);
    return true;
}

// The bytes a tag takes inside its parent's length (header, child count, children, data), or
// nullopt when it nests too deep or overflows a length field.
std::optional<std::uint64_t> EncodedSize(const EcTag& tag, int depth) {
    if (depth > kEcMaxDepth || tag.children.size() > std::numeric_limits<std::uint16_t>::max()) {
        return std::nullopt;
    }
    std::uint64_t length = tag.data.size();
    for (const EcTag& child : tag.children) {
        const auto size = EncodedSize(child, depth + 1);
        if (!size) {
            return std::nullopt;
        }
        length += *size;
    }
    if (length > std::numeric_limits<std::uint32_t>::max()) {
        return std::nullopt;
    }
    return kTagHeaderSize + (tag.children.empty() ? 0 : kChildCountSize) + length;
}

void EncodeTag(std::string& out, const EcTag& tag) {
    const bool hasChildren = !tag.children.empty();
    std::uint64_t length = tag.data.size();
    for (const EcTag& child : tag.children) {
        length += *EncodedSize(child, 0);  // the whole packet was measured before
    }
    PutNumber(out, static_cast<std::uint16_t>((tag.name << 1U) | (hasChildren ? 1U : 0U)));
    PutNumber(out, static_cast<std::uint8_t>(tag.type));
    PutNumber(out, static_cast<std::uint32_t>(length));
    if (hasChildren) {
        PutNumber(out, static_cast<std::uint16_t>(tag.children.size()));
        for (const EcTag& child : tag.children) {
            EncodeTag(out, child);
        }
    }
    out += tag.data;
}

}  // namespace

EcTag EcTag::Int(std::uint16_t name, std::uint64_t value) {
    EcTag tag{name, EcType::U8, {}, {}};
    if (value <= 0xffU) {
        PutNumber(tag.data, static_cast<std::uint8_t>(value));
    } else if (value <= 0xffffU) {
        tag.type = EcType::U16;
        PutNumber(tag.data, static_cast<std::uint16_t>(value));
    } else if (value <= 0xffffffffU) {
        tag.type = EcType::U32;
        PutNumber(tag.data, static_cast<std::uint32_t>(value));
    } else {
        tag.type = EcType::U64;
        PutNumber(tag.data, value);
    }
    return tag;
}

EcTag EcTag::Text(std::uint16_t name, std::string_view text) {
    EcTag tag{name, EcType::String, std::string(text), {}};
    tag.data.push_back('\0');
    return tag;
}

EcTag EcTag::Ipv4(std::uint16_t name, std::array<std::uint8_t, 4> address, std::uint16_t port) {
    EcTag tag{name, EcType::Ipv4, {}, {}};
    for (const std::uint8_t b : address) {
        tag.data.push_back(static_cast<char>(b));
    }
    PutNumber(tag.data, port);
    return tag;
}

EcTag EcTag::Hash(std::uint16_t name, const std::array<std::uint8_t, 16>& hash) {
    EcTag tag{name, EcType::Hash16, {}, {}};
    for (const std::uint8_t b : hash) {
        tag.data.push_back(static_cast<char>(b));
    }
    return tag;
}

std::optional<std::uint64_t> EcTag::AsInt() const {
    std::size_t width = 0;
    switch (type) {
        case EcType::U8:
            width = 1;
            break;
        case EcType::U16:
            width = 2;
            break;
        case EcType::U32:
            width = 4;
            break;
        case EcType::U64:
            width = 8;
            break;
        default:
            return std::nullopt;
    }
    if (data.size() != width) {
        return std::nullopt;
    }
    return BigEndianValue(data);
}

std::optional<std::string> EcTag::AsText() const {
    if (type != EcType::String) {
        return std::nullopt;
    }
    std::string text = data;
    if (!text.empty() && text.back() == '\0') {
        text.pop_back();
    }
    return text;
}

std::optional<std::pair<std::string, std::uint16_t>> EcTag::AsIpv4() const {
    if (type != EcType::Ipv4 || data.size() != 6) {
        return std::nullopt;
    }
    std::string ip;
    for (std::size_t i = 0; i < 4; ++i) {
        if (i > 0) {
            ip.push_back('.');
        }
        ip += std::to_string(static_cast<std::uint8_t>(data[i]));
    }
    return std::pair{std::move(ip),
                     static_cast<std::uint16_t>(BigEndianValue(std::string_view(data).substr(4)))};
}

const EcTag* EcTag::Child(std::uint16_t childName) const {
    for (const EcTag& child : children) {
        if (child.name == childName) {
            return &child;
        }
    }
    return nullptr;
}

const EcTag* EcPacket::Tag(std::uint16_t name) const {
    for (const EcTag& tag : tags) {
        if (tag.name == name) {
            return &tag;
        }
    }
    return nullptr;
}

EcDecodeResult DecodeEcFrame(std::string_view bytes) {
    EcDecodeResult result;
    BigEndianReader header(bytes);
    std::uint32_t flags = 0;
    std::uint32_t length = 0;
    if (!header.Number(flags) || !header.Number(length)) {
        return result;
    }
    if ((flags & kEcFlagsPlain) == 0 || (flags & kEcFlagsRefused) != 0) {
        result.status = EcDecodeStatus::Unsupported;
        return result;
    }
    if (length > kEcMaxBodySize) {
        result.status = EcDecodeStatus::TooLarge;
        return result;
    }
    std::string_view body;
    if (!header.Take(length, body)) {
        return result;
    }
    result.status = EcDecodeStatus::Malformed;
    BigEndianReader in(body);
    std::uint16_t tagCount = 0;
    if (!in.Number(result.packet.opcode) || !in.Number(tagCount) || tagCount > in.Left() / kTagHeaderSize) {
        return result;
    }
    result.packet.flags = flags;
    result.packet.tags.resize(tagCount);
    for (EcTag& tag : result.packet.tags) {
        if (!DecodeTag(in, 1, tag)) {
            return result;
        }
    }
    if (in.Left() != 0) {
        return result;
    }
    result.status = EcDecodeStatus::Ok;
    result.consumed = kEcHeaderSize + length;
    return result;
}

std::string EncodeEcFrame(const EcPacket& packet) {
    if (packet.tags.size() > std::numeric_limits<std::uint16_t>::max()) {
        return {};
    }
    std::uint64_t length = 3;
    for (const EcTag& tag : packet.tags) {
        const auto size = EncodedSize(tag, 1);
        if (!size) {
            return {};
        }
        length += *size;
    }
    if (length > kEcMaxBodySize) {
        return {};
    }
    std::string out;
    out.reserve(kEcHeaderSize + length);
    PutNumber(out, packet.flags);
    PutNumber(out, static_cast<std::uint32_t>(length));
    PutNumber(out, packet.opcode);
    PutNumber(out, static_cast<std::uint16_t>(packet.tags.size()));
    for (const EcTag& tag : packet.tags) {
        EncodeTag(out, tag);
    }
    return out;
}

std::string HexLower(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto b = static_cast<std::uint8_t>(c);
        hex.push_back(kDigits[b >> 4U]);
        hex.push_back(kDigits[b & 0xfU]);
    }
    return hex;
}

std::string EcSaltText(std::uint64_t salt) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    do {
        text.insert(text.begin(), kDigits[salt & 0xfU]);
        salt >>= 4U;
    } while (salt != 0);
    return text;
}

}  // namespace hublane::clients
