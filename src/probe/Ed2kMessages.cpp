// The UDP datagrams exchanged with eD2k servers and between copies of the program.
#include "probe/Ed2kMessages.h"

#include <algorithm>

#include "serverlist/AddressText.h"
#include "text/LittleEndian.h"

namespace hublane::probe {
namespace {

constexpr std::size_t kListBodyOffset = 2;
constexpr std::size_t kEntrySize = 6;
constexpr std::size_t kMaxEntries = 255;

std::uint8_t ByteAt(std::string_view bytes, std::size_t offset) {
    return static_cast<std::uint8_t>(bytes[offset]);
}

// Callers check the length first; past the end reads as 0.
std::uint16_t Le16At(std::string_view bytes, std::size_t offset) {
    std::uint16_t value = 0;
    text::U16At(bytes, offset, value);
    return value;
}

// count bytes from offset, clipped to the datagram, then to the first zero byte and the text limit.
std::string TextAt(std::string_view bytes, std::size_t offset, std::size_t count) {
    if (offset >= bytes.size()) {
        return {};
    }
    std::string_view text = bytes.substr(offset, std::min(count, kDescriptionTextMax));
    const std::size_t zero = text.find('\0');
    if (zero != std::string_view::npos) {
        text = text.substr(0, zero);
    }
    return std::string(text);
}

// A decimal number of at most maxDigits digits and at most maxValue; nothing else.
std::optional<unsigned> DecimalValue(std::string_view text, std::size_t maxDigits, unsigned maxValue) {
    if (text.empty() || text.size() > maxDigits) {
        return std::nullopt;
    }
    unsigned value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value > maxValue) {
        return std::nullopt;
    }
    return value;
}

std::string Request(std::uint8_t code) {
    std::string out(6, '\0');
    out[0] = static_cast<char>(kEd2kProtocol);
    out[1] = static_cast<char>(code);
    return out;
}

bool HasCodeAt1(std::string_view datagram, std::uint8_t code) {
    return datagram.size() >= 2 && ByteAt(datagram, 1) == code;
}

// Header bytes, count, entries: the shared part of both list encoders.
std::optional<std::string> BuildList(std::uint8_t byte0, std::uint8_t byte1,
                                     const std::vector<serverlist::SERVEUR>& entries) {
    if (entries.size() > kMaxEntries) {
        return std::nullopt;
    }
    std::string out;
    out.reserve(3 + kEntrySize * entries.size() + 1);
    out.push_back(static_cast<char>(byte0));
    out.push_back(static_cast<char>(byte1));
    out.push_back(static_cast<char>(entries.size()));
    for (const serverlist::SERVEUR& e : entries) {
        if (!AppendListEntry(out, e)) {
            return std::nullopt;
        }
    }
    return out;
}

}  // namespace

std::string ServerListRequest() {
    return Request(kServerListRequestCode);
}

std::string DescriptionRequest() {
    return Request(kDescriptionRequestCode);
}

std::string PeerRequest(PeerKind kind) {
    return std::string(1, static_cast<char>(kind));
}

bool IsServerListAnswer(std::string_view datagram) {
    return HasCodeAt1(datagram, kServerListAnswerCode);
}

bool IsDescriptionAnswer(std::string_view datagram) {
    return HasCodeAt1(datagram, kDescriptionAnswerCode);
}

bool IsPeerMessage(std::string_view datagram, PeerKind kind) {
    return !datagram.empty() && ByteAt(datagram, 0) == static_cast<std::uint8_t>(kind);
}

int ParseServerList(std::string_view datagram, serverlist::EntryTable& entries) {
    if (datagram.size() <= kListBodyOffset) {
        return 0;
    }
    const std::size_t count = std::min<std::size_t>(ByteAt(datagram, kListBodyOffset), entries.size());
    std::size_t pos = kListBodyOffset + 1;
    std::size_t filled = 0;
    while (filled < count && pos + kEntrySize <= datagram.size()) {
        serverlist::SERVEUR& e = entries[filled];
        e.ip = AddressText(ByteAt(datagram, pos), ByteAt(datagram, pos + 1), ByteAt(datagram, pos + 2),
                           ByteAt(datagram, pos + 3));
        e.port = std::to_string(Le16At(datagram, pos + 4));
        pos += kEntrySize;
        ++filled;
    }
    return static_cast<int>(filled);
}

Description ParseDescription(std::string_view datagram) {
    Description out;
    if (datagram.size() < 4) {
        return out;
    }
    const std::size_t l1 = Le16At(datagram, 2);
    out.name = TextAt(datagram, 4, l1);
    const std::size_t l2At = 4 + l1;
    if (l2At + 2 > datagram.size()) {
        return out;
    }
    const std::size_t l2 = Le16At(datagram, l2At);
    out.description = TextAt(datagram, l2At + 2, l2);
    return out;
}

bool IsUsableEntry(const serverlist::SERVEUR& entry) {
    return entry.ip.size() > 8 && !entry.port.empty();
}

std::string AddressText(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
    return serverlist::FormatDottedQuad({a, b, c, d});
}

bool AppendListEntry(std::string& out, const serverlist::SERVEUR& entry) {
    unsigned octets[4] = {};
    std::string_view rest = entry.ip;
    for (int i = 0; i < 4; ++i) {
        const std::size_t dot = i < 3 ? rest.find('.') : rest.size();
        if (dot == std::string_view::npos) {
            return false;
        }
        const std::optional<unsigned> v = DecimalValue(rest.substr(0, dot), 3, 255);
        if (!v) {
            return false;
        }
        octets[i] = *v;
        rest.remove_prefix(i < 3 ? dot + 1 : dot);
    }
    const std::optional<unsigned> port = DecimalValue(entry.port, 5, 65535);
    if (!port) {
        return false;
    }
    for (const unsigned o : octets) {
        out.push_back(static_cast<char>(o));
    }
    text::AppendU16(out, static_cast<std::uint16_t>(*port));
    return true;
}

std::optional<std::string> BuildServerListAnswer(const std::vector<serverlist::SERVEUR>& entries,
                                                 std::uint8_t byte0, std::uint8_t code) {
    return BuildList(byte0, code, entries);
}

std::optional<std::string> BuildListDatagram(PeerKind kind, const std::vector<serverlist::SERVEUR>& entries,
                                             std::uint8_t byte1, std::uint8_t pad) {
    std::optional<std::string> out = BuildList(static_cast<std::uint8_t>(kind), byte1, entries);
    if (out) {
        out->push_back(static_cast<char>(pad));
    }
    return out;
}

std::string BuildDescriptionAnswer(std::string_view name, std::string_view description, std::uint8_t byte0,
                                   std::uint8_t code) {
    name = name.substr(0, 0xFFFF);
    description = description.substr(0, 0xFFFF);
    std::string out;
    out.reserve(6 + name.size() + description.size());
    out.push_back(static_cast<char>(byte0));
    out.push_back(static_cast<char>(code));
    text::AppendU16(out, static_cast<std::uint16_t>(name.size()));
    out += name;
    text::AppendU16(out, static_cast<std::uint16_t>(description.size()));
    out += description;
    return out;
}

}  // namespace hublane::probe
