// Reading and writing a large server.met (every entry with its 8 tags), in memory and through
// the file functions; reports bytes per second and time per operation.
#include <benchmark/benchmark.h>

#include <QStringList>
#include <QTemporaryDir>
#include <map>
#include <string>

#include "clients/ServerMetCodec.h"
#include "language/LanguageTable.h"
#include "serverlist/ListFiles.h"

namespace {

using hublane::clients::DecodeServerMet;
using hublane::clients::EncodeServerMet;
using hublane::serverlist::PlainGauge;
using hublane::serverlist::ServerTable;

// A table of `entries` servers with distinct addresses, every column known, names of about 20
// bytes and descriptions of about 40; built once per size (building it is as slow as one read).
// With sameAddress, every row gets the address 1.2.3.4 (not one table: the rows of a file).
const ServerTable& Table(int entries) {
    static std::map<int, ServerTable> tables;
    auto it = tables.find(entries);
    if (it == tables.end()) {
        ServerTable table;
        for (int i = 0; i < entries; ++i) {
            const std::string ip = std::to_string(1 + i / 65536 % 200) + "." + std::to_string(i / 256 % 256) +
                                   "." + std::to_string(i % 256) + "." + std::to_string(1 + i % 250);
            table.AddServerRow(ip, std::to_string(4000 + i % 5000), std::to_string(1000 + i),
                               std::to_string(50000 + i), "Server number " + std::to_string(100000 + i),
                               "A description of forty bytes, no " + std::to_string(1000000 + i));
        }
        it = tables.emplace(entries, std::move(table)).first;
    }
    return it->second;
}

const std::string& FileBytes(int entries) {
    static std::map<int, std::string> files;
    auto it = files.find(entries);
    if (it == files.end()) {
        PlainGauge gauge;
        it = files.emplace(entries, EncodeServerMet(Table(entries), gauge)).first;
    }
    return it->second;
}

// The same file with every entry's address bytes set to 1.2.3.4: decoding it costs the parsing
// alone, since the table never holds more than one row to look an address up in.
std::string SameAddressBytes(int entries) {
    std::string bytes = FileBytes(entries);
    std::size_t pos = 5;
    for (int i = 0; i < entries; ++i) {
        bytes.replace(pos, 4, "\x01\x02\x03\x04");
        const auto tags = static_cast<std::uint8_t>(bytes[pos + 6]);  // 8 tags, fewer than 256
        pos += 10;
        for (int t = 0; t < tags; ++t) {
            const auto type = static_cast<std::uint8_t>(bytes[pos]);
            const auto nameLength = static_cast<std::uint8_t>(bytes[pos + 1]);
            pos += 3 + nameLength;
            if (type == 0x02) {
                pos += 2 + static_cast<std::uint8_t>(bytes[pos]) +
                       256 * static_cast<std::uint8_t>(bytes[pos + 1]);
            } else {
                pos += 4;
            }
        }
    }
    return bytes;
}

void Report(benchmark::State& state, std::size_t bytes) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes));
    state.counters["file_bytes"] = static_cast<double>(bytes);
}

void BM_DecodeInMemory(benchmark::State& state) {
    const std::string& bytes = FileBytes(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        ServerTable table;
        PlainGauge gauge;
        benchmark::DoNotOptimize(DecodeServerMet(bytes, table, gauge));
    }
    Report(state, bytes.size());
}

void BM_DecodeParsingOnly(benchmark::State& state) {
    const std::string bytes = SameAddressBytes(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        ServerTable table;
        PlainGauge gauge;
        benchmark::DoNotOptimize(DecodeServerMet(bytes, table, gauge));
    }
    Report(state, bytes.size());
}

void BM_EncodeInMemory(benchmark::State& state) {
    const ServerTable& table = Table(static_cast<int>(state.range(0)));
    PlainGauge gauge;
    std::size_t size = 0;
    for (auto _ : state) {
        const std::string bytes = EncodeServerMet(table, gauge);
        size = bytes.size();
        benchmark::DoNotOptimize(bytes.data());
    }
    Report(state, size);
}

void BM_ReadServerMetFile(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("server.met"));
    const ServerTable& source = Table(static_cast<int>(state.range(0)));
    PlainGauge gauge;
    hublane::serverlist::WriteServerMet(path, source, gauge, {}, hublane::clients::kServerMetCodec);
    hublane::language::LanguageTable texts;
    texts.Reset();
    QStringList log;
    hublane::serverlist::ReadContext ctx{gauge, texts, log};
    int counter = 0;
    for (auto _ : state) {
        ServerTable table;
        benchmark::DoNotOptimize(hublane::serverlist::ReadServerMet(path, table, ctx, &counter,
                                                                    hublane::clients::kServerMetCodec));
    }
    Report(state, FileBytes(static_cast<int>(state.range(0))).size());
}

void BM_WriteServerMetFile(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("server.met"));
    const ServerTable& table = Table(static_cast<int>(state.range(0)));
    PlainGauge gauge;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            hublane::serverlist::WriteServerMet(path, table, gauge, {}, hublane::clients::kServerMetCodec)
                .Written());
    }
    Report(state, FileBytes(static_cast<int>(state.range(0))).size());
}

constexpr int kSmall = 10000;
constexpr int kLarge = 100000;

BENCHMARK(BM_DecodeInMemory)->Arg(kSmall)->Arg(kLarge)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeParsingOnly)->Arg(kSmall)->Arg(kLarge)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeInMemory)->Arg(kSmall)->Arg(kLarge)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadServerMetFile)->Arg(kSmall)->Arg(kLarge)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteServerMetFile)->Arg(kSmall)->Arg(kLarge)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
