// Declared options handed to Qt's command-line parser.
#include "text/ParserOptions.h"

namespace hublane::text {

void AddParserOptions(QCommandLineParser& parser, const std::vector<OptionHelp>& options) {
    for (const OptionHelp& option : options) {
        QStringList names{QString::fromStdString(option.name)};
        if (!option.otherName.empty()) {
            names << QString::fromStdString(option.otherName);
        }
        parser.addOption(QCommandLineOption(names, QString::fromStdString(option.help),
                                            QString::fromStdString(option.value)));
    }
}

}  // namespace hublane::text
