// Wine prefixes on disk: which folders are prefixes, which prefix holds a path, and the
// architecture a prefix was made for.
#include "platform/WinePrefix.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QTemporaryDir>

#include "support/TestSupport.h"

namespace hublane::platform {
namespace {

QString MakePrefix(const QTemporaryDir& dir, const QString& name, const QByteArray& systemReg) {
    const QString prefix = dir.filePath(name);
    QDir().mkpath(prefix + QStringLiteral("/drive_c/Program Files/Client"));
    test::WriteWholeFile(prefix + QStringLiteral("/system.reg"), systemReg);
    return prefix;
}

TEST(WinePrefixTest, FindsThePrefixAtOrAboveAPath) {
    QTemporaryDir dir;
    const QString prefix = MakePrefix(dir, QStringLiteral("pfx"), "WINE REGISTRY Version 2\n");
    QDir().mkpath(dir.filePath(QStringLiteral("plain/sub")));
    struct Case {
        QString path;
        QString prefix;
    };
    const std::vector<Case> cases = {
        {prefix, prefix},
        {prefix + QStringLiteral("/drive_c/Program Files/Client/"), prefix},
        {prefix + QStringLiteral("/drive_c/Program Files/Client/client.exe,0"), prefix},
        {prefix + QStringLiteral("/drive_c/../drive_c/Program Files"), prefix},
        {dir.filePath(QStringLiteral("plain/sub")), QString()},
        {QStringLiteral("C:\\Program Files\\Client\\"), QString()},
        {QStringLiteral("relative/pfx"), QString()},
        {QString(), QString()},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PrefixHolding(c.path), c.prefix) << c.path.toStdString();
    }
    EXPECT_TRUE(IsWinePrefix(prefix));
    EXPECT_FALSE(IsWinePrefix(dir.filePath(QStringLiteral("plain"))));
    EXPECT_FALSE(IsWinePrefix(QString()));
}

TEST(WinePrefixTest, ReadsTheArchitectureLine) {
    QTemporaryDir dir;
    struct Case {
        QByteArray text;
        WineArch arch;
    };
    const std::vector<Case> cases = {
        {"WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win64\n\n[Key] 1\n",
         WineArch::Win64},
        {"WINE REGISTRY Version 2\r\n#arch=win32\r\n", WineArch::Win32},
        {"WINE REGISTRY Version 2\n\n[Key] 1\n#arch=win32\n", WineArch::Unknown},
        {"WINE REGISTRY Version 2\n#arch=arm64\n", WineArch::Unknown},
        {"", WineArch::Unknown},
    };
    int n = 0;
    for (const Case& c : cases) {
        const QString prefix = MakePrefix(dir, QStringLiteral("p%1").arg(++n), c.text);
        EXPECT_EQ(PrefixArch(prefix), c.arch) << c.text.toStdString();
    }
    EXPECT_EQ(PrefixArch(dir.filePath(QStringLiteral("none"))), WineArch::Unknown);
}

}  // namespace
}  // namespace hublane::platform
