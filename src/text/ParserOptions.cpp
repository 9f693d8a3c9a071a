// Declared options handed to Qt's command-line parser.
#include "text/ParserOptions.h"

namespace hublane::text {

void AddParserOptions(QCommandLineParser& parser, const std::vector<OptionHelp>& options) {
    for (const OptionHelp& option : options) {
        parser.addOption(QCommandLineOption(QString::fromStdString(option.name),
                                            QString::fromStdString(option.help),
                                            QString::fromStdString(option.value)));
    }
}

}  // namespace hublane::text
