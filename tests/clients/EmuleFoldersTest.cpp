// The rule by which eMule picks its config folder, on Windows paths and on the local paths of a
// Wine prefix.
#include "clients/EmuleFolders.h"

#include <gtest/gtest.h>

#include <set>

namespace hublane::clients {
namespace {

constexpr std::uint32_t kAbsent = 99;  // stands for no value in the table below

struct Case {
    const char* name;
    std::uint32_t dirMode;
    std::set<std::string> preferences;  // the preferences.ini files that exist
    EmuleDirMode mode;
    const char* folder;
};

EmuleFolderFacts WindowsFacts(const Case& c) {
    EmuleFolderFacts facts;
    if (c.dirMode != kAbsent) {
        facts.dirMode = c.dirMode;
    }
    facts.programFolder = R"(C:\Program Files\eMule\)";
    facts.localAppData = R"(C:\Users\u\AppData\Local)";
    facts.programData = R"(C:\ProgramData\)";
    facts.fileExists = [files = c.preferences](const std::string& path) { return files.count(path) > 0; };
    return facts;
}

const std::string kUserPrefs = R"(C:\Users\u\AppData\Local\eMule\config\preferences.ini)";
const std::string kPublicPrefs = R"(C:\ProgramData\eMule\config\preferences.ini)";
const std::string kProgramPrefs = R"(C:\Program Files\eMule\config\preferences.ini)";
const char* const kUser = R"(C:\Users\u\AppData\Local\eMule\config\)";
const char* const kPublic = R"(C:\ProgramData\eMule\config\)";
const char* const kProgram = R"(C:\Program Files\eMule\config\)";

TEST(EmuleFoldersTest, RegistryValueDecidesElsePreferencesFoundFirst) {
    const Case cases[] = {
        {"ValueZeroIsTheUsersFolder", 0, {kProgramPrefs, kPublicPrefs}, EmuleDirMode::UserFolders, kUser},
        {"ValueOneIsThePublicFolder", 1, {kUserPrefs}, EmuleDirMode::PublicFolders, kPublic},
        {"ValueTwoIsTheProgramFolder", 2, {kUserPrefs}, EmuleDirMode::ProgramFolder, kProgram},
        {"ValueAboveTwoCountsAsNone", 3, {kPublicPrefs}, EmuleDirMode::PublicFolders, kPublic},
        {"LargeValueCountsAsNone", 0xFFFFFFFF, {}, EmuleDirMode::UserFolders, kUser},
        {"NoValueUsersPreferencesFirst",
         kAbsent,
         {kUserPrefs, kPublicPrefs, kProgramPrefs},
         EmuleDirMode::UserFolders,
         kUser},
        {"NoValuePublicBeforeProgram",
         kAbsent,
         {kPublicPrefs, kProgramPrefs},
         EmuleDirMode::PublicFolders,
         kPublic},
        {"NoValueProgramPreferences", kAbsent, {kProgramPrefs}, EmuleDirMode::ProgramFolder, kProgram},
        {"NoValueNoPreferencesIsTheUsersFolder", kAbsent, {}, EmuleDirMode::UserFolders, kUser},
    };
    for (const Case& c : cases) {
        const EmuleFolderFacts facts = WindowsFacts(c);
        const EmuleDirMode mode = ChooseEmuleDirMode(facts);
        EXPECT_EQ(mode, c.mode) << c.name;
        EXPECT_EQ(EmuleConfigFolder(facts, mode), c.folder) << c.name;
    }
}

// Without both known folders eMule stays in its program folder, whatever the value says but 2.
TEST(EmuleFoldersTest, UnknownFoldersLeaveTheProgramFolder) {
    for (const std::uint32_t value : {0u, 1u, 2u, kAbsent}) {
        Case c{"", value, {kUserPrefs, kPublicPrefs}, EmuleDirMode::ProgramFolder, kProgram};
        EmuleFolderFacts noLocal = WindowsFacts(c);
        noLocal.localAppData.clear();
        EmuleFolderFacts noPublic = WindowsFacts(c);
        noPublic.programData.clear();
        for (const EmuleFolderFacts& facts : {noLocal, noPublic}) {
            EXPECT_EQ(ChooseEmuleDirMode(facts), EmuleDirMode::ProgramFolder) << value;
            EXPECT_EQ(EmuleConfigFolder(facts, ChooseEmuleDirMode(facts)), kProgram) << value;
        }
    }
}

// Local paths of a Wine prefix keep their own separator; a folder given with or without its end
// separator gives one path.
TEST(EmuleFoldersTest, PosixFoldersKeepTheirSeparator) {
    EmuleFolderFacts facts;
    facts.programFolder = "/p/drive_c/Program Files/eMule";
    facts.localAppData = "/p/drive_c/users/u/AppData/Local/";
    facts.programData = "/p/drive_c/ProgramData";
    const struct {
        EmuleDirMode mode;
        const char* folder;
    } cases[] = {
        {EmuleDirMode::UserFolders, "/p/drive_c/users/u/AppData/Local/eMule/config/"},
        {EmuleDirMode::PublicFolders, "/p/drive_c/ProgramData/eMule/config/"},
        {EmuleDirMode::ProgramFolder, "/p/drive_c/Program Files/eMule/config/"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(EmuleConfigFolder(facts, c.mode), c.folder);
    }
    // No file check given: nothing is found, the user's folder is eMule's default.
    EXPECT_EQ(ChooseEmuleDirMode(facts), EmuleDirMode::UserFolders);
}

}  // namespace
}  // namespace hublane::clients
