// Loading the language file: the settings value, the look-up, the dialogs and the end requests.
#include "language/Language.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <deque>

#include "language/LanguageTable.h"
#include "language/PeWriter.h"
#include "platform/MemorySettingsStore.h"
#include "platform/UserPrompts.h"
#include "support/Fakes.h"
#include "support/TestSupport.h"

namespace hublane::language {
namespace {

using platform::MemorySettingsStore;
using test::FakePrompts;

const QString kMissing = QStringLiteral("Le fichier de langage (*.lng), n'existe pas !");
const QString kDamaged = QStringLiteral("Le fichier de langage (*.lng), contient une erreur !");

class LanguageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_prompts.failWhenOpenUnanswered = true;
        ASSERT_TRUE(m_programDir.isValid());
        ASSERT_TRUE(m_otherDir.isValid());
    }

    /// Writes a language file with texts "<prefix> N" for the given numbers.
    QString WriteLanguageFile(const QString& path, std::initializer_list<std::uint16_t> ids,
                              const std::string& prefix = "texte") {
        language::StringTable table;
        for (auto id : ids)
            table[id] = prefix + " " + std::to_string(id);
        const auto image = language::WriteStringTableDll(table);
        test::WriteWholeFile(path, QByteArray(image->data(), static_cast<qsizetype>(image->size())));
        return path;
    }
    QString InProgramDir(const QString& name) const { return m_programDir.filePath(name); }

    LanguageLoader Loader() {
        return LanguageLoader(
            m_store, m_prompts, m_texts, [this] { ++m_quits; }, m_programDir.path());
    }
    QString Langage() {
        const auto it = m_store.Values().constFind(QStringLiteral("Langage"));
        return it == m_store.Values().constEnd() ? QStringLiteral("<absent>") : std::get<QString>(*it);
    }

    QTemporaryDir m_programDir;
    QTemporaryDir m_otherDir;
    MemorySettingsStore m_store;
    FakePrompts m_prompts;
    language::LanguageTable m_texts;
    int m_quits = 0;
};

TEST_F(LanguageTest, FirstStartStoresAndLoadsTheDefaultFileFromTheProgramFolder) {
    WriteLanguageFile(InProgramDir(QStringLiteral("francais.lng")),
                      {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15});
    auto loader = Loader();
    EXPECT_TRUE(loader.LoadLanguage());
    EXPECT_EQ(Langage(), QStringLiteral("francais.lng"));
    EXPECT_EQ(m_texts.Count(), 15);
    EXPECT_EQ(m_texts.LangText(0), QString());
    EXPECT_EQ(m_texts.LangText(15), QStringLiteral("texte 15"));
    EXPECT_EQ(loader.OpenDialogFilter(), QStringLiteral("texte 1|*.lng"));
    EXPECT_EQ(loader.VersionLabel(), QStringLiteral("Orvandels - v 0.2.1.0"));
    EXPECT_TRUE(m_prompts.messages.empty());
    EXPECT_EQ(m_quits, 0);
}

TEST_F(LanguageTest, TextsStopAtTheFirstGapOrEmptyText) {
    WriteLanguageFile(InProgramDir(QStringLiteral("trou.lng")), {1, 2, 3, 4, 5, 6, 7, 8, 9, 13, 14, 15});
    m_store.Values()[QStringLiteral("Langage")] = QStringLiteral("trou.lng");
    EXPECT_TRUE(Loader().LoadLanguage());
    EXPECT_EQ(m_texts.Count(), 9);
    EXPECT_THROW(m_texts.LangText(13), std::out_of_range);
}

TEST_F(LanguageTest, MissingFileThenCancelledDialogEndsTheProgram) {
    m_store.Values()[QStringLiteral("Langage")] = QStringLiteral("absent.lng");
    m_prompts.openAnswers = {std::nullopt};
    auto loader = Loader();
    EXPECT_FALSE(loader.LoadLanguage());
    EXPECT_EQ(m_prompts.MessageTexts(), (QStringList{kMissing, kMissing}));
    for (const auto& m : m_prompts.messages) {
        EXPECT_EQ(m.caption, QStringLiteral("Erreur"));
        EXPECT_TRUE(m.ownedByMainWindow);
    }
    EXPECT_EQ(m_prompts.openFilters, QStringList{QStringLiteral("Fichier de language de Hublane|*.lng")});
    EXPECT_EQ(Langage(), QStringLiteral("<absent>"));
    EXPECT_EQ(m_quits, 1);
    EXPECT_TRUE(loader.QuitRequested());
    EXPECT_EQ(loader.FileName(), QStringLiteral("francais.lng"));
}

TEST_F(LanguageTest, ChosenFileIsStoredAndLoaded) {
    m_store.Values()[QStringLiteral("Langage")] = QStringLiteral("absent.lng");
    const QString chosen =
        WriteLanguageFile(m_otherDir.filePath(QStringLiteral("autre.lng")), {1, 2}, "autre");
    m_prompts.openAnswers = {chosen};
    auto loader = Loader();
    EXPECT_TRUE(loader.LoadLanguage());
    EXPECT_EQ(m_prompts.MessageTexts(), QStringList{kMissing});
    EXPECT_EQ(Langage(), chosen);
    EXPECT_EQ(loader.FileName(), chosen);
    EXPECT_EQ(m_texts.LangText(2), QStringLiteral("autre 2"));
    EXPECT_EQ(loader.OpenDialogFilter(), QStringLiteral("autre 1|*.lng"));
    EXPECT_EQ(m_quits, 0);
}

TEST_F(LanguageTest, ChoosingUnloadableFilesRepeatsUntilCancelled) {
    m_store.Values()[QStringLiteral("Langage")] = QStringLiteral("absent.lng");
    const QString notPe = m_otherDir.filePath(QStringLiteral("faux.lng"));
    test::WriteWholeFile(notPe, "MZ but nothing else");
    m_prompts.openAnswers = {notPe, m_otherDir.filePath(QStringLiteral("gone.lng")), std::nullopt};
    auto loader = Loader();
    EXPECT_FALSE(loader.LoadLanguage());
    // One message per failed load and one for the cancel; none after the end was requested.
    EXPECT_EQ(m_prompts.MessageTexts(), (QStringList{kMissing, kMissing, kMissing, kMissing}));
    EXPECT_EQ(m_prompts.openFilters.size(), 3);
    EXPECT_EQ(Langage(), QStringLiteral("<absent>"));
    EXPECT_EQ(m_quits, 1);
}

TEST_F(LanguageTest, FileWithoutTextOneIsAnError) {
    WriteLanguageFile(InProgramDir(QStringLiteral("francais.lng")), {2, 3, 4});
    auto loader = Loader();
    EXPECT_FALSE(loader.LoadLanguage());
    ASSERT_EQ(m_prompts.messages.size(), 1u);
    EXPECT_EQ(m_prompts.messages[0].text, kDamaged);
    EXPECT_EQ(m_prompts.messages[0].caption, QStringLiteral("Erreur"));
    EXPECT_FALSE(m_prompts.messages[0].ownedByMainWindow);
    EXPECT_EQ(m_quits, 1);
    EXPECT_EQ(Langage(), QStringLiteral("francais.lng")) << "the setting stays";
    EXPECT_EQ(loader.OpenDialogFilter(), QStringLiteral("Fichier de language de Hublane|*.lng"));
}

TEST_F(LanguageTest, BareNameIsLookedUpInTheProgramFolderThenTheCurrentFolder) {
    const QString saved = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(m_otherDir.path()));
    WriteLanguageFile(m_otherDir.filePath(QStringLiteral("francais.lng")), {1}, "courant");
    EXPECT_TRUE(Loader().LoadLanguage());
    EXPECT_EQ(m_texts.LangText(1), QStringLiteral("courant 1"));

    WriteLanguageFile(InProgramDir(QStringLiteral("francais.lng")), {1}, "programme");
    EXPECT_TRUE(Loader().LoadLanguage());
    EXPECT_EQ(m_texts.LangText(1), QStringLiteral("programme 1"));
    QDir::setCurrent(saved);
}

TEST_F(LanguageTest, InstalledProgramFindsItsLanguageFileInTheSharedFolder) {
    // An installed layout: <prefix>/bin/hublane and <prefix>/share/hublane/francais.lng.
    const QDir prefix(m_otherDir.path());
    ASSERT_TRUE(prefix.mkpath(QStringLiteral("bin")));
    ASSERT_TRUE(prefix.mkpath(QStringLiteral("share/hublane")));
    const QString shared = prefix.filePath(QStringLiteral("share/hublane/francais.lng"));
    WriteLanguageFile(shared, {1}, "partage");
    const QString bin = prefix.filePath(QStringLiteral("bin"));
    EXPECT_EQ(QFileInfo(FindLanguageFile(QStringLiteral("francais.lng"), bin)).canonicalFilePath(),
              QFileInfo(shared).canonicalFilePath());
    // A copy beside the program still comes first.
    WriteLanguageFile(QDir(bin).filePath(QStringLiteral("francais.lng")), {1}, "programme");
    EXPECT_EQ(FindLanguageFile(QStringLiteral("francais.lng"), bin),
              QDir(bin).filePath(QStringLiteral("francais.lng")));
}

TEST_F(LanguageTest, StoreTroubleKeepsTheDefaultName) {
    WriteLanguageFile(InProgramDir(QStringLiteral("francais.lng")), {1});
    m_store.SetFailOpen(true);
    EXPECT_TRUE(Loader().LoadLanguage());
    EXPECT_EQ(m_texts.LangText(1), QStringLiteral("texte 1"));

    // A Langage of another type is a registry error: it is neither used nor replaced.
    m_store.SetFailOpen(false);
    m_store.Values()[QStringLiteral("Langage")] = 5;
    EXPECT_TRUE(Loader().LoadLanguage());
    EXPECT_EQ(m_store.Values().value(QStringLiteral("Langage")), MemorySettingsStore::Value(5));
    EXPECT_TRUE(m_prompts.messages.empty());
}

}  // namespace
}  // namespace hublane::language
