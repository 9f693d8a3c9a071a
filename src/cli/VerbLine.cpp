// The command line of one hublanectl verb.
#include "cli/VerbLine.h"

#include "text/ParserOptions.h"

namespace hublane::cli {

VerbLine::VerbLine(const Verb& verb) : m_verb(verb) {
    m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    m_parser.addOption(
        QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("help")));
    text::AddParserOptions(m_parser, verb.help.options);
}

std::optional<int> VerbLine::Parse(const QStringList& args, Io& io) {
    // --help wins wherever it stands, even beside a mistake.
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        io.out << QString::fromStdString(text::HelpText(m_verb.help));
        return kExitOk;
    }
    if (!m_parser.parse(QStringList{QStringLiteral("hublanectl")} + args)) {
        return UsageError(io, m_parser.errorText());
    }
    m_args = m_parser.positionalArguments();
    if (m_args.size() < m_verb.minArgs) {
        return UsageError(io, QStringLiteral("missing argument"));
    }
    if (m_verb.maxArgs >= 0 && m_args.size() > m_verb.maxArgs) {
        return UsageError(io, QStringLiteral("unexpected argument '%1'").arg(m_args.at(m_verb.maxArgs)));
    }
    return std::nullopt;
}

std::optional<platform::CopyAddress> VerbLine::PeerAddress(Io& io) const {
    const QString text = Value(QStringLiteral("peer-address"));
    const std::optional<platform::CopyAddress> address = platform::ReadCopyAddress(text);
    if (!address) {
        UsageError(io, QStringLiteral("bad address '%1'").arg(text));
    }
    return address;
}

std::optional<int> VerbLine::Number(const QString& name, int min, int max, int fallback, Io& io) const {
    if (!m_parser.isSet(name)) {
        return fallback;
    }
    bool ok = false;
    const int value = m_parser.value(name).toInt(&ok);
    if (!ok || value < min || value > max) {
        UsageError(io, QStringLiteral("--%1 takes a whole number from %2 to %3, not '%4'")
                           .arg(name)
                           .arg(min)
                           .arg(max)
                           .arg(m_parser.value(name)));
        return std::nullopt;
    }
    return value;
}

int VerbLine::UsageError(Io& io, const QString& reason) const {
    io.err << "hublanectl: " << reason << '\n'
           << QString::fromStdString(text::UsageLine(m_verb.help)) << '\n';
    return kExitUsage;
}

std::string RangeText(const platform::settings::NumberKey& key) {
    return std::to_string(key.min) + " to " + std::to_string(key.max);
}

int Fail(Io& io, const QString& text) {
    io.err << "hublanectl: " << text << '\n';
    return kExitFailure;
}

}  // namespace hublane::cli
