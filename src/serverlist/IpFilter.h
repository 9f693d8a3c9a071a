// IP filter lists (the classic ipfilter.dat form, the P2P plaintext form and the
// loose forms of hand-kept lists, plain or gzip-compressed) read into merged, sorted ranges.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hublane::serverlist {

struct IpFilterLoad;

/// One blocked range of IPv4 addresses, both ends included, as numbers (1.2.3.4 is 0x01020304).
struct IpRange {
    std::uint32_t first = 0;
    std::uint32_t last = 0;
    bool operator==(const IpRange&) const = default;
};

/// The blocked addresses of a filter list: disjoint ranges in address order, each with the
/// description of the first line (in file order) that blocked part of it. An empty filter
/// blocks nothing.
class IpFilter {
  public:
    /// A decompressed list larger than this is refused: a small gzip file can inflate to
    /// gigabytes, and the largest lists in use are a few tens of megabytes.
    static constexpr std::size_t kMaxInflatedBytes = std::size_t{64} * 1024 * 1024;

    /// Reads a filter list, one range a line. Accepted lines:
    ///   first - last , level , description   (classic; leading zeros allowed; a level of 127
    ///                                         or more lets the range through)
    ///   description:first-last               (P2P plaintext; split at the last colon)
    ///   first-last   first – last   address  (loose: no level, en dash, a single address)
    /// with spaces around the parts, CRLF line ends, blank lines and "#" or "//" comment lines.
    /// Any other line is skipped and reported with its number; the rest still loads. Bytes that
    /// begin with the gzip magic (1F 8B) are inflated first, up to maxInflatedBytes; a corrupt,
    /// truncated or oversized stream loads nothing and says why in the result's error. Linear
    /// in the size of the text, apart from sorting the ranges.
    static IpFilterLoad Parse(std::string_view bytes, std::size_t maxInflatedBytes = kMaxInflatedBytes);

    /// The number a.b.c.d stands for: exactly four decimal numbers 0-255 of one to three digits
    /// ("010" is 10, not octal) joined by dots; nothing else.
    static std::optional<std::uint32_t> ParseAddress(std::string_view text);
    /// "a.b.c.d", without leading zeros.
    static std::string FormatAddress(std::uint32_t address);

    bool Blocked(std::uint32_t address) const { return Find(address) != kNotFound; }
    /// False for a text that is not an address a.b.c.d.
    bool Blocked(std::string_view dottedQuad) const;
    /// The description of the range that blocks the address (possibly empty); nullopt when the
    /// address is not blocked.
    std::optional<std::string> Description(std::uint32_t address) const;
    std::optional<std::string> Description(std::string_view dottedQuad) const;

    /// The merged ranges in address order, and the description of the one at index.
    const std::vector<IpRange>& Ranges() const { return m_ranges; }
    std::string_view RangeDescription(std::size_t index) const;
    std::size_t RangeCount() const { return m_ranges.size(); }
    /// The number of addresses blocked (up to 2^32).
    std::uint64_t AddressCount() const { return m_addressCount; }
    bool Empty() const { return m_ranges.empty(); }

  private:
    static constexpr std::size_t kNotFound = static_cast<std::size_t>(-1);
    // Sorts and merges the ranges read; descriptions[i] belongs to ranges[i], in file order.
    static IpFilter Merge(const std::vector<IpRange>& ranges,
                          const std::vector<std::string_view>& descriptions);
    // The index of the range that holds address, by binary search.
    std::size_t Find(std::uint32_t address) const;

    std::vector<IpRange> m_ranges;
    // The descriptions one after the other, and where each range's ends: a list of hundreds of
    // thousands of mostly empty descriptions costs one number a range.
    std::string m_descriptionText;
    std::vector<std::size_t> m_descriptionEnds;
    std::uint64_t m_addressCount = 0;
};

/// Why a line of a list was skipped.
enum class IpFilterSkip {
    NotARange,     // no address or range where one belongs
    BadLevel,      // a classic line whose level is not a whole number
    ReversedRange  // the first address comes after the last
};

/// A short English text for the reason ("no address range", ...).
std::string_view IpFilterSkipText(IpFilterSkip reason);

/// A line that fits none of the forms.
struct IpFilterSkippedLine {
    std::size_t number = 0;  // from 1
    IpFilterSkip reason = IpFilterSkip::NotARange;
    std::string text;  // the line's bytes without its end, cut at kMaxSkippedText
    bool operator==(const IpFilterSkippedLine&) const = default;
};

/// What reading a list gives.
struct IpFilterLoad {
    /// Only the first skipped lines are kept (all are counted), and only the start of each: a
    /// file of garbage must not cost many times its size in memory.
    static constexpr std::size_t kMaxSkippedKept = 10000;
    static constexpr std::size_t kMaxSkippedText = 200;

    IpFilter filter;
    std::vector<IpFilterSkippedLine> skipped;
    std::size_t skippedCount = 0;
    std::size_t lineCount = 0;      // lines of the (inflated) text
    std::size_t blockingLines = 0;  // lines that gave a blocked range, before merging
    std::size_t passingLines = 0;   // classic lines whose level lets their range through
    bool gzip = false;              // the bytes were gzip-compressed
    /// Set when the bytes could not be read as a list at all (broken gzip); the filter is empty.
    std::string error;

    bool Failed() const { return !error.empty(); }
};

}  // namespace hublane::serverlist
