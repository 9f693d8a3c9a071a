// Engine layer (plain C++): the default French texts built into the program.
#include "platform/DefaultTexts.h"

namespace hublane::platform {

const StringTable& DefaultFrenchTexts() {
    static const StringTable texts = {
#include "DefaultTexts.inc"
    };
    return texts;
}

}  // namespace hublane::platform
