// One copy per key: a second start on the same key is refused and the first is asked to show
// itself; other keys run side by side; a lock left by a dead copy does not block the next start.
#include "platform/SingleCopy.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QSysInfo>
#include <QTemporaryDir>

#include "support/TestSupport.h"

namespace hublane::platform {
namespace {

TEST(SingleCopyTest, TheKeyFollowsTheSettingsFileAndTheAddress) {
    const QString base = SingleCopy::KeyFor(QStringLiteral("/home/a/.config/Orvandels/Hublane.reg"), {});
    EXPECT_EQ(base,
              SingleCopy::KeyFor(QStringLiteral("/home/a/.config/Orvandels/../Orvandels/Hublane.reg"), {}));
    EXPECT_NE(base, SingleCopy::KeyFor(QStringLiteral("/home/b/.config/Orvandels/Hublane.reg"), {}));
    EXPECT_NE(base, SingleCopy::KeyFor(QStringLiteral("/home/a/.config/Orvandels/Hublane.reg"),
                                       QStringLiteral("127.0.0.2")));
    EXPECT_NE(SingleCopy::KeyFor(QStringLiteral("/x"), QStringLiteral("127.0.0.2")),
              SingleCopy::KeyFor(QStringLiteral("/x"), QStringLiteral("127.0.0.3")));
}

TEST(SingleCopyTest, ASecondStartOnTheSameKeyIsRefusedAndTheFirstShowsItself) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    SingleCopy first(QStringLiteral("same"), folder.path());
    ASSERT_TRUE(first.TryStart());
    int shown = 0;
    QObject::connect(&first, &SingleCopy::ShowRequested, &first, [&shown] { ++shown; });

    SingleCopy second(QStringLiteral("same"), folder.path());
    EXPECT_FALSE(second.TryStart());
    EXPECT_TRUE(test::WaitFor([&shown] { return shown > 0; }, 5000));
    EXPECT_EQ(shown, 1);

    // Another key in the same folder, or the same key in another folder, runs beside it.
    SingleCopy otherKey(QStringLiteral("other"), folder.path());
    EXPECT_TRUE(otherKey.TryStart());
    QTemporaryDir otherFolder;
    ASSERT_TRUE(otherFolder.isValid());
    SingleCopy otherPlace(QStringLiteral("same"), otherFolder.path());
    EXPECT_TRUE(otherPlace.TryStart());
}

TEST(SingleCopyTest, AFinishedOrDeadCopyLeavesTheKeyFree) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    {
        SingleCopy gone(QStringLiteral("k"), folder.path());
        ASSERT_TRUE(gone.TryStart());
    }
    {
        SingleCopy next(QStringLiteral("k"), folder.path());
        EXPECT_TRUE(next.TryStart());
    }
    // A copy that was killed leaves its lock and socket files behind, naming a process gone.
    QFile lock(folder.filePath(QStringLiteral("hublane-k.lock")));
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    lock.write("2147483646\nhublane\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    lock.close();
    QFile socketLeft(folder.filePath(QStringLiteral("hublane-k.sock")));
    ASSERT_TRUE(socketLeft.open(QIODevice::WriteOnly));
    socketLeft.close();
    SingleCopy after(QStringLiteral("k"), folder.path());
    EXPECT_TRUE(after.TryStart());
    int shown = 0;
    QObject::connect(&after, &SingleCopy::ShowRequested, &after, [&shown] { ++shown; });
    SingleCopy refused(QStringLiteral("k"), folder.path());
    EXPECT_FALSE(refused.TryStart());
    EXPECT_TRUE(test::WaitFor([&shown] { return shown > 0; }, 5000));
}

}  // namespace
}  // namespace hublane::platform
