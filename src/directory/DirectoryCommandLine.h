// The command line of hublane-directory read into its settings, with the exit
// statuses of the project's programs (0 after --help, 64 for a wrong command line).
#pragma once

#include <QString>
#include <QStringList>
#include <variant>

#include "directory/DirectorySettings.h"

namespace hublane::directory {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 64;

/// The program ends at once: the text to print (help on standard output when status is 0, the
/// reason and the usage line on standard error otherwise) and the status to exit with.
struct CommandLineExit {
    int status = kExitOk;
    QString text;
};

/// Reads the arguments after the program's name:
/// --listen ADDR:PORT --db FILE|URL [--peer-ttl HOURS] [--version-text TEXT] [--allow-private]
/// [--recheck-hours HOURS] [--probes-per-second N] [--limit-per-minute N].
std::variant<DirectorySettings, CommandLineExit> ReadDirectoryCommandLine(const QStringList& args);

}  // namespace hublane::directory
