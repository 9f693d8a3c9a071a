// hublane-lngc SOURCE OUT: builds a language file from its text source at build time.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/LangSource.h"
#include "platform/PeWriter.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: hublane-lngc SOURCE OUT\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "hublane-lngc: cannot open %s\n", argv[1]);
        return 1;
    }
    const std::string source((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto parsed = hublane::platform::ParseLangSource(source);
    if (!parsed.table) {
        std::fprintf(stderr, "%s:%d: %s\n", argv[1], parsed.errorLine, parsed.error.c_str());
        return 1;
    }
    const auto image = hublane::platform::WriteStringTableDll(*parsed.table);
    if (!image) {
        std::fprintf(stderr, "hublane-lngc: a text is too long for a string resource\n");
        return 1;
    }
    // Written under a temporary name and renamed, so a failed build never leaves half a file.
    const std::string temp = std::string(argv[2]) + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(image->data(), static_cast<std::streamsize>(image->size()));
        if (!out.flush()) {
            std::fprintf(stderr, "hublane-lngc: cannot write %s\n", temp.c_str());
            std::remove(temp.c_str());
            return 1;
        }
    }
    if (std::rename(temp.c_str(), argv[2]) != 0) {
        std::fprintf(stderr, "hublane-lngc: cannot write %s\n", argv[2]);
        std::remove(temp.c_str());
        return 1;
    }
    return 0;
}
