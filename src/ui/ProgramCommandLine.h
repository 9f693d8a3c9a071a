// The program's command line, declared once: where this copy lives and which directory
// and version host it uses.
#pragma once

#include <QCommandLineParser>
#include <QStringList>
#include <optional>
#include <vector>

#include "app/Engine.h"
#include "text/CommandHelp.h"

namespace hublane::ui {

/// The options the program takes; without them it runs as it always does.
const std::vector<text::OptionHelp>& ProgramOptions();

/// Sets parser up with the program's description, the help options and ProgramOptions().
void SetUpProgramParser(QCommandLineParser& parser);

/// Reads the arguments (the program's name first): prints the help and ends the program on
/// --help, the reason and the usage on a wrong option; nullopt after printing a bad address.
std::optional<app::EngineOptions> ReadProgramCommandLine(const QStringList& arguments);

}  // namespace hublane::ui
