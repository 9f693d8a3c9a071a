// The command line of one hublanectl verb.
#include "cli/VerbLine.h"

namespace hublane::cli {

VerbLine::VerbLine(QString usage, QString help) : m_usage(std::move(usage)), m_help(std::move(help)) {
    m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    m_parser.addOption(
        QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("help")));
}

VerbLine& VerbLine::Option(const QString& name, const QString& description, const QString& valueName) {
    m_parser.addOption(QCommandLineOption(name, description, valueName));
    return *this;
}

std::optional<int> VerbLine::Parse(const QStringList& args, Io& io, int minArgs, int maxArgs) {
    // --help wins wherever it stands, even beside a mistake.
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        io.out << "usage: " << m_usage << '\n' << m_help;
        if (!m_help.endsWith(QLatin1Char('\n')) && !m_help.isEmpty()) {
            io.out << '\n';
        }
        return kExitOk;
    }
    if (!m_parser.parse(QStringList{QStringLiteral("hublanectl")} + args)) {
        return UsageError(io, m_parser.errorText());
    }
    m_args = m_parser.positionalArguments();
    if (m_args.size() < minArgs) {
        return UsageError(io, QStringLiteral("missing argument"));
    }
    if (maxArgs >= 0 && m_args.size() > maxArgs) {
        return UsageError(io, QStringLiteral("unexpected argument '%1'").arg(m_args.at(maxArgs)));
    }
    return std::nullopt;
}

std::optional<platform::CopyAddress> VerbLine::PeerAddress(Io& io) const {
    platform::CopyAddress address;
    const QString text = Value(QStringLiteral("peer-address"));
    if (!text.isEmpty() &&
        (!address.bind.setAddress(text) || address.bind.protocol() != QAbstractSocket::IPv4Protocol)) {
        UsageError(io, QStringLiteral("bad address '%1'").arg(text));
        return std::nullopt;
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
    io.err << "hublanectl: " << reason << '\n' << "usage: " << m_usage << '\n';
    return kExitUsage;
}

int Fail(Io& io, const QString& text) {
    io.err << "hublanectl: " << text << '\n';
    return kExitFailure;
}

}  // namespace hublane::cli
