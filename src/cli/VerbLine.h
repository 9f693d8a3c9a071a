// The command line of one hublanectl verb: its declaration (usage, options,
// arguments) parsed by QCommandLineParser, and the exit statuses every verb shares.
#pragma once

#include <QCommandLineParser>
#include <QStringList>
#include <optional>

#include "cli/Commands.h"
#include "platform/CopyAddress.h"
#include "platform/ExitStatus.h"
#include "platform/SettingsKeys.h"

namespace hublane::cli {

using platform::kExitFailure;
using platform::kExitNoAnswer;
using platform::kExitOk;
using platform::kExitUsage;

class VerbLine {
  public:
    /// The parser of verb's declared options; --help and -h too.
    explicit VerbLine(const Verb& verb);

    /// Parses the arguments after the verb's name. Returns nullopt when the verb goes on, else
    /// the status to exit with: --help anywhere prints the help (0); an unknown option, a
    /// missing value, or fewer or more arguments than the verb takes print the reason and the
    /// usage line (64).
    std::optional<int> Parse(const QStringList& args, Io& io);

    const QStringList& Args() const { return m_args; }
    bool IsSet(const QString& name) const { return m_parser.isSet(name); }
    QString Value(const QString& name) const { return m_parser.value(name); }

    /// The option's value as a whole number within [min, max], or its default when not given;
    /// nullopt after printing the reason and the usage line.
    std::optional<int> Number(const QString& name, int min, int max, int fallback, Io& io) const;
    /// The same within the range of a number setting.
    std::optional<int> Number(const QString& name, const platform::settings::NumberKey& key, int fallback,
                              Io& io) const {
        return Number(name, key.min, key.max, fallback, io);
    }

    /// The --peer-address option: the IPv4 address every socket of the copy binds (all addresses
    /// when not given); nullopt after printing the reason and the usage line.
    std::optional<platform::CopyAddress> PeerAddress(Io& io) const;

    /// Prints "hublanectl: <reason>" and the usage line; returns kExitUsage.
    int UsageError(Io& io, const QString& reason) const;

  private:
    const Verb& m_verb;
    QCommandLineParser m_parser;
    QStringList m_args;
};

/// Prints "hublanectl: <text>" on standard error and returns kExitFailure.
int Fail(Io& io, const QString& text);

/// "1 to 40": the range of a number setting, for an option's help.
std::string RangeText(const platform::settings::NumberKey& key);

}  // namespace hublane::cli
