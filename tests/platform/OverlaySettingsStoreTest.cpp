// The overlay the command-line cycle runs on: the user's settings read, never written, but for
// the values named as lasting.
#include "platform/OverlaySettingsStore.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/MemorySettingsStore.h"

namespace hublane::platform {
namespace {

std::string Read(SettingsStore& store, const char* name) {
    QString value;
    const auto key = store.Open();
    const QString text = QString::fromLatin1(name);
    return key->ValueExists(text) && key->ReadString(text, value) ? value.toStdString() : "(absent)";
}

TEST(OverlaySettingsStoreTest, OnlyLastingValuesReachTheStoreBeneath) {
    MemorySettingsStore user;
    user.Open()->WriteString(QStringLiteral("Kept"), QStringLiteral("old"));
    user.Open()->WriteString(QStringLiteral("Run"), QStringLiteral("stored"));
    OverlaySettingsStore overlay(user);
    overlay.Lasting(QStringLiteral("Kept"));

    overlay.Open()->WriteString(QStringLiteral("Run"), QStringLiteral("this run"));
    overlay.Open()->WriteString(QStringLiteral("Kept"), QStringLiteral("new"));
    EXPECT_EQ(Read(overlay, "Run"), "this run");
    EXPECT_EQ(Read(user, "Run"), "stored");
    EXPECT_EQ(Read(overlay, "Kept"), "new");
    EXPECT_EQ(Read(user, "Kept"), "new");

    overlay.Open()->DeleteValue(QStringLiteral("Run"));
    overlay.Open()->DeleteValue(QStringLiteral("Kept"));
    EXPECT_EQ(Read(user, "Run"), "stored");
    EXPECT_EQ(Read(user, "Kept"), "(absent)");
    EXPECT_EQ(Read(overlay, "Kept"), "(absent)");
}

}  // namespace
}  // namespace hublane::platform
