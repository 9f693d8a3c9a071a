// Where eMule keeps its files.
#include "clients/EmuleFolders.h"

#include "text/DirectoryPart.h"

namespace hublane::clients {
namespace {

// The folder with its own separator at the end, once (an empty one stays empty: relative).
std::string WithSeparator(std::string folder) {
    const char separator = text::FolderSeparator(folder);
    if (!folder.empty() && folder.back() != separator) {
        folder += separator;
    }
    return folder;
}

// The base folder below which eMule puts its "config" folder in a mode.
std::string ConfigBase(const EmuleFolderFacts& facts, EmuleDirMode mode) {
    switch (mode) {
        case EmuleDirMode::UserFolders:
            return WithSeparator(WithSeparator(facts.localAppData) + "eMule");
        case EmuleDirMode::PublicFolders:
            return WithSeparator(WithSeparator(facts.programData) + "eMule");
        case EmuleDirMode::ProgramFolder:
            break;
    }
    return WithSeparator(facts.programFolder);
}

std::string Preferences(const EmuleFolderFacts& facts, EmuleDirMode mode) {
    return EmuleConfigFolder(facts, mode) + "preferences.ini";
}

}  // namespace

EmuleDirMode ChooseEmuleDirMode(const EmuleFolderFacts& facts) {
    if (facts.dirMode == 2u) {
        return EmuleDirMode::ProgramFolder;
    }
    if (facts.localAppData.empty() || facts.programData.empty()) {
        return EmuleDirMode::ProgramFolder;
    }
    if (facts.dirMode == 0u || facts.dirMode == 1u) {
        return static_cast<EmuleDirMode>(*facts.dirMode);
    }
    const auto exists = [&](EmuleDirMode mode) {
        return facts.fileExists && facts.fileExists(Preferences(facts, mode));
    };
    for (const EmuleDirMode mode :
         {EmuleDirMode::UserFolders, EmuleDirMode::PublicFolders, EmuleDirMode::ProgramFolder}) {
        if (exists(mode)) {
            return mode;
        }
    }
    return EmuleDirMode::UserFolders;
}

std::string EmuleConfigFolder(const EmuleFolderFacts& facts, EmuleDirMode mode) {
    return WithSeparator(ConfigBase(facts, mode) + "config");
}

}  // namespace hublane::clients
