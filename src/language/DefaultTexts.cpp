// The default French texts built into the program.
#include "language/DefaultTexts.h"

namespace hublane::language {

const StringTable& DefaultFrenchTexts() {
    static const StringTable texts = {
#include "DefaultTexts.inc"
    };
    return texts;
}

}  // namespace hublane::language
