// Drives a fuzz target without libFuzzer: every seed file of a folder, then a fixed number of
// inputs mutated from them by a seeded generator (same inputs on every run).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::vector<std::string> ReadSeeds(const std::filesystem::path& dir) {
    std::vector<std::string> seeds;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
        if (entry.is_regular_file()) {
            std::ifstream in(entry.path(), std::ios::binary);
            seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
    }
    if (seeds.empty()) {
        seeds.emplace_back();
    }
    return seeds;
}

std::string Mutate(std::string input, std::mt19937& rng) {
    std::uniform_int_distribution<int> kind(0, 5);
    std::uniform_int_distribution<int> byte(0, 255);
    const int rounds = 1 + static_cast<int>(rng() % 4);
    for (int r = 0; r < rounds; ++r) {
        const std::size_t pos = input.empty() ? 0 : rng() % input.size();
        switch (kind(rng)) {
            case 0:
                if (!input.empty())
                    input[pos] = static_cast<char>(byte(rng));
                break;
            case 1:
                input.insert(input.begin() + static_cast<std::ptrdiff_t>(pos), static_cast<char>(byte(rng)));
                break;
            case 2:
                if (!input.empty())
                    input.erase(pos, 1 + rng() % 8);
                break;
            case 3:
                input.resize(pos);
                break;
            case 4: {  // an extreme value at some position
                static const unsigned char extremes[] = {0x00, 0x7F, 0x80, 0xFF};
                if (!input.empty())
                    input[pos] = static_cast<char>(extremes[rng() % 4]);
                break;
            }
            default:
                if (!input.empty())
                    input.append(input.substr(pos, 1 + rng() % 16));
                break;
        }
    }
    return input;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s SEED_DIR [ITERATIONS]\n", argv[0]);
        return 2;
    }
    const std::vector<std::string> seeds = ReadSeeds(argv[1]);
    const long iterations = argc > 2 ? std::strtol(argv[2], nullptr, 10) : 10000;
    for (const std::string& s : seeds) {
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
    }
    std::mt19937 rng(12345);
    for (long i = 0; i < iterations; ++i) {
        const std::string input = Mutate(seeds[static_cast<std::size_t>(i) % seeds.size()], rng);
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
    }
    std::printf("%zu seeds, %ld mutated inputs: no crash\n", seeds.size(), iterations);
    return 0;
}
