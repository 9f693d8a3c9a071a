// IP filter lists read into merged, sorted ranges.
#include "serverlist/IpFilter.h"

#include <algorithm>

#include "serverlist/Gzip.h"
#include "text/Ascii.h"

namespace hublane::serverlist {
namespace {

constexpr std::string_view kEnDash = "\xE2\x80\x93";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
// Clients that read the classic form block a range only when its level is below their filter
// level, 127 by default: a level of 127 or more marks a range to let through.
constexpr std::uint64_t kPassingLevel = 127;
// A level is read up to this much; more digits cannot change which side of 127 it falls.
constexpr std::uint64_t kLevelCap = 1000000;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Reads an address a.b.c.d (one to three digits a part) at the start of s and consumes it;
// nullopt, s untouched, when s does not start with one or the address runs on into more digits
// or dots.
std::optional<std::uint32_t> TakeAddress(std::string_view& s) {
    std::uint32_t address = 0;
    std::size_t i = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (i >= s.size() || s[i] != '.') {
                return std::nullopt;
            }
            ++i;
        }
        std::uint32_t value = 0;
        std::size_t digits = 0;
        while (i < s.size() && IsDigit(s[i]) && digits < 3) {
            value = value * 10 + static_cast<std::uint32_t>(s[i] - '0');
            ++i;
            ++digits;
        }
        if (digits == 0 || value > 255) {
            return std::nullopt;
        }
        address = (address << 8) | value;
    }
    if (i < s.size() && (IsDigit(s[i]) || s[i] == '.')) {
        return std::nullopt;
    }
    s.remove_prefix(i);
    return address;
}

enum class Fit { Ok, NoRange, BadLevel, Reversed };

struct RangeFit {
    Fit fit = Fit::NoRange;
    IpRange range;
};

// The whole of s as "first - last" (a hyphen or an en dash, spaces around it or not) or as one
// address.
RangeFit ReadRange(std::string_view s) {
    s = text::Trim(s, text::kSpaceNoLf);
    const auto first = TakeAddress(s);
    if (!first) {
        return {};
    }
    s = text::TrimLeft(s, text::kSpaceNoLf);
    if (s.empty()) {
        return {Fit::Ok, {*first, *first}};
    }
    if (s.front() == '-') {
        s.remove_prefix(1);
    } else if (s.starts_with(kEnDash)) {
        s.remove_prefix(kEnDash.size());
    } else {
        return {};
    }
    s = text::TrimLeft(s, text::kSpaceNoLf);
    const auto last = TakeAddress(s);
    if (!last || !s.empty()) {
        return {};
    }
    if (*last < *first) {
        return {Fit::Reversed, {*first, *last}};
    }
    return {Fit::Ok, {*first, *last}};
}

struct LineFit {
    Fit fit = Fit::NoRange;
    IpRange range;
    bool passes = false;  // a level that lets the range through
    std::string_view description;
};

// "range , level , description", or a range alone (a loose line).
LineFit ReadClassic(std::string_view line) {
    const std::size_t comma = line.find(',');
    const RangeFit range = ReadRange(line.substr(0, comma));
    LineFit result{range.fit, range.range, false, {}};
    if (range.fit != Fit::Ok || comma == std::string_view::npos) {
        return result;
    }
    const std::string_view rest = line.substr(comma + 1);
    const std::size_t second = rest.find(',');
    const std::string_view levelText = text::Trim(rest.substr(0, second), text::kSpaceNoLf);
    if (levelText.empty() || !std::all_of(levelText.begin(), levelText.end(), IsDigit)) {
        result.fit = Fit::BadLevel;
        return result;
    }
    std::uint64_t level = 0;
    for (const char c : levelText) {
        level = std::min(level * 10 + static_cast<std::uint64_t>(c - '0'), kLevelCap);
    }
    result.passes = level >= kPassingLevel;
    if (second != std::string_view::npos) {
        result.description = text::Trim(rest.substr(second + 1), text::kSpaceNoLf);
    }
    return result;
}

// "description:range", split at the last colon.
LineFit ReadP2p(std::string_view line) {
    const std::size_t colon = line.rfind(':');
    if (colon == std::string_view::npos) {
        return {};
    }
    const RangeFit range = ReadRange(line.substr(colon + 1));
    return {range.fit, range.range, false, text::Trim(line.substr(0, colon), text::kSpaceNoLf)};
}

LineFit ReadLine(std::string_view line) {
    const LineFit classic = ReadClassic(line);
    if (classic.fit == Fit::Ok) {
        return classic;
    }
    const LineFit p2p = ReadP2p(line);
    if (p2p.fit == Fit::Ok) {
        return p2p;
    }
    // The reason of the form that came closer.
    return classic.fit != Fit::NoRange ? classic : p2p;
}

IpFilterSkip SkipOf(Fit fit) {
    switch (fit) {
        case Fit::BadLevel:
            return IpFilterSkip::BadLevel;
        case Fit::Reversed:
            return IpFilterSkip::ReversedRange;
        default:
            return IpFilterSkip::NotARange;
    }
}

}  // namespace

std::string_view IpFilterSkipText(IpFilterSkip reason) {
    switch (reason) {
        case IpFilterSkip::BadLevel:
            return "the level is not a whole number";
        case IpFilterSkip::ReversedRange:
            return "the first address comes after the last";
        case IpFilterSkip::NotARange:
            break;
    }
    return "no address range";
}

IpFilterLoad IpFilter::Parse(std::string_view bytes, std::size_t maxInflatedBytes) {
    IpFilterLoad load;
    std::string inflated;
    std::string_view text = bytes;
    if (HasGzipMagic(bytes)) {
        load.gzip = true;
        Inflated result = GzipInflate(bytes, maxInflatedBytes);
        if (!result.error.empty()) {
            load.error = std::move(result.error);
            return load;
        }
        inflated = std::move(result.bytes);
        text = inflated;
    }
    if (text.starts_with(kByteOrderMark)) {
        text.remove_prefix(kByteOrderMark.size());
    }

    std::vector<IpRange> ranges;
    std::vector<std::string_view> descriptions;  // into text, which outlives them
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++load.lineCount;
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        const std::string_view content = text::TrimLeft(line, text::kSpaceNoLf);
        if (content.empty() || content.front() == '#' || content.starts_with("//")) {
            continue;
        }
        const LineFit fit = ReadLine(content);
        if (fit.fit != Fit::Ok) {
            ++load.skippedCount;
            if (load.skipped.size() < IpFilterLoad::kMaxSkippedKept) {
                load.skipped.push_back({load.lineCount, SkipOf(fit.fit),
                                        std::string(line.substr(0, IpFilterLoad::kMaxSkippedText))});
            }
            continue;
        }
        if (fit.passes) {
            ++load.passingLines;
            continue;
        }
        ++load.blockingLines;
        ranges.push_back(fit.range);
        descriptions.push_back(fit.description);
    }
    load.filter = Merge(ranges, descriptions);
    return load;
}

IpFilter IpFilter::Merge(const std::vector<IpRange>& ranges,
                         const std::vector<std::string_view>& descriptions) {
    struct Entry {
        std::uint32_t first;
        std::uint32_t last;
        std::uint32_t order;  // the line's place among the ranges read
    };
    std::vector<Entry> entries;
    entries.reserve(ranges.size());
    for (std::size_t i = 0; i < ranges.size(); ++i) {
        entries.push_back({ranges[i].first, ranges[i].last, static_cast<std::uint32_t>(i)});
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return a.first != b.first ? a.first < b.first : a.order < b.order;
    });

    IpFilter filter;
    std::vector<std::uint32_t> firstSeen;  // per merged range, the order of its description
    for (const Entry& e : entries) {
        // Ranges that overlap (or repeat) become one; ranges that only touch stay apart, each
        // with its own description.
        if (!filter.m_ranges.empty() && e.first <= filter.m_ranges.back().last) {
            IpRange& merged = filter.m_ranges.back();
            merged.last = std::max(merged.last, e.last);
            firstSeen.back() = std::min(firstSeen.back(), e.order);
            continue;
        }
        filter.m_ranges.push_back({e.first, e.last});
        firstSeen.push_back(e.order);
    }
    filter.m_descriptionEnds.reserve(firstSeen.size());
    for (const std::uint32_t order : firstSeen) {
        filter.m_descriptionText += descriptions[order];
        filter.m_descriptionEnds.push_back(filter.m_descriptionText.size());
    }
    for (const IpRange& r : filter.m_ranges) {
        filter.m_addressCount += std::uint64_t{r.last} - r.first + 1;
    }
    return filter;
}

std::optional<std::uint32_t> IpFilter::ParseAddress(std::string_view text) {
    const auto address = TakeAddress(text);
    if (!address || !text.empty()) {
        return std::nullopt;
    }
    return address;
}

std::string IpFilter::FormatAddress(std::uint32_t address) {
    return std::to_string(address >> 24) + '.' + std::to_string((address >> 16) & 0xFF) + '.' +
           std::to_string((address >> 8) & 0xFF) + '.' + std::to_string(address & 0xFF);
}

std::size_t IpFilter::Find(std::uint32_t address) const {
    // The last range that starts at or before the address is the only one that can hold it.
    const auto after = std::upper_bound(m_ranges.begin(), m_ranges.end(), address,
                                        [](std::uint32_t a, const IpRange& r) { return a < r.first; });
    if (after == m_ranges.begin()) {
        return kNotFound;
    }
    const auto index = static_cast<std::size_t>(after - m_ranges.begin()) - 1;
    return address <= m_ranges[index].last ? index : kNotFound;
}

bool IpFilter::Blocked(std::string_view dottedQuad) const {
    const auto address = ParseAddress(dottedQuad);
    return address && Blocked(*address);
}

std::string_view IpFilter::RangeDescription(std::size_t index) const {
    const std::size_t begin = index == 0 ? 0 : m_descriptionEnds[index - 1];
    return std::string_view(m_descriptionText).substr(begin, m_descriptionEnds[index] - begin);
}

std::optional<std::string> IpFilter::Description(std::uint32_t address) const {
    const std::size_t index = Find(address);
    if (index == kNotFound) {
        return std::nullopt;
    }
    return std::string(RangeDescription(index));
}

std::optional<std::string> IpFilter::Description(std::string_view dottedQuad) const {
    const auto address = ParseAddress(dottedQuad);
    return address ? Description(*address) : std::nullopt;
}

}  // namespace hublane::serverlist
