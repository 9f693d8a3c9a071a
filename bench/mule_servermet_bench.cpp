// Reading an eMule/aMule server.met of about 4 MiB (the most a published list may be) in three
// shapes: entries as the clients write them, entries without a tag, and entries of many one-byte
// tags. Reports the time per read and the heap the document read holds per byte of the file.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdint>
#include <string>

#include "clients/MuleServerMet.h"
#include "text/LittleEndian.h"

namespace {

using hublane::clients::MuleServerMet;
using hublane::clients::ReadMuleServerMet;
using hublane::serverlist::PlainGauge;
namespace text = hublane::text;

constexpr std::size_t kFileBytes = 4u << 20;

void AppendTextTag(std::string& out, std::uint8_t id, const std::string& value) {
    text::AppendU8(out, 0x02);
    text::AppendU16(out, 1);
    text::AppendU8(out, id);
    text::AppendU16(out, static_cast<std::uint16_t>(value.size()));
    out.append(value);
}

void AppendCountTag(std::string& out, const std::string& name, std::uint32_t value) {
    text::AppendU8(out, 0x03);
    text::AppendU16(out, static_cast<std::uint16_t>(name.size()));
    out.append(name);
    text::AppendU32(out, value);
}

enum class Shape { Clients, NoTags, OneByteTags };

// Entries of the shape until the file holds about kFileBytes, with distinct addresses.
std::string File(Shape shape) {
    std::string entries;
    std::uint32_t count = 0;
    while (entries.size() < kFileBytes) {
        const std::uint32_t n = count++;
        text::AppendU8(entries, static_cast<std::uint8_t>(1 + n / 65536 % 200));
        text::AppendU8(entries, static_cast<std::uint8_t>(n / 256 % 256));
        text::AppendU8(entries, static_cast<std::uint8_t>(n % 256));
        text::AppendU8(entries, 7);
        text::AppendU16(entries, 4661);
        switch (shape) {
            case Shape::Clients:
                // Name and description twice (aMule's way), users, files, priority, ping.
                text::AppendU32(entries, 8);
                AppendTextTag(entries, 0x01, "Server number " + std::to_string(100000 + n));
                AppendTextTag(entries, 0x01, "\xEF\xBB\xBFServer number " + std::to_string(100000 + n));
                AppendTextTag(entries, 0x0B,
                              "A description of forty bytes, no " + std::to_string(1000000 + n));
                AppendTextTag(entries, 0x0B,
                              "\xEF\xBB\xBF"
                              "A description of forty bytes, no " +
                                  std::to_string(1000000 + n));
                AppendCountTag(entries, "users", 1000 + n);
                AppendCountTag(entries, "files", 50000 + n);
                entries.append("\x89\x0E\x00", 3);              // priority, u8
                entries.append("\x83\x90\x10\x00\x00\x00", 6);  // last ping, u32
                break;
            case Shape::NoTags:
                text::AppendU32(entries, 0);
                break;
            case Shape::OneByteTags:
                text::AppendU32(entries, 1000);
                for (int t = 0; t < 1000; ++t) {
                    entries.append("\x89\x0E\x01", 3);  // new-style u8 tags: 3 bytes each
                }
                break;
        }
    }
    std::string file;
    text::AppendU8(file, 0xE0);
    text::AppendU32(file, count);
    return file + entries;
}

// The heap in use, blocks of their own (large vectors) included.
std::size_t HeapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

void BM_ReadMuleServerMet(benchmark::State& state) {
    const auto shape = static_cast<Shape>(state.range(0));
    const std::string bytes = File(shape);
    PlainGauge gauge;
    double held = 0;
    for (auto _ : state) {
        const std::size_t before = HeapInUse();
        MuleServerMet doc;
        if (!ReadMuleServerMet(bytes, doc, gauge).Ok()) {
            state.SkipWithError("the file did not read whole");
            return;
        }
        held = static_cast<double>(HeapInUse() - before);
        benchmark::DoNotOptimize(doc.entries.data());
    }
    state.SetLabel(shape == Shape::Clients  ? "as the clients write"
                   : shape == Shape::NoTags ? "no tags"
                                            : "1-byte tags");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(bytes.size()));
    state.counters["file_bytes"] = static_cast<double>(bytes.size());
    state.counters["held_per_file_byte"] = held / static_cast<double>(bytes.size());
}

BENCHMARK(BM_ReadMuleServerMet)
    ->Arg(static_cast<int>(Shape::Clients))
    ->Arg(static_cast<int>(Shape::NoTags))
    ->Arg(static_cast<int>(Shape::OneByteTags))
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
