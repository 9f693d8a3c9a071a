// The language texts hublanectl puts into the error lines of the list file readers.
#pragma once

#include "platform/LanguageTable.h"

namespace hublane::cli {

/// The texts the readers' error lines use. hublanectl uses the default French texts built into
/// it (texts 1 to 10), so that its output does not depend on a language file being installed.
const platform::LanguageTable& CliLanguage();

}  // namespace hublane::cli
