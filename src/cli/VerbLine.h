// The command line of one hublanectl verb: its usage, its options and its
// arguments, parsed by QCommandLineParser, and the exit statuses every verb shares.
#pragma once

#include <QCommandLineParser>
#include <QStringList>
#include <optional>

#include "cli/Commands.h"
#include "platform/CopyAddress.h"

namespace hublane::cli {

/// Exit statuses: done; failed (the reason on standard error); no answer came (probe, peer ask);
/// the command line is wrong (the reason and the usage line on standard error).
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitNoAnswer = 2;
inline constexpr int kExitUsage = 64;

class VerbLine {
  public:
    /// usage: the verb's usage line without "usage: " ("hublanectl servermet read FILE");
    /// help: the lines --help prints after it.
    VerbLine(QString usage, QString help);

    /// An option with a value when valueName is given, else a switch.
    VerbLine& Option(const QString& name, const QString& description, const QString& valueName = {});

    /// Parses the arguments after the verb's name. Returns nullopt when the verb goes on, else
    /// the status to exit with: --help anywhere prints the help (0); an unknown option, a
    /// missing value, or fewer than minArgs / more than maxArgs arguments print the reason and
    /// the usage line (64).
    std::optional<int> Parse(const QStringList& args, Io& io, int minArgs, int maxArgs);

    const QStringList& Args() const { return m_args; }
    bool IsSet(const QString& name) const { return m_parser.isSet(name); }
    QString Value(const QString& name) const { return m_parser.value(name); }

    /// The option's value as a whole number within [min, max], or its default when not given;
    /// nullopt after printing the reason and the usage line.
    std::optional<int> Number(const QString& name, int min, int max, int fallback, Io& io) const;

    /// The --peer-address option: the IPv4 address every socket of the copy binds (all addresses
    /// when not given); nullopt after printing the reason and the usage line.
    std::optional<platform::CopyAddress> PeerAddress(Io& io) const;

    /// Prints "hublanectl: <reason>" and the usage line; returns kExitUsage.
    int UsageError(Io& io, const QString& reason) const;

  private:
    QString m_usage;
    QString m_help;
    QCommandLineParser m_parser;
    QStringList m_args;
};

/// Prints "hublanectl: <text>" on standard error and returns kExitFailure.
int Fail(Io& io, const QString& text);

}  // namespace hublane::cli
