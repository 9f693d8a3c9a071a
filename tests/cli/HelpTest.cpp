// Every help a user can print names exactly the options its command declares: each verb of
// hublanectl, a family, hublanectl itself, hublane-directory and the program.
#include <gtest/gtest.h>

#include <QCommandLineParser>
#include <QRegularExpression>
#include <map>
#include <set>

#include "cli/Commands.h"
#include "support/CliRun.h"
#include "ui/ProgramCommandLine.h"
#ifdef HUBLANE_HAS_DIRECTORY
#include "directory/DirectoryCommandLine.h"
#endif

namespace hublane::cli {
namespace {

using Names = std::set<std::string>;

// The options a text mentions ("--name"), without the dashes.
Names Mentioned(const QString& text) {
    static const QRegularExpression option(QStringLiteral("(?<![\\w-])--([a-z][a-z0-9-]*)"));
    Names names;
    for (const QRegularExpressionMatch& match : option.globalMatch(text)) {
        names.insert(match.captured(1).toStdString());
    }
    return names;
}

Names Declared(const std::vector<text::OptionHelp>& options, Names names = {"help"}) {
    for (const text::OptionHelp& option : options) {
        names.insert(option.name);
        if (!option.otherName.empty()) {
            names.insert(option.otherName);
        }
    }
    return names;
}

QStringList Words(const std::string& name) {
    return QString::fromStdString(name).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

TEST(Help, NamesExactlyTheDeclaredOptions) {
    struct Case {
        QString command;
        QString help;
        Names declared;
    };
    std::vector<Case> cases;
    std::map<QString, Names> families;
    Names everyVerb = Declared(ProgramHelp().options);
    for (const Verb& verb : Verbs()) {
        const QStringList words = Words(verb.help.name);
        const test::CliOutcome run = test::Hublanectl(words + QStringList{QStringLiteral("--help")});
        EXPECT_EQ(run.status, 0) << verb.help.name;
        cases.push_back({words.join(QLatin1Char(' ')), run.out, Declared(verb.help.options)});
        if (words.size() > 1) {
            families[words.first()].merge(Declared(verb.help.options, {}));
        }
        everyVerb.merge(Declared(verb.help.options));
    }
    for (auto& [family, declared] : families) {
        cases.push_back({family, test::Hublanectl({family, QStringLiteral("--help")}).out, declared});
    }
    cases.push_back(
        {QStringLiteral("hublanectl"), test::Hublanectl({QStringLiteral("--help")}).out, everyVerb});
#ifdef HUBLANE_HAS_DIRECTORY
    const auto directory = directory::ReadDirectoryCommandLine({QStringLiteral("--help")});
    ASSERT_TRUE(std::holds_alternative<directory::CommandLineExit>(directory));
    cases.push_back({QStringLiteral("hublane-directory"),
                     std::get<directory::CommandLineExit>(directory).text,
                     Declared(directory::DirectoryCommand().options)});
#endif
    QCommandLineParser program;
    ui::SetUpProgramParser(program);
    cases.push_back({QStringLiteral("hublane"), program.helpText(),
                     Declared(ui::ProgramOptions(), {"help", "help-all"})});

    for (const Case& c : cases) {
        EXPECT_EQ(Mentioned(c.help), c.declared) << c.command.toStdString() << ":\n" << c.help.toStdString();
        // Nothing is cut: no line is wider than the help's width.
        for (const QString& line : c.help.split(QLatin1Char('\n'))) {
            EXPECT_LE(line.size(), static_cast<qsizetype>(text::kHelpWidth))
                << c.command.toStdString() << ": " << line.toStdString();
        }
    }
}

}  // namespace
}  // namespace hublane::cli
