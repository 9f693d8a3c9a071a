// The client folder locator, its reset, the server.met path and the settings upgrade step.
#include "clients/TPartInfo.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "app/SettingsUpgrade.h"
#include "language/LanguageTable.h"
#include "platform/ClassRegistration.h"
#include "platform/MemorySettingsStore.h"
#include "platform/UserPrompts.h"
#include "support/Fakes.h"

namespace hublane::clients {
namespace {

using platform::MemorySettingsStore;
using test::FakeBusyOwner;
using test::FakeClassRegistration;
using test::FakePrompts;

class TPartInfoTest : public ::testing::Test {
  protected:
    TPartInfoTest() {
        // The folder question's own error box is an Error; the tests count it in `messages`.
        prompts.unexpected = {FakePrompts::Kind::OpenFile, FakePrompts::Kind::Escaped};
        language.Reset();
        for (int n = 1; n <= 15; ++n) {
            language.Append(QStringLiteral("text %1").arg(n));
        }
    }
    PartInfoDeps Deps() { return {settings, prompts, classes, language}; }
    QString Stored(const QString& name) {
        const auto it = settings.Values().constFind(name);
        return it == settings.Values().constEnd() ? QStringLiteral("<absent>") : std::get<QString>(*it);
    }
    // Runs FindDonkeyPath on a fresh object, as every caller does.
    bool Find(QString* dir = nullptr) {
        TPartInfo part(owner, Deps());
        const bool found = part.FindDonkeyPath();
        if (dir != nullptr) {
            *dir = part.DonkeyDir();
        }
        return found;
    }

    MemorySettingsStore settings;
    FakePrompts prompts;
    FakeClassRegistration classes;
    FakeBusyOwner owner;
    language::LanguageTable language;
};

TEST_F(TPartInfoTest, StoredFolderIsUsedWithoutDialog) {
    const struct {
        QString stored;
        QString expected;
    } cases[] = {
        {QStringLiteral(R"(C:\eDonkey\)"), QStringLiteral(R"(C:\eDonkey\)")},
        {QStringLiteral(R"("C:\eDonkey\")"), QStringLiteral(R"(C:\eDonkey\)")},
        // The directory part drops the last component of a folder stored without separator.
        {QStringLiteral(R"(C:\eDonkey)"), QStringLiteral(R"(C:\)")},
        {QStringLiteral(R"(C:\)"), QStringLiteral(R"(C:\)")},
        {QStringLiteral("/home/u/client/"), QStringLiteral("/home/u/client/")},
        {QStringLiteral("/home/u/client"), QStringLiteral("/home/u/")},
        {QStringLiteral("/"), QStringLiteral("/")},
    };
    for (const auto& c : cases) {
        settings.Values()[QStringLiteral("PathDonkey")] = c.stored;
        QString dir;
        EXPECT_TRUE(Find(&dir)) << c.stored.toStdString();
        EXPECT_EQ(dir, c.expected) << c.stored.toStdString();
        EXPECT_EQ(Stored(QStringLiteral("PathDonkey")), c.stored);
    }
    EXPECT_TRUE(prompts.folderCalls.empty());
    EXPECT_TRUE(classes.askedFor.isEmpty());
}

TEST_F(TPartInfoTest, AbsentPathIsStoredEmptyBeforeTheDialogAndCancelAsksAgain) {
    QString storedWhileAsking;
    prompts.onChooseFolder = [&] { storedWhileAsking = Stored(QStringLiteral("PathDonkey")); };

    QString dir = QStringLiteral("junk");
    EXPECT_FALSE(Find(&dir));
    EXPECT_TRUE(dir.isEmpty());
    EXPECT_EQ(storedWhileAsking, QString());
    ASSERT_EQ(prompts.folderCalls.size(), 1U);
    EXPECT_EQ(prompts.folderCalls[0].title, QStringLiteral("text 13"));
    // One error box with its single OK, owned by no window.
    ASSERT_EQ(prompts.messages.size(), 1U);
    EXPECT_EQ(prompts.messages[0].text, QStringLiteral("text 14"));
    EXPECT_EQ(prompts.messages[0].caption, QStringLiteral("text 15"));
    EXPECT_FALSE(prompts.messages[0].ownedByMainWindow);
    EXPECT_EQ(Stored(QStringLiteral("PathDonkey")), QString());

    EXPECT_FALSE(Find());
    EXPECT_EQ(prompts.folderCalls.size(), 2U);
    EXPECT_EQ(prompts.messages.size(), 2U);
}

TEST_F(TPartInfoTest, ChosenFolderGetsASeparatorAndIsStored) {
    const struct {
        QString chosen;
        QString expected;
    } cases[] = {
        {QStringLiteral("/srv/client"), QStringLiteral("/srv/client/")},
        {QStringLiteral("/srv/client/"), QStringLiteral("/srv/client/")},
        {QStringLiteral("/"), QStringLiteral("/")},
    };
    for (const auto& c : cases) {
        settings.Values().clear();
        prompts.folderAnswer = c.chosen;
        QString dir;
        EXPECT_TRUE(Find(&dir));
        EXPECT_EQ(dir, c.expected);
        EXPECT_EQ(Stored(QStringLiteral("PathDonkey")), c.expected);
    }
    // The stored choice answers the next call without a dialog.
    const std::size_t dialogs = prompts.folderCalls.size();
    prompts.folderAnswer.reset();
    QString dir;
    EXPECT_TRUE(Find(&dir));
    EXPECT_EQ(dir, QStringLiteral("/"));
    EXPECT_EQ(prompts.folderCalls.size(), dialogs);
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(TPartInfoTest, DialogStartsAtTheFolderOfTheRegisteredProgram) {
    const struct {
        std::optional<QString> icon;
        QString startFolder;
    } cases[] = {
        {std::nullopt, QString()},
        {QStringLiteral(R"(C:\Program Files\eDonkey2000\eDonkey2000.exe,0)"),
         QStringLiteral(R"(C:\Program Files\eDonkey2000)")},
        {QStringLiteral(R"("C:\Program Files\eDonkey2000\eDonkey2000.exe",0)"),
         QStringLiteral(R"(C:\Program Files\eDonkey2000)")},
        {QStringLiteral("/home/u/.wine/drive_c/Program Files/eDonkey2000/eDonkey2000.exe,0"),
         QStringLiteral("/home/u/.wine/drive_c/Program Files/eDonkey2000")},
        {QStringLiteral("/usr/bin/client"), QStringLiteral("/usr/bin")},
        {QStringLiteral("eDonkey2000.exe,0"), QString()},
    };
    for (const auto& c : cases) {
        classes.defaultIcon = c.icon;
        prompts.folderCalls.clear();
        EXPECT_FALSE(Find());
        ASSERT_EQ(prompts.folderCalls.size(), 1U);
        EXPECT_EQ(prompts.folderCalls[0].startFolder, c.startFolder);
    }
    EXPECT_EQ(classes.askedFor, QStringLiteral("ed2k"));
}

TEST_F(TPartInfoTest, SettingsFailuresOnlySkipTheStoredValue) {
    // The store cannot be opened: the user is asked and the answer is used, though not kept.
    settings.SetFailOpen(true);
    prompts.folderAnswer = QStringLiteral("/srv/client");
    QString dir;
    EXPECT_TRUE(Find(&dir));
    EXPECT_EQ(dir, QStringLiteral("/srv/client/"));
    EXPECT_TRUE(settings.Values().isEmpty());

    // A value of the wrong type fails to read: the user is asked and the choice replaces it.
    settings.SetFailOpen(false);
    settings.Values()[QStringLiteral("PathDonkey")] = std::int32_t{7};
    EXPECT_TRUE(Find(&dir));
    EXPECT_EQ(prompts.folderCalls.size(), 2U);
    EXPECT_EQ(Stored(QStringLiteral("PathDonkey")), QStringLiteral("/srv/client/"));
}

TEST_F(TPartInfoTest, BusyCursorIsRestoredOnEveryPath) {
    settings.Values()[QStringLiteral("PathDonkey")] = QStringLiteral(R"(C:\eDonkey\)");
    Find();
    EXPECT_EQ(owner.calls, (std::vector<bool>{true, false}));

    owner.calls.clear();
    settings.Values().clear();
    Find();  // cancelled: the early return
    EXPECT_EQ(owner.calls, (std::vector<bool>{true, false}));

    // A language file without text 13 makes the look-up fail with an index error.
    owner.calls.clear();
    settings.Values().clear();
    language.Reset();
    EXPECT_THROW(Find(), std::out_of_range);
    EXPECT_EQ(owner.calls, (std::vector<bool>{true, false}));
}

TEST_F(TPartInfoTest, ResetForgetsTheFolderAndStoresTheVersion) {
    settings.Values()[QStringLiteral("PathDonkey")] = QStringLiteral(R"(C:\eDonkey\)");
    settings.Values()[QStringLiteral("Langage")] = QStringLiteral("francais.lng");
    {
        TPartInfo part(owner, Deps());
        EXPECT_TRUE(part.ResetDonkeyPath());
    }
    EXPECT_EQ(Stored(QStringLiteral("PathDonkey")), QStringLiteral("<absent>"));
    EXPECT_EQ(Stored(QStringLiteral("Version")), QStringLiteral("0.2.1.0"));
    EXPECT_EQ(Stored(QStringLiteral("Langage")), QStringLiteral("francais.lng"));

    settings.SetFailOpen(true);
    TPartInfo part(owner, Deps());
    EXPECT_TRUE(part.ResetDonkeyPath());
}

TEST_F(TPartInfoTest, ServerMetPathJoinsTheFolderOrFallsBackToTheBareName) {
    settings.Values()[QStringLiteral("PathDonkey")] = QStringLiteral("/srv/client/");
    EXPECT_EQ(ServerMetPath(owner, Deps()), QStringLiteral("/srv/client/server.met"));
    settings.Values()[QStringLiteral("PathDonkey")] = QStringLiteral(R"(C:\eDonkey\)");
    EXPECT_EQ(ServerMetPath(owner, Deps()), QStringLiteral(R"(C:\eDonkey\server.met)"));
    settings.Values().clear();
    EXPECT_EQ(ServerMetPath(owner, Deps()), QStringLiteral("server.met"));
    EXPECT_EQ(owner.calls, (std::vector<bool>{true, false, true, false, true, false}));
}

TEST_F(TPartInfoTest, UpgradeStepResetsOnFirstStartAndOnAnOldVersion) {
    // First start: no Version at all.
    app::SettingsUpgradeStep(owner, Deps());
    EXPECT_EQ(settings.Deletions(), QStringList{QStringLiteral("PathDonkey")});
    EXPECT_EQ(Stored(QStringLiteral("Version")), QStringLiteral("0.2.1.0"));
    EXPECT_EQ(owner.calls, (std::vector<bool>{true, false}));

    // Same version again: nothing happens.
    settings.Values()[QStringLiteral("PathDonkey")] = QStringLiteral(R"(C:\eDonkey\)");
    app::SettingsUpgradeStep(owner, Deps());
    EXPECT_EQ(settings.Deletions().size(), 1);
    EXPECT_EQ(owner.calls.size(), 2U);

    // An older version forgets the stored folder.
    settings.Values()[QStringLiteral("Version")] = QStringLiteral("0.2.0.9");
    app::SettingsUpgradeStep(owner, Deps());
    EXPECT_EQ(Stored(QStringLiteral("PathDonkey")), QStringLiteral("<absent>"));
    EXPECT_EQ(Stored(QStringLiteral("Version")), QStringLiteral("0.2.1.0"));
    EXPECT_TRUE(prompts.folderCalls.empty());
}

TEST_F(TPartInfoTest, UpgradeStepStopsSilentlyOnSettingsErrors) {
    settings.SetFailOpen(true);
    app::SettingsUpgradeStep(owner, Deps());
    EXPECT_TRUE(owner.calls.empty());

    // A Version of the wrong type cannot be read: the step ends before the reset.
    settings.SetFailOpen(false);
    settings.Values()[QStringLiteral("Version")] = std::int32_t{2};
    settings.Values()[QStringLiteral("PathDonkey")] = QStringLiteral(R"(C:\eDonkey\)");
    app::SettingsUpgradeStep(owner, Deps());
    EXPECT_TRUE(settings.Deletions().isEmpty());
    EXPECT_EQ(Stored(QStringLiteral("PathDonkey")), QStringLiteral(R"(C:\eDonkey\)"));
}

}  // namespace
}  // namespace hublane::clients
