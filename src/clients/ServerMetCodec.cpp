// The client's server list file (server.met): decoded into the server table, encoded from it.
#include "clients/ServerMetCodec.h"

#include <optional>

#include "serverlist/AddressText.h"
#include "text/LittleEndian.h"

namespace hublane::clients {
using serverlist::AddressBytes;
using serverlist::AddressFromBytes;
using serverlist::Column;
using serverlist::FormatDottedQuad;
using serverlist::kTextBadHeader;
using serverlist::kTextCannotOpen;
using serverlist::kTextTagName;
using serverlist::kTextTagNameLength;
using serverlist::kTextTagType;
using serverlist::kTextTruncated;
using serverlist::kTextUnknownTagType;
using serverlist::kTextValue;
using serverlist::kTextValueLength;
using serverlist::kUnknown;
using serverlist::ListReadResult;
using serverlist::ParseDottedQuad;
using serverlist::ParseInt32Text;
using serverlist::ParseUnsigned;
using serverlist::ServerRow;
using serverlist::ServerTable;
using serverlist::WorkGauge;
using text::AppendU16;
using text::AppendU32;
using text::AppendU8;
using text::ByteReader;
using text::PutU32;

namespace {

constexpr std::uint8_t kTypeText = 0x02;
constexpr std::uint8_t kTypeInteger = 0x03;
constexpr std::uint8_t kTagName = 0x01;
constexpr std::uint8_t kTagDescription = 0x0B;
constexpr std::uint8_t kTagPing = 0x0C;
constexpr std::uint8_t kTagPreference = 0x0E;
constexpr std::uint8_t kTagPort = 0x0F;
constexpr std::uint8_t kTagIp = 0x10;
constexpr std::string_view kUsersName = "users";
constexpr std::string_view kFilesName = "files";
constexpr std::uint32_t kWrittenPing = 100;
constexpr std::uint32_t kWrittenPreference = 1;

ListReadResult Fail(int text, std::string suffix = {}) {
    return ListReadResult{text, std::move(suffix)};
}

// The text as a NUL-terminated buffer holds it: up to the first zero byte.
std::string_view UpToZero(std::string_view bytes) {
    return bytes.substr(0, bytes.find('\0'));
}

// Reads a 16-bit length taken as signed and the bytes it announces. A length outside 0..4095
// fails like a short read.
bool ReadCounted(ByteReader& in, std::string_view& out, bool& lengthRead) {
    std::uint16_t raw = 0;
    lengthRead = in.U16(raw);
    if (!lengthRead) {
        return false;
    }
    const auto length = static_cast<std::int16_t>(raw);
    if (length < 0 || length > kMaxTagTextLength) {
        return false;
    }
    return in.Take(static_cast<std::size_t>(length), out);
}

ListReadResult ReadTag(ByteReader& in, TServer& record) {
    std::uint8_t type = 0;
    if (!in.U8(type)) {
        return Fail(kTextTagType);
    }
    std::string_view name;
    bool lengthRead = false;
    if (!ReadCounted(in, name, lengthRead)) {
        return Fail(lengthRead ? kTextTagName : kTextTagNameLength);
    }
    // A one-byte name is a tag id; a longer one is compared as text.
    const bool isId = name.size() == 1;
    const auto id = isId ? static_cast<std::uint8_t>(name[0]) : std::uint8_t{0};

    if (type == kTypeText) {
        std::string_view value;
        if (!ReadCounted(in, value, lengthRead)) {
            return Fail(lengthRead ? kTextValue : kTextValueLength);
        }
        if (isId && id == kTagName) {
            record.nameText = UpToZero(value);
        } else if (isId && id == kTagDescription) {
            record.descriptionText = UpToZero(value);
        }
        return {};
    }
    if (type == kTypeInteger) {
        std::uint32_t raw = 0;
        if (!in.U32(raw)) {
            return Fail(kTextValue);
        }
        const auto value = static_cast<std::int32_t>(raw);
        const std::string_view textName = UpToZero(name);
        if (isId && id == kTagPing) {
            record.pingText = std::to_string(value);
        } else if (value != 0 && textName == kUsersName) {
            record.usersText = std::to_string(value);
        } else if (value != 0 && textName == kFilesName) {
            record.filesText = std::to_string(value);
        }
        return {};
    }
    return Fail(kTextUnknownTagType, std::to_string(type));
}

// The numbers of one row, ready to write; empty when the row cannot be encoded.
struct EncodableRow {
    AddressBytes ip{};
    std::uint16_t port = 0;
    std::optional<std::uint32_t> users;
    std::optional<std::uint32_t> files;
};

// An "n/a" column is absent; any other text must be a 32-bit number.
bool ParseCount(std::string_view text, std::optional<std::uint32_t>& out) {
    if (text == kUnknown) {
        out.reset();
        return true;
    }
    out = ParseInt32Text(text);
    return out.has_value();
}

std::optional<EncodableRow> Prepare(const ServerRow& row) {
    EncodableRow out;
    const auto ip = ParseDottedQuad(row.caption);
    const auto port = ParseUnsigned(row.Sub(Column::Port), 0xFFFF);
    if (!ip || !port || !ParseCount(row.Sub(Column::Users), out.users) ||
        !ParseCount(row.Sub(Column::Files), out.files)) {
        return std::nullopt;
    }
    out.ip = *ip;
    out.port = static_cast<std::uint16_t>(*port);
    return out;
}

void AppendAddress(std::string& out, const AddressBytes& ip) {
    out.append(reinterpret_cast<const char*>(ip.data()), ip.size());
}

void AppendIdHeader(std::string& out, std::uint8_t type, std::uint8_t id) {
    AppendU8(out, type);
    AppendU16(out, 1);
    AppendU8(out, id);
}

void AppendTextTag(std::string& out, std::uint8_t id, std::string_view text) {
    text = text.substr(0, kMaxTagTextLength);
    AppendIdHeader(out, kTypeText, id);
    AppendU16(out, static_cast<std::uint16_t>(text.size()));
    out.append(text);
}

void AppendIntegerTag(std::string& out, std::uint8_t id, std::uint32_t value) {
    AppendIdHeader(out, kTypeInteger, id);
    AppendU32(out, value);
}

void AppendNamedIntegerTag(std::string& out, std::string_view name, std::uint32_t value) {
    AppendU8(out, kTypeInteger);
    AppendU16(out, static_cast<std::uint16_t>(name.size()));
    out.append(name);
    AppendU32(out, value);
}

void AppendEntry(std::string& out, const ServerRow& row, const EncodableRow& numbers) {
    const std::string& name = row.Sub(Column::Name);
    const std::string& description = row.Sub(Column::Description);
    const bool hasName = name != kUnknown;
    const bool hasDescription = description != kUnknown;
    // Ping, preference, IP and port are always there (a row without a port is not encodable).
    const std::uint32_t tagCount =
        4 + (hasName ? 1 : 0) + (hasDescription ? 1 : 0) + (numbers.users ? 1 : 0) + (numbers.files ? 1 : 0);

    AppendAddress(out, numbers.ip);
    AppendU16(out, numbers.port);
    AppendU32(out, tagCount);
    if (hasName) {
        AppendTextTag(out, kTagName, name);
    }
    if (hasDescription) {
        AppendTextTag(out, kTagDescription, description);
    }
    AppendIntegerTag(out, kTagPing, kWrittenPing);
    AppendIntegerTag(out, kTagPreference, kWrittenPreference);
    AppendIdHeader(out, kTypeInteger, kTagIp);
    AppendAddress(out, numbers.ip);
    AppendIntegerTag(out, kTagPort, numbers.port);
    if (numbers.users) {
        AppendNamedIntegerTag(out, kUsersName, *numbers.users);
    }
    if (numbers.files) {
        AppendNamedIntegerTag(out, kFilesName, *numbers.files);
    }
}

}  // namespace

void TServer::Reset() {
    for (std::string* field : {&ipText, &ipTagText, &portText, &nameText, &descriptionText, &pingText,
                               &usersText, &filesText, &preferenceText, &spareText}) {
        field->assign(kUnknown);
    }
}

ListReadResult DecodeServerMet(std::string_view bytes, ServerTable& table, WorkGauge& gauge) {
    ByteReader in(bytes);
    std::uint8_t header = 0;
    if (!in.U8(header)) {
        return Fail(kTextCannotOpen);
    }
    if (header != kServerMetHeader) {
        return Fail(kTextBadHeader, std::to_string(kServerMetHeader));
    }
    std::uint32_t rawCount = 0;
    if (!in.U32(rawCount)) {
        return Fail(kTextTruncated);
    }
    const auto count = static_cast<std::int32_t>(rawCount);
    gauge.SetMax(count);
    gauge.SetPosition(0);

    TServer record;
    // Every entry takes at least 10 bytes and every tag at least 5, so a huge count or tag count
    // in a short buffer ends at the first short read.
    for (std::int32_t entry = 0; entry < count; ++entry) {
        gauge.Step();
        record.Reset();
        std::string_view address;
        std::uint16_t port = 0;
        std::uint32_t rawTags = 0;
        if (!in.Take(4, address) || !in.U16(port) || !in.U32(rawTags)) {
            return Fail(kTextTruncated);
        }
        record.ipText = FormatDottedQuad(AddressFromBytes(address));
        record.portText = std::to_string(port);
        const auto tagCount = static_cast<std::int32_t>(rawTags);
        for (std::int32_t tag = 0; tag < tagCount; ++tag) {
            ListReadResult result = ReadTag(in, record);
            if (!result.Ok()) {
                return result;
            }
        }
        table.AddServerRow(record.ipText, record.portText, record.usersText, record.filesText,
                           record.nameText, record.descriptionText, kUnknown);
    }
    gauge.SetPosition(0);
    return {};
}

bool CanEncodeServerRow(const ServerRow& row) {
    return Prepare(row).has_value();
}

std::string EncodeServerMet(const ServerTable& table, WorkGauge& gauge) {
    std::string out;
    // A full entry with short texts takes about 70 bytes.
    out.reserve(5 + table.Count() * 72);
    AppendU8(out, kServerMetHeader);
    AppendU32(out, 0);
    gauge.SetPosition(0);
    gauge.SetMax(static_cast<int>(table.Count()));
    std::uint32_t written = 0;
    for (const ServerRow& row : table.Rows()) {
        gauge.Step();
        if (const auto numbers = Prepare(row)) {
            AppendEntry(out, row, *numbers);
            ++written;
        }
    }
    PutU32(out, 1, written);
    gauge.SetPosition(0);
    return out;
}

}  // namespace hublane::clients
