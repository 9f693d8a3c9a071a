// Fuzz target: IP filter lists (plain or gzip) never fail badly; the ranges come out sorted,
// disjoint and counted right, every range's ends look up as blocked, and the merged list written
// back in the classic form reads back the same.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "serverlist/IpFilter.h"

using hublane::serverlist::IpFilter;
using hublane::serverlist::IpFilterLoad;
using hublane::serverlist::IpRange;

namespace {

// Small enough that a stream of zeros inflating to the cap costs little per input.
constexpr std::size_t kFuzzInflateCap = std::size_t{1} << 20;

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const IpFilterLoad load = IpFilter::Parse(bytes, kFuzzInflateCap);
    const IpFilter& filter = load.filter;
    if (load.Failed()) {
        Check(filter.Empty() && load.skipped.empty());
        return 0;
    }
    Check(load.blockingLines + load.passingLines + load.skippedCount <= load.lineCount);
    Check(load.skipped.size() <= IpFilterLoad::kMaxSkippedKept && load.skipped.size() <= load.skippedCount);
    for (std::size_t i = 0; i < load.skipped.size(); ++i) {
        Check(load.skipped[i].number >= 1 && load.skipped[i].number <= load.lineCount);
        Check(i == 0 || load.skipped[i].number > load.skipped[i - 1].number);
        Check(load.skipped[i].text.size() <= IpFilterLoad::kMaxSkippedText);
    }

    const auto& ranges = filter.Ranges();
    Check(ranges.size() <= load.blockingLines);
    std::uint64_t addresses = 0;
    std::string written;
    for (std::size_t i = 0; i < ranges.size(); ++i) {
        const IpRange r = ranges[i];
        Check(r.first <= r.last);
        Check(i == 0 || r.first > ranges[i - 1].last);
        Check(filter.Blocked(r.first) && filter.Blocked(r.last));
        Check(filter.Description(r.last) == filter.RangeDescription(i));
        if (r.first > 0) {
            Check(filter.Blocked(r.first - 1) == (i > 0 && ranges[i - 1].last == r.first - 1));
        }
        addresses += std::uint64_t{r.last} - r.first + 1;
        written += IpFilter::FormatAddress(r.first) + " - " + IpFilter::FormatAddress(r.last) + " , 0 , ";
        written += filter.RangeDescription(i);
        written += '\n';
    }
    Check(addresses == filter.AddressCount());
    Check(filter.Blocked(IpFilter::FormatAddress(0)) == filter.Blocked(0u));

    const IpFilterLoad again = IpFilter::Parse(written, kFuzzInflateCap);
    Check(!again.Failed() && again.skippedCount == 0 && again.filter.Ranges() == ranges);
    for (std::size_t i = 0; i < ranges.size(); ++i) {
        Check(again.filter.RangeDescription(i) == filter.RangeDescription(i));
    }
    return 0;
}
