// Engine layer: the language texts hublanectl puts into its error lines.
#include "cli/CliLanguage.h"

#include <QCoreApplication>

#include "app/Language.h"
#include "platform/UserSettingsStore.h"

namespace hublane::cli {

const platform::LanguageTable& CliLanguage() {
    static const platform::LanguageTable texts = [] {
        platform::LanguageTable t;
        const std::unique_ptr<platform::SettingsStore> settings = platform::CreateUserSettingsStore();
        app::LoadLanguageQuietly(*settings, QCoreApplication::applicationDirPath(), t);
        return t;
    }();
    return texts;
}

}  // namespace hublane::cli
