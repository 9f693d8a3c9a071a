// Declared options handed to Qt's command-line parser, so that a command's parser and
// its help come from the same table.
#pragma once

#include <QCommandLineParser>
#include <vector>

#include "text/CommandHelp.h"

namespace hublane::text {

/// Adds each option to parser: its name, its help, and its value's name when it takes one.
void AddParserOptions(QCommandLineParser& parser, const std::vector<OptionHelp>& options);

}  // namespace hublane::text
