// The language texts hublanectl puts into its error lines: the program's own.
#pragma once

#include "language/LanguageTable.h"

namespace hublane::cli {

/// The texts of the language file the settings name, else of francais.lng beside hublanectl, else
/// the built-in copy compiled from the same source as francais.lng; loaded once, on first use,
/// without any dialog and without changing the settings.
const language::LanguageTable& CliLanguage();

}  // namespace hublane::cli
