// Loading and asking an IP filter list of 300,000 range lines made from the real lists (their
// ranges written back in each list's own form, in copies shifted across the address space):
// load time plain and gzip-compressed, look-ups per second by number and by text.
// `bench_ipfilter --write-list FILE` writes the list instead.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "serverlist/IpFilter.h"

namespace {

using hublane::serverlist::IpFilter;
using hublane::serverlist::IpFilterLoad;
using hublane::serverlist::IpRange;

constexpr std::size_t kLines = 300000;
constexpr std::size_t kLookups = 1 << 20;

enum class Form { Classic, Loose, P2p };

struct Source {
    const char* file;
    Form form;
};

constexpr Source kSources[] = {
    {"vizv__ipfilter__ipfilter.dat", Form::Classic},
    {"Deltawin__Peerblock__ipfilter.dat", Form::Loose},
    {"phrocker__MusicBlastFromThePast__guarding.p2p", Form::P2p},
};

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Padded(std::uint32_t address) {
    char text[16];
    std::snprintf(text, sizeof text, "%03u.%03u.%03u.%03u", address >> 24, (address >> 16) & 0xFF,
                  (address >> 8) & 0xFF, address & 0xFF);
    return text;
}

// One range in the form of the list it came from; the loose form rotates through its variants
// (leading zeros, en dash, a single address, a trailing space).
std::string Line(Form form, IpRange r, std::string_view descriptionText, std::size_t n) {
    const std::string description(descriptionText);
    const std::string first = IpFilter::FormatAddress(r.first);
    const std::string last = IpFilter::FormatAddress(r.last);
    switch (form) {
        case Form::Classic:
            return first + " - " + last + " , 0 , " + description + " \n";
        case Form::P2p:
            return description + ":" + first + "-" + last + "\n";
        case Form::Loose:
            break;
    }
    if (r.first == r.last && n % 2 == 0) {
        return first + "\r\n";
    }
    switch (n % 3) {
        case 0:
            return Padded(r.first) + "-" + Padded(r.last) + "\r\n";
        case 1:
            return first + "\xE2\x80\x93" + last + "\r\n";
        default:
            return first + "-" + last + " \r\n";
    }
}

// The list text: copy after copy of the real lists' ranges, copy k moved by k * 0x01000010
// (ranges that would wrap past 255.255.255.255 are left out), up to kLines lines.
std::string MakeList(const std::filesystem::path& dir) {
    struct Loaded {
        Form form;
        IpFilter filter;
    };
    std::vector<Loaded> lists;
    for (const Source& s : kSources) {
        lists.push_back({s.form, IpFilter::Parse(ReadFile(dir / s.file)).filter});
    }
    std::string text;
    std::size_t lines = 0;
    for (std::uint32_t copy = 0; lines < kLines; ++copy) {
        const std::uint32_t shift = copy * 0x01000010u;
        for (const Loaded& list : lists) {
            for (std::size_t i = 0; i < list.filter.RangeCount() && lines < kLines; ++i) {
                const IpRange r = list.filter.Ranges()[i];
                const IpRange moved{r.first + shift, r.last + shift};
                if (moved.last < moved.first || (copy > 0 && moved.first < shift)) {
                    continue;
                }
                text += Line(list.form, moved, list.filter.RangeDescription(i), lines);
                ++lines;
            }
        }
    }
    return text;
}

std::string Gzip(const std::string& text) {
    uLongf size = compressBound(static_cast<uLong>(text.size())) + 64;
    std::string out(size, '\0');
    z_stream zs{};
    deflateInit2(&zs, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    zs.avail_in = static_cast<uInt>(text.size());
    zs.next_out = reinterpret_cast<Bytef*>(out.data());
    zs.avail_out = static_cast<uInt>(out.size());
    deflate(&zs, Z_FINISH);
    out.resize(zs.total_out);
    deflateEnd(&zs);
    return out;
}

std::string g_list;
std::string g_gzipList;

void BM_Load(benchmark::State& state, const std::string* bytes) {
    std::size_t ranges = 0;
    for (auto _ : state) {
        const IpFilterLoad load = IpFilter::Parse(*bytes);
        ranges = load.filter.RangeCount();
        benchmark::DoNotOptimize(ranges);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes->size()));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kLines));
    state.counters["lines"] = static_cast<double>(kLines);
    state.counters["merged_ranges"] = static_cast<double>(ranges);
    state.counters["file_bytes"] = static_cast<double>(bytes->size());
}

const IpFilter& Filter() {
    static const IpFilter filter = IpFilter::Parse(g_list).filter;
    return filter;
}

// Half the addresses drawn inside ranges (so half the answers are "blocked"), half anywhere.
std::vector<std::uint32_t> Addresses() {
    std::mt19937 rng(7);
    std::vector<std::uint32_t> addresses(kLookups);
    const auto& ranges = Filter().Ranges();
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        if (i % 2 == 0) {
            const IpRange r = ranges[rng() % ranges.size()];
            addresses[i] =
                r.first + static_cast<std::uint32_t>(rng() % (std::uint64_t{r.last} - r.first + 1));
        } else {
            addresses[i] = static_cast<std::uint32_t>(rng());
        }
    }
    return addresses;
}

void BM_LookupNumber(benchmark::State& state) {
    const IpFilter& filter = Filter();
    const std::vector<std::uint32_t> addresses = Addresses();
    std::size_t i = 0;
    std::size_t blocked = 0;
    for (auto _ : state) {
        blocked += filter.Blocked(addresses[i++ & (kLookups - 1)]) ? 1 : 0;
    }
    benchmark::DoNotOptimize(blocked);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
    state.counters["ranges"] = static_cast<double>(filter.RangeCount());
}

void BM_LookupText(benchmark::State& state) {
    const IpFilter& filter = Filter();
    std::vector<std::string> texts;
    for (const std::uint32_t a : Addresses()) {
        texts.push_back(IpFilter::FormatAddress(a));
    }
    std::size_t i = 0;
    std::size_t blocked = 0;
    for (auto _ : state) {
        blocked += filter.Blocked(std::string_view(texts[i++ & (kLookups - 1)])) ? 1 : 0;
    }
    benchmark::DoNotOptimize(blocked);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}

}  // namespace

int main(int argc, char** argv) {
    const char* env = std::getenv("HUBLANE_REALDATA");
    const std::filesystem::path dir =
        std::filesystem::path(env != nullptr && *env != '\0' ? env : HUBLANE_REALDATA_DIR) / "ipfilter";
    if (!std::filesystem::is_directory(dir)) {
        std::fprintf(stderr, "no real filter lists in %s (set HUBLANE_REALDATA): nothing to measure\n",
                     dir.string().c_str());
        return 0;
    }
    g_list = MakeList(dir);
    // --write-list FILE: the list only, to time the programs that read it (hublanectl filter).
    if (argc == 3 && std::string_view(argv[1]) == "--write-list") {
        std::ofstream(argv[2], std::ios::binary) << g_list;
        return 0;
    }
    g_gzipList = Gzip(g_list);
    benchmark::RegisterBenchmark("BM_LoadPlain", BM_Load, &g_list)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_LoadGzip", BM_Load, &g_gzipList)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_LookupNumber", BM_LookupNumber);
    benchmark::RegisterBenchmark("BM_LookupText", BM_LookupText);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
