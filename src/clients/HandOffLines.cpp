// The lines the program and the Windows hand-off helper exchange.
#include "clients/HandOffLines.h"

#include <charconv>
#include <vector>

#include "text/Escapes.h"

namespace hublane::clients {
namespace {

using text::kLineEscapes;

std::string_view WithoutCr(std::string_view line) {
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    return line;
}

// A whole decimal number from 0 to INT_MAX, nothing else.
std::optional<int> Number(std::string_view text) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value < 0) {
        return std::nullopt;
    }
    return value;
}

// Splits at the first `count - 1` spaces; the last part keeps the rest.
std::vector<std::string_view> SplitSpaces(std::string_view text, std::size_t count) {
    std::vector<std::string_view> parts;
    while (parts.size() + 1 < count) {
        const auto space = text.find(' ');
        if (space == std::string_view::npos) {
            break;
        }
        parts.push_back(text.substr(0, space));
        text.remove_prefix(space + 1);
    }
    parts.push_back(text);
    return parts;
}

}  // namespace

std::string RowLine(const HandOffAddress& address) {
    return text::Escape(address.ip, text::kLineEscapes) + '\t' +
           text::Escape(address.port, text::kLineEscapes);
}

std::optional<HandOffAddress> ParseRowLine(std::string_view line) {
    line = WithoutCr(line);
    const auto tab = line.find('\t');
    if (tab == std::string_view::npos || line.find('\t', tab + 1) != std::string_view::npos) {
        return std::nullopt;
    }
    auto ip = text::Unescape(line.substr(0, tab), text::kLineEscapes, text::UnknownEscape::Fail);
    auto port = text::Unescape(line.substr(tab + 1), text::kLineEscapes, text::UnknownEscape::Fail);
    if (!ip || !port) {
        return std::nullopt;
    }
    return HandOffAddress{std::move(*ip), std::move(*port)};
}

std::string GaugeMaxLine(int max) {
    return "gauge max " + std::to_string(max);
}

std::string GaugePositionLine(int position) {
    return "gauge position " + std::to_string(position);
}

std::string ResultLine(const HandOffResult& result) {
    return "result " + std::string(OutcomeName(result.outcome)) + ' ' + std::to_string(result.clients) + ' ' +
           std::to_string(result.consoles) + ' ' + text::Escape(result.detail, text::kFieldEscapes);
}

HelperLine ParseHelperLine(std::string_view line) {
    line = WithoutCr(line);
    HelperLine parsed;
    const std::vector<std::string_view> gauge = SplitSpaces(line, 3);
    if (gauge.size() == 3 && gauge[0] == "gauge") {
        if (const auto value = Number(gauge[2]); value && (gauge[1] == "max" || gauge[1] == "position")) {
            parsed.kind = gauge[1] == "max" ? HelperLine::Kind::GaugeMax : HelperLine::Kind::GaugePosition;
            parsed.value = *value;
        }
        return parsed;
    }
    const std::vector<std::string_view> parts = SplitSpaces(line, 5);
    if (parts.size() != 5 || parts[0] != "result") {
        return parsed;
    }
    HandOffResult result;
    const auto clients = Number(parts[2]);
    const auto consoles = Number(parts[3]);
    auto detail = text::Unescape(parts[4], text::kFieldEscapes, text::UnknownEscape::Fail);
    if (!OutcomeFromName(parts[1], result.outcome) || !clients || !consoles || !detail) {
        return parsed;
    }
    result.clients = *clients;
    result.consoles = *consoles;
    result.detail = std::move(*detail);
    parsed.kind = HelperLine::Kind::Result;
    parsed.result = std::move(result);
    return parsed;
}

}  // namespace hublane::clients
