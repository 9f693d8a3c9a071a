// A command's help written from its declaration.
#include "text/CommandHelp.h"

#include <algorithm>

namespace hublane::text {
namespace {

// The column where a list entry's summary starts, and the widest option column of a help.
constexpr std::size_t kSummaryColumn = 25;
constexpr std::size_t kOptionColumnMax = 26;

std::size_t Columns(std::string_view s) {
    return static_cast<std::size_t>(std::count_if(
        s.begin(), s.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// Words that must stay whole ("[--mode desc|list|fr]"), one space apart, wrapped from column.
std::string WrapTokens(const std::vector<std::string>& tokens, std::size_t column, std::size_t indent) {
    std::string out;
    bool first = true;
    for (const std::string& token : tokens) {
        const std::size_t width = Columns(token);
        if (!first && column + 1 + width > kHelpWidth) {
            out += '\n';
            out.append(indent, ' ');
            column = indent;
        } else if (!first) {
            out += ' ';
            ++column;
        }
        out += token;
        column += width;
        first = false;
    }
    return out;
}

std::vector<std::string> Words(std::string_view text) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t end = std::min(text.find(' ', i), text.size());
        if (end > i) {
            words.emplace_back(text.substr(i, end - i));
        }
        i = end + 1;
    }
    return words;
}

std::string OptionToken(const OptionHelp& option) {
    std::string token = "--" + option.name;
    if (!option.value.empty()) {
        token += ' ' + option.value;
    }
    return option.required ? token : '[' + token + ']';
}

std::string OptionLabel(const OptionHelp& option) {
    return option.value.empty() ? "  --" + option.name : "  --" + option.name + ' ' + option.value;
}

// Name, arguments and options as tokens.
std::vector<std::string> Synopsis(const CommandHelp& command, bool withProgram) {
    std::vector<std::string> tokens;
    if (withProgram) {
        tokens.push_back(command.program);
    }
    for (std::string_view part : {std::string_view(command.name), std::string_view(command.arguments)}) {
        for (std::string& word : Words(part)) {
            tokens.push_back(std::move(word));
        }
    }
    for (const OptionHelp& option : command.options) {
        tokens.push_back(OptionToken(option));
    }
    return tokens;
}

void AppendSection(std::string& out, const std::string& text) {
    if (!text.empty()) {
        out += '\n';
        out += Wrap(text, kHelpWidth, 0, 0);
        out += '\n';
    }
}

}  // namespace

std::string Wrap(std::string_view text, std::size_t width, std::size_t column, std::size_t indent) {
    std::string out;
    bool firstLine = true;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view line = text.substr(start, end - start);
        if (!firstLine) {
            out += '\n';
            if (!line.empty()) {
                out.append(indent, ' ');
            }
            column = indent;
        }
        // The line's own indent, then its words, each with the spaces that stood before it.
        std::size_t i = std::min(line.find_first_not_of(' '), line.size());
        out.append(i, ' ');
        column += i;
        const std::size_t hang = indent + i;
        bool lineStart = true;
        while (i < line.size()) {
            const std::size_t wordStart = std::min(line.find_first_not_of(' ', i), line.size());
            const std::size_t wordEnd = std::min(line.find(' ', wordStart), line.size());
            const std::string_view gap = line.substr(i, wordStart - i);
            const std::string_view word = line.substr(wordStart, wordEnd - wordStart);
            if (!lineStart && column + gap.size() + Columns(word) > width) {
                out += '\n';
                out.append(hang, ' ');
                column = hang;
            } else {
                out += gap;
                column += gap.size();
            }
            out += word;
            column += Columns(word);
            lineStart = false;
            i = wordEnd;
        }
        firstLine = false;
        start = end + 1;
    }
    return out;
}

std::string UsageLine(const CommandHelp& command) {
    const std::string head =
        "usage: " + command.program + ' ' + command.name + (command.name.empty() ? "" : " ");
    return "usage: " + WrapTokens(Synopsis(command, true), 7, Columns(head));
}

std::string HelpText(const CommandHelp& command) {
    std::string out = UsageLine(command) + '\n';
    AppendSection(out, command.details.empty() ? command.summary : command.details);
    std::vector<OptionHelp> options = command.options;
    options.push_back({"help", {}, "this text", false});
    std::size_t column = 0;
    for (const OptionHelp& option : options) {
        column = std::max(column, Columns(OptionLabel(option)) + 2);
    }
    column = std::min(column, kOptionColumnMax);
    out += '\n';
    for (const OptionHelp& option : options) {
        const std::string label = OptionLabel(option);
        out += label;
        std::size_t at = Columns(label);
        if (at + 2 > column) {
            out += '\n';
            at = 0;
        }
        out.append(column - at, ' ');
        out += Wrap(option.help, kHelpWidth, column, column);
        out += '\n';
    }
    AppendSection(out, command.epilog);
    return out;
}

std::string ListEntry(const CommandHelp& command) {
    const std::size_t hang = 2 + Columns(command.name) + 1;
    std::string out = "  " + WrapTokens(Synopsis(command, false), 2, hang);
    const std::size_t lastLine = out.rfind('\n');
    const std::size_t end = Columns(lastLine == std::string::npos ? out : out.substr(lastLine + 1));
    if (lastLine == std::string::npos && end + 2 <= kSummaryColumn) {
        out.append(kSummaryColumn - end, ' ');
    } else {
        out += '\n';
        out.append(kSummaryColumn, ' ');
    }
    out += Wrap(command.summary, kHelpWidth, kSummaryColumn, kSummaryColumn);
    out += '\n';
    return out;
}

}  // namespace hublane::text
