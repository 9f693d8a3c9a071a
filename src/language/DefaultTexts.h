// The default French texts built into the program, compiled from the same source
// as francais.lng, for when no language file can be read.
#pragma once

#include "language/PeStringTable.h"

namespace hublane::language {

/// Text number -> UTF-8 text, as francais.lng holds them.
const StringTable& DefaultFrenchTexts();

}  // namespace hublane::language
