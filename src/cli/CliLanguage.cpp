// The language texts hublanectl puts into its error lines.
#include "cli/CliLanguage.h"

#include <QCoreApplication>

#include "language/Language.h"
#include "platform/UserSettingsStore.h"

namespace hublane::cli {

const language::LanguageTable& CliLanguage() {
    static const language::LanguageTable texts = [] {
        language::LanguageTable t;
        const std::unique_ptr<platform::SettingsStore> settings = platform::CreateUserSettingsStore();
        language::LoadLanguageQuietly(*settings, QCoreApplication::applicationDirPath(), t);
        return t;
    }();
    return texts;
}

}  // namespace hublane::cli
