// Whole-file reads that refuse what is not a plain file, and writes that replace a file whole.
#include "platform/FileBytes.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <QDir>
#include <QTemporaryDir>

#include "support/TestSupport.h"

namespace hublane::platform {
namespace {

class FileBytesTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString Path(const char* name) const { return m_dir.filePath(QLatin1String(name)); }
    QTemporaryDir m_dir;
};

TEST_F(FileBytesTest, ReadsAPlainFileUpToItsLimit) {
    test::WriteWholeFile(Path("a"), QByteArray("0123456789"));
    EXPECT_EQ(ReadRegularFile(Path("a"), 10), QByteArray("0123456789"));
    EXPECT_EQ(ReadRegularFile(Path("a"), 9), std::nullopt);
    test::WriteWholeFile(Path("empty"), QByteArray());
    EXPECT_EQ(ReadRegularFile(Path("empty"), 10), QByteArray());
}

TEST_F(FileBytesTest, RefusesWhatIsNotAPlainFile) {
    EXPECT_EQ(ReadRegularFile(Path("missing"), 100), std::nullopt);
    EXPECT_EQ(ReadRegularFile(m_dir.path(), 100), std::nullopt);
    EXPECT_EQ(ReadRegularFile(QString(), 100), std::nullopt);
    // A pipe with no writer would block a reader for ever.
    ASSERT_EQ(mkfifo(Path("pipe").toLocal8Bit().constData(), 0600), 0);
    EXPECT_EQ(ReadRegularFile(Path("pipe"), 100), std::nullopt);
}

TEST_F(FileBytesTest, WriteReplacesTheFileWholeOrNotAtAll) {
    test::WriteWholeFile(Path("f"), QByteArray("old"));
    EXPECT_TRUE(WriteFileAtomically(Path("f"), "new content"));
    EXPECT_EQ(test::ReadWholeFile(Path("f")), QByteArray("new content"));

    QString error;
    EXPECT_FALSE(WriteFileAtomically(Path("no/such/folder/f"), "x", &error));
    EXPECT_FALSE(error.isEmpty());
    // A folder where the file should be: nothing is replaced.
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("d")));
    EXPECT_FALSE(WriteFileAtomically(Path("d"), "x"));
    EXPECT_TRUE(QFileInfo(Path("d")).isDir());
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("f")});
}

}  // namespace
}  // namespace hublane::platform
