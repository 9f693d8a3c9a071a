// The directory part of a stored path, and the quote removal applied before taking it.
#include "text/DirectoryPart.h"

#include <algorithm>
#include <iterator>

namespace hublane::text {

std::string DirectoryPart(std::string_view text) {
    const std::size_t last = text.find_last_of("\\:");
    if (last == std::string_view::npos) {
        return {};
    }
    std::size_t length = last + 1;
    // A final backslash after a colon or another backslash stays, which keeps "C:\" whole.
    if (text[last] == '\\' && last > 0 && text[last - 1] != ':' && text[last - 1] != '\\') {
        --length;
    }
    return std::string(text.substr(0, length));
}

std::string PosixDirectoryPart(std::string_view text) {
    const std::size_t last = text.rfind('/');
    if (last == std::string_view::npos) {
        return {};
    }
    std::size_t length = last + 1;
    // A POSIX name may hold a colon, so only another slash keeps the final one.
    if (last > 0 && text[last - 1] != '/') {
        --length;
    }
    return std::string(text.substr(0, length));
}

bool IsPosixPath(std::string_view text) {
    return !text.empty() && text.front() == '/';
}

std::string FolderOf(std::string_view text) {
    return IsPosixPath(text) ? PosixDirectoryPart(text) : DirectoryPart(text);
}

char FolderSeparator(std::string_view text) {
    return IsPosixPath(text) ? '/' : '\\';
}

std::string RemoveDoubleQuotes(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    std::copy_if(text.begin(), text.end(), std::back_inserter(result), [](char c) { return c != '"'; });
    return result;
}

}  // namespace hublane::text
