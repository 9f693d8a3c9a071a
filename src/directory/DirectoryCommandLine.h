// The command line of hublane-directory, declared once and read into its settings
// (exit 0 after --help, 64 for a wrong command line).
#pragma once

#include <QString>
#include <QStringList>
#include <variant>

#include "directory/DirectorySettings.h"
#include "platform/ExitStatus.h"
#include "text/CommandHelp.h"

namespace hublane::directory {

using platform::kExitFailure;
using platform::kExitOk;
using platform::kExitUsage;

/// The program ends at once: the text to print (help on standard output when status is 0, the
/// reason and the usage line on standard error otherwise) and the status to exit with.
struct CommandLineExit {
    int status = kExitOk;
    QString text;
};

/// The program's command line as data: its help and its parser are made from it.
const text::CommandHelp& DirectoryCommand();

/// Reads the arguments after the program's name:
/// --listen ADDR:PORT --db FILE|URL [--peer-ttl HOURS] [--version-text TEXT] [--allow-private]
/// [--recheck-hours HOURS] [--probes-per-second N] [--limit-per-minute N].
std::variant<DirectorySettings, CommandLineExit> ReadDirectoryCommandLine(const QStringList& args);

}  // namespace hublane::directory
