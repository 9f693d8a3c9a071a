// A command's help written from its declaration: the usage line, the options table
// and the entry a program's list of commands gives it, each wrapped to the terminal.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace hublane::text {

/// One option of a command: its name without the dashes, the name of its value (empty for a
/// switch), what it does, and whether the command needs it.
struct OptionHelp {
    std::string name{};
    std::string value{};
    std::string help{};
    bool required = false;
    std::string otherName{};  // a second name the parser takes for it (empty: none)
};

/// A command as data, from which its help and its parser are both made.
struct CommandHelp {
    std::string program{};    // "hublanectl"
    std::string name{};       // the words after the program: "servermet read" (may be empty)
    std::string arguments{};  // "FILE", "HOST PORT", "[URL]"
    std::string summary{};    // what it does, in a program's list of commands
    std::string details{};    // what its own help says before the options (default: the summary)
    std::vector<OptionHelp> options{};
    std::string epilog{};  // what its own help says after the options
};

/// The width the help texts are wrapped to.
inline constexpr std::size_t kHelpWidth = 100;

/// "usage: " and the command line: program, name, arguments, then every option ("[--x V]", "--y V"
/// when required), wrapped under its first argument; without a final newline.
std::string UsageLine(const CommandHelp& command);

/// The command's own help: "usage: ...", its details, one line per option (and --help), its
/// epilog; each ends with a newline.
std::string HelpText(const CommandHelp& command);

/// The command's entry in a program's list: its name, arguments and options, then its summary
/// indented beneath (beside them when they are short).
std::string ListEntry(const CommandHelp& command);

/// Text that goes on at column, broken at spaces into lines of at most width characters (UTF-8
/// counted by character), each line after the first indented by indent; the text's own line breaks
/// stay, and a line's leading spaces add to the indent of its wrapped rest.
std::string Wrap(std::string_view text, std::size_t width, std::size_t column, std::size_t indent);

}  // namespace hublane::text
