// The server.met of eMule and aMule: read whole, the table filled from it, written back.
#include "clients/MuleServerMet.h"

#include <algorithm>
#include <limits>
#include <unordered_set>

#include "clients/ServerMetCodec.h"
#include "text/LittleEndian.h"

namespace hublane::clients {
namespace {

using serverlist::kUnknown;
using serverlist::ListReadResult;
using text::ByteReader;

constexpr std::uint8_t kNewStyleBit = 0x80;
constexpr std::uint8_t kTypeHash = 0x01;
constexpr std::uint8_t kTypeText = 0x02;
constexpr std::uint8_t kTypeU32 = 0x03;
constexpr std::uint8_t kTypeFloat = 0x04;
constexpr std::uint8_t kTypeBool = 0x05;
constexpr std::uint8_t kTypeBoolArray = 0x06;
constexpr std::uint8_t kTypeBlob = 0x07;
constexpr std::uint8_t kTypeU16 = 0x08;
constexpr std::uint8_t kTypeU8 = 0x09;
constexpr std::uint8_t kTypeBsob = 0x0A;
constexpr std::uint8_t kTypeU64 = 0x0B;
constexpr std::uint8_t kTypeShortTextFirst = 0x11;
constexpr std::uint8_t kTypeShortTextLast = 0x26;

constexpr std::uint8_t kTagName = 0x01;
constexpr std::uint8_t kTagDescription = 0x0B;
constexpr std::uint8_t kTagPort = 0x0F;
constexpr std::uint8_t kTagAddress = 0x10;
constexpr std::string_view kUsersName = "users";
constexpr std::string_view kFilesName = "files";
constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr int kMaxText = kMaxTagTextLength;

ListReadResult Fail(int text, std::string suffix = {}) {
    return ListReadResult{text, std::move(suffix)};
}

std::uint64_t LittleEndianValue(std::string_view raw) {
    std::uint64_t value = 0;
    for (std::size_t i = raw.size(); i-- > 0;) {
        value = (value << 8) | static_cast<std::uint8_t>(raw[i]);
    }
    return value;
}

// A 16-bit length taken as signed, then the bytes; out of 0..4095 fails like a short read.
bool ReadCounted(ByteReader& in, std::string_view& out, bool& lengthRead) {
    std::uint16_t raw = 0;
    lengthRead = in.U16(raw);
    const auto length = static_cast<std::int16_t>(raw);
    return lengthRead && length >= 0 && length <= kMaxText && in.Take(static_cast<std::size_t>(length), out);
}

std::size_t IntegerWidth(std::uint8_t type) {
    switch (type) {
        case kTypeU32:
            return 4;
        case kTypeU16:
            return 2;
        case kTypeU8:
            return 1;
        case kTypeU64:
            return 8;
        default:
            return 0;
    }
}

// The value of a tag of the given type; a bad or unknown type names its failure. A text's or a
// number's first byte is noted in valueAt, counted from the tag's first byte.
ListReadResult ReadValue(ByteReader& in, std::uint8_t rawType, MuleTag& tag) {
    std::string_view value;
    const auto noteValue = [&] {
        tag.valueAt = static_cast<std::uint16_t>(in.Position() - value.size() - tag.offset);
    };
    if (tag.type == kTypeText) {
        bool lengthRead = false;
        if (!ReadCounted(in, value, lengthRead)) {
            return Fail(lengthRead ? serverlist::kTextValue : serverlist::kTextValueLength);
        }
        tag.isText = true;
        noteValue();
        return {};
    }
    if (tag.type >= kTypeShortTextFirst && tag.type <= kTypeShortTextLast) {
        if (!in.Take(tag.type - 0x10u, value)) {
            return Fail(serverlist::kTextValue);
        }
        tag.isText = true;
        noteValue();
        return {};
    }
    if (const std::size_t width = IntegerWidth(tag.type)) {
        if (!in.Take(width, value)) {
            return Fail(serverlist::kTextValue);
        }
        tag.isInteger = true;
        noteValue();
        return {};
    }
    std::size_t length = 0;
    switch (tag.type) {
        case kTypeHash:
            length = 16;
            break;
        case kTypeFloat:
            length = 4;
            break;
        case kTypeBool:
            length = 1;
            break;
        case kTypeBoolArray: {
            std::uint16_t bits = 0;
            if (!in.U16(bits)) {
                return Fail(serverlist::kTextValueLength);
            }
            // Both clients skip count / 8 + 1 bytes, a whole byte more when the count is a
            // multiple of 8; their files hold what they skip.
            length = bits / 8u + 1u;
            break;
        }
        case kTypeBlob: {
            std::uint32_t bytes = 0;
            if (!in.U32(bytes)) {
                return Fail(serverlist::kTextValueLength);
            }
            length = bytes;
            break;
        }
        case kTypeBsob: {
            std::uint8_t bytes = 0;
            if (!in.U8(bytes)) {
                return Fail(serverlist::kTextValueLength);
            }
            length = bytes;
            break;
        }
        default:
            return Fail(serverlist::kTextUnknownTagType, std::to_string(rawType));
    }
    return in.Take(length, value) ? ListReadResult{} : Fail(serverlist::kTextValue);
}

MuleTagName NameOf(std::string_view name) {
    if (name.empty()) {
        return MuleTagName::None;
    }
    if (name == kUsersName) {
        return MuleTagName::Users;
    }
    return name == kFilesName ? MuleTagName::Files : MuleTagName::Other;
}

ListReadResult ReadTag(ByteReader& in, MuleTag& tag) {
    tag.offset = static_cast<std::uint32_t>(in.Position());
    std::uint8_t rawType = 0;
    if (!in.U8(rawType)) {
        return Fail(serverlist::kTextTagType);
    }
    tag.newStyle = (rawType & kNewStyleBit) != 0;
    tag.type = static_cast<std::uint8_t>(rawType & ~kNewStyleBit);
    if (tag.newStyle) {
        std::uint8_t id = 0;
        if (!in.U8(id)) {
            return Fail(serverlist::kTextTagNameLength);
        }
        tag.id = id;
    } else {
        std::string_view name;
        bool lengthRead = false;
        if (!ReadCounted(in, name, lengthRead)) {
            return Fail(lengthRead ? serverlist::kTextTagName : serverlist::kTextTagNameLength);
        }
        if (name.size() == 1) {
            tag.id = static_cast<std::uint8_t>(name[0]);
        } else {
            tag.name = NameOf(name);
        }
    }
    ListReadResult result = ReadValue(in, rawType, tag);
    if (result.Ok()) {
        tag.size = static_cast<std::uint32_t>(in.Position() - tag.offset);
    }
    return result;
}

std::uint32_t AddressKey(const serverlist::AddressBytes& address) {
    return (std::uint32_t{address[0]} << 24) | (std::uint32_t{address[1]} << 16) |
           (std::uint32_t{address[2]} << 8) | address[3];
}

bool HasId(const MuleTag& tag, std::uint8_t id) {
    return tag.id && *tag.id == id;
}

// What the table shows of one entry: the first text of each id that is not empty (a BOM set
// aside), users and files when not 0.
void Decode(const MuleServerMet& doc, MuleServerEntry& entry) {
    for (const MuleTag& tag : doc.Tags(entry)) {
        if (tag.isText) {
            const std::string_view text = WithoutBom(doc.Text(tag));
            const MuleBytes run{static_cast<std::uint32_t>(text.data() - doc.bytes.data()),
                                static_cast<std::uint32_t>(text.size())};
            if (HasId(tag, kTagName) && entry.name.size == 0) {
                entry.name = run;
            } else if (HasId(tag, kTagDescription) && entry.description.size == 0) {
                entry.description = run;
            }
        } else if (tag.isInteger) {
            const std::uint64_t number = doc.Number(tag);
            if (tag.name == MuleTagName::Users && entry.users == 0) {
                entry.users = number;
            } else if (tag.name == MuleTagName::Files && entry.files == 0) {
                entry.files = number;
            }
        }
    }
}

bool IsEdonkeyOnlyTag(const MuleTag& tag) {
    return HasId(tag, kTagPort) || HasId(tag, kTagAddress);
}

bool Known(std::string_view value) {
    return value != kUnknown && !value.empty();
}

// How a replaced text tag was written: its name style, and whether its value had a byte-order
// mark (aMule marks one of its two copies as UTF-8 that way). A new tag is old style, unmarked.
struct TextStyle {
    bool newStyle = false;
    bool bom = false;
};

TextStyle StyleOf(const MuleServerMet& doc, const MuleTag& tag) {
    const std::string_view text = doc.Text(tag);
    return TextStyle{tag.newStyle, WithoutBom(text).size() != text.size()};
}

void AppendTextTag(std::string& out, TextStyle style, std::uint8_t id, std::string_view value) {
    std::string text;
    if (style.bom && WithoutBom(value) == value) {
        text.assign(kBom);
    }
    text.append(value);
    text.resize(std::min(text.size(), static_cast<std::size_t>(kMaxText)));
    if (style.newStyle) {
        text::AppendU8(out, kNewStyleBit | kTypeText);
    } else {
        text::AppendU8(out, kTypeText);
        text::AppendU16(out, 1);
    }
    text::AppendU8(out, id);
    text::AppendU16(out, static_cast<std::uint16_t>(text.size()));
    out.append(text);
}

// A named count in the width of the tag it replaces when the value fits, else 32 bits.
void AppendCountTag(std::string& out, const MuleTag* like, std::string_view name, std::uint32_t value) {
    std::uint8_t type = kTypeU32;
    if (like != nullptr) {
        const std::size_t width = IntegerWidth(like->type);
        if (width >= 4 || value < (std::uint64_t{1} << (8 * width))) {
            type = like->type;
        }
    }
    text::AppendU8(out, type);
    text::AppendU16(out, static_cast<std::uint16_t>(name.size()));
    out.append(name);
    for (std::size_t i = 0; i < IntegerWidth(type); ++i) {
        out.push_back(static_cast<char>(i < 4 ? (value >> (8 * i)) & 0xFF : 0));
    }
}

std::optional<std::uint32_t> ParseCount(std::string_view text) {
    return text == kUnknown ? std::nullopt : serverlist::ParseUnsigned(text, 0xFFFFFFFFu);
}

// The values a row asks of its entry that differ from what the entry holds.
struct Changes {
    std::optional<std::string> name;
    std::optional<std::string> description;
    std::optional<std::uint32_t> users;
    std::optional<std::uint32_t> files;
    std::optional<std::uint16_t> port;
    bool dropsTags = false;

    bool Any() const { return name || description || users || files || port || dropsTags; }
};

// stored: the value the table was given, the first that is not 0 (0: none).
std::optional<std::uint32_t> CountChange(std::uint64_t stored, std::string_view rowText) {
    const auto wanted = ParseCount(rowText);
    if (!wanted || stored == *wanted) {
        return std::nullopt;
    }
    return wanted;
}

std::optional<std::string> TextChange(std::string_view stored, std::string_view rowText) {
    if (!Known(rowText) || WithoutBom(rowText) == WithoutBom(stored)) {
        return std::nullopt;
    }
    return std::string(rowText);
}

Changes ChangesOf(const MuleServerMet& doc, const MuleServerEntry& entry, const serverlist::ServerRow* row) {
    using serverlist::Column;
    Changes c;
    for (const MuleTag& tag : doc.Tags(entry)) {
        c.dropsTags = c.dropsTags || IsEdonkeyOnlyTag(tag);
    }
    if (row == nullptr) {
        return c;
    }
    c.name = TextChange(doc.Name(entry), row->Sub(Column::Name));
    c.description = TextChange(doc.Description(entry), row->Sub(Column::Description));
    c.users = CountChange(entry.users, row->Sub(Column::Users));
    c.files = CountChange(entry.files, row->Sub(Column::Files));
    const auto port = serverlist::ParseUnsigned(row->Sub(Column::Port), 0xFFFF);
    if (port && *port != entry.port) {
        c.port = static_cast<std::uint16_t>(*port);
    }
    return c;
}

void AppendHead(std::string& out, const serverlist::AddressBytes& address, std::uint16_t port) {
    out.append(reinterpret_cast<const char*>(address.data()), address.size());
    text::AppendU16(out, port);
}

// The entry with its changes: every other tag keeps its bytes and its place; values it lacked
// follow its last tag.
void AppendChanged(std::string& out, const MuleServerMet& doc, const MuleServerEntry& entry,
                   const Changes& c) {
    std::string tags;
    std::uint32_t count = 0;
    bool hadName = false;
    bool hadDescription = false;
    bool hadUsers = false;
    bool hadFiles = false;
    for (const MuleTag& tag : doc.Tags(entry)) {
        if (IsEdonkeyOnlyTag(tag)) {
            continue;
        }
        ++count;
        if (tag.isText && HasId(tag, kTagName) && c.name) {
            AppendTextTag(tags, StyleOf(doc, tag), kTagName, *c.name);
            hadName = true;
        } else if (tag.isText && HasId(tag, kTagDescription) && c.description) {
            AppendTextTag(tags, StyleOf(doc, tag), kTagDescription, *c.description);
            hadDescription = true;
        } else if (tag.isInteger && tag.name == MuleTagName::Users && c.users) {
            AppendCountTag(tags, &tag, kUsersName, *c.users);
            hadUsers = true;
        } else if (tag.isInteger && tag.name == MuleTagName::Files && c.files) {
            AppendCountTag(tags, &tag, kFilesName, *c.files);
            hadFiles = true;
        } else {
            tags.append(doc.Bytes(tag));
        }
    }
    if (c.name && !hadName) {
        AppendTextTag(tags, {}, kTagName, *c.name);
        ++count;
    }
    if (c.description && !hadDescription) {
        AppendTextTag(tags, {}, kTagDescription, *c.description);
        ++count;
    }
    if (c.users && !hadUsers) {
        AppendCountTag(tags, nullptr, kUsersName, *c.users);
        ++count;
    }
    if (c.files && !hadFiles) {
        AppendCountTag(tags, nullptr, kFilesName, *c.files);
        ++count;
    }
    AppendHead(out, entry.address, c.port.value_or(entry.port));
    text::AppendU32(out, count);
    out.append(tags);
}

// A server the file did not hold: name and description when known, users and files when known.
void AppendNew(std::string& out, const serverlist::ServerRow& row) {
    using serverlist::Column;
    const auto address = serverlist::ParseDottedQuad(row.caption);
    const auto port = serverlist::ParseUnsigned(row.Sub(Column::Port), 0xFFFF);
    std::string tags;
    std::uint32_t count = 0;
    if (Known(row.Sub(Column::Name))) {
        AppendTextTag(tags, {}, kTagName, row.Sub(Column::Name));
        ++count;
    }
    if (Known(row.Sub(Column::Description))) {
        AppendTextTag(tags, {}, kTagDescription, row.Sub(Column::Description));
        ++count;
    }
    for (const auto& [column, name] :
         {std::pair{Column::Users, kUsersName}, std::pair{Column::Files, kFilesName}}) {
        const auto value = ParseCount(row.Sub(column));
        if (value && *value != 0) {
            AppendCountTag(tags, nullptr, name, *value);
            ++count;
        }
    }
    AppendHead(out, *address, static_cast<std::uint16_t>(*port));
    text::AppendU32(out, count);
    out.append(tags);
}

}  // namespace

std::string_view WithoutBom(std::string_view text) {
    return text.substr(0, kBom.size()) == kBom ? text.substr(kBom.size()) : text;
}

std::size_t MuleServerMet::CarriedCount() const {
    std::size_t n = 0;
    for (const MuleServerEntry& entry : entries) {
        n += entry.Carried() ? 1 : 0;
    }
    return n;
}

std::string_view MuleServerMet::Bytes(MuleBytes run) const {
    return std::string_view(bytes).substr(run.offset, run.size);
}

std::string_view MuleServerMet::Bytes(const MuleTag& tag) const {
    return Bytes(MuleBytes{tag.offset, tag.size});
}

std::span<const MuleTag> MuleServerMet::Tags(const MuleServerEntry& entry) const {
    return std::span<const MuleTag>(tags).subspan(entry.firstTag, entry.tagCount);
}

std::string_view MuleServerMet::Text(const MuleTag& tag) const {
    return tag.isText ? Bytes(tag).substr(tag.valueAt) : std::string_view();
}

std::uint64_t MuleServerMet::Number(const MuleTag& tag) const {
    return tag.isInteger ? LittleEndianValue(Bytes(tag).substr(tag.valueAt)) : 0;
}

std::string MuleServerMet::IpText(const MuleServerEntry& entry) const {
    return serverlist::FormatDottedQuad(entry.address);
}

std::string_view MuleServerMet::Name(const MuleServerEntry& entry) const {
    return entry.name.size != 0 ? Bytes(entry.name) : kUnknown;
}

std::string_view MuleServerMet::Description(const MuleServerEntry& entry) const {
    return entry.description.size != 0 ? Bytes(entry.description) : kUnknown;
}

std::string MuleServerMet::Users(const MuleServerEntry& entry) const {
    return entry.users != 0 ? std::to_string(entry.users) : std::string(kUnknown);
}

std::string MuleServerMet::Files(const MuleServerEntry& entry) const {
    return entry.files != 0 ? std::to_string(entry.files) : std::string(kUnknown);
}

ListReadResult ReadMuleServerMet(std::string_view bytes, MuleServerMet& doc, serverlist::WorkGauge& gauge) {
    doc = MuleServerMet{};
    // Entries and tags note where they are as 32-bit offsets.
    if (bytes.size() > std::numeric_limits<std::uint32_t>::max()) {
        return Fail(serverlist::kTextCannotOpen);
    }
    doc.bytes.assign(bytes);
    ByteReader in(doc.bytes);
    if (!in.U8(doc.header)) {
        return Fail(serverlist::kTextCannotOpen);
    }
    if (doc.header != kMuleServerMetHeader && doc.header != kOldServerMetHeader) {
        return Fail(serverlist::kTextBadHeader, std::to_string(kMuleServerMetHeader));
    }
    std::uint32_t rawCount = 0;
    if (!in.U32(rawCount)) {
        return Fail(serverlist::kTextTruncated);
    }
    const auto count = static_cast<std::int32_t>(rawCount);
    gauge.SetMax(count);
    gauge.SetPosition(0);
    std::unordered_set<std::uint32_t> addresses;
    // Every entry takes at least 10 bytes and every tag at least 2, so a huge count in a short
    // buffer ends at the first short read. The lists grow with what was read, never by a count.
    const auto done = [&doc](ListReadResult result) {
        doc.entries.shrink_to_fit();
        doc.tags.resize(doc.entries.empty() ? 0 : doc.entries.back().firstTag + doc.entries.back().tagCount);
        doc.tags.shrink_to_fit();
        return result;
    };
    for (std::int32_t i = 0; i < count; ++i) {
        gauge.Step();
        MuleServerEntry entry;
        entry.bytes.offset = static_cast<std::uint32_t>(in.Position());
        std::string_view address;
        std::uint32_t rawTags = 0;
        if (!in.Take(4, address) || !in.U16(entry.port) || !in.U32(rawTags)) {
            return done(Fail(serverlist::kTextTruncated));
        }
        entry.address = serverlist::AddressFromBytes(address);
        entry.firstTag = static_cast<std::uint32_t>(doc.tags.size());
        const auto tagCount = static_cast<std::int32_t>(rawTags);
        for (std::int32_t t = 0; t < tagCount; ++t) {
            MuleTag tag;
            ListReadResult result = ReadTag(in, tag);
            if (!result.Ok()) {
                return done(result);
            }
            doc.tags.push_back(tag);
        }
        entry.tagCount = static_cast<std::uint32_t>(doc.tags.size()) - entry.firstTag;
        entry.bytes.size = static_cast<std::uint32_t>(in.Position()) - entry.bytes.offset;
        Decode(doc, entry);
        if (entry.address == serverlist::AddressBytes{}) {
            entry.kind = MuleEntryKind::DynamicIp;
        } else if (!addresses.insert(AddressKey(entry.address)).second) {
            entry.kind = MuleEntryKind::SecondPort;
        }
        doc.entries.push_back(entry);
    }
    gauge.SetPosition(0);
    return done({});
}

std::size_t FillServerTable(const MuleServerMet& doc, serverlist::ServerTable& table) {
    std::size_t added = 0;
    for (const MuleServerEntry& entry : doc.entries) {
        if (!entry.Carried() &&
            table.AddServerRow(doc.IpText(entry), std::to_string(entry.port), doc.Users(entry),
                               doc.Files(entry), doc.Name(entry), doc.Description(entry), kUnknown)) {
            ++added;
        }
    }
    return added;
}

std::string WriteMuleServerMet(const MuleServerMet& doc, const serverlist::ServerTable& table,
                               serverlist::WorkGauge& gauge, MuleWriteCounts* counts) {
    MuleWriteCounts local;
    MuleWriteCounts& n = counts != nullptr ? *counts : local;
    n = MuleWriteCounts{};
    std::string out;
    text::AppendU8(out, kMuleServerMetHeader);
    text::AppendU32(out, 0);
    gauge.SetPosition(0);
    gauge.SetMax(static_cast<int>(doc.entries.size() + table.Count()));

    std::unordered_set<std::string> ofEntries;
    std::uint32_t written = 0;
    for (const MuleServerEntry& entry : doc.entries) {
        gauge.Step();
        const serverlist::ServerRow* row = nullptr;
        if (!entry.Carried()) {
            std::string ip = doc.IpText(entry);
            const int at = table.FindExact(ip);
            if (at < 0) {
                ++n.dropped;
                continue;
            }
            row = &table.Row(static_cast<std::size_t>(at));
            ofEntries.insert(std::move(ip));
        } else {
            ++n.carried;
        }
        const Changes changes = ChangesOf(doc, entry, row);
        if (changes.Any()) {
            AppendChanged(out, doc, entry, changes);
            ++n.changed;
        } else {
            out.append(doc.Bytes(entry.bytes));
            ++n.kept;
        }
        ++written;
    }
    for (const serverlist::ServerRow& row : table.Rows()) {
        gauge.Step();
        if (ofEntries.count(row.caption) != 0) {
            continue;
        }
        if (!CanEncodeServerRow(row)) {
            ++n.leftOut;
            continue;
        }
        AppendNew(out, row);
        ++n.added;
        ++written;
    }
    text::PutU32(out, 1, written);
    gauge.SetPosition(0);
    return out;
}

}  // namespace hublane::clients
