// The Windows profile's system calls on Wine: a user's DWORD values below HKEY_CURRENT_USER
// (read back, or nothing for every other kind of value) and the shell's known folders.
#include "platform/KnownFoldersWin.h"
#include "platform/RegistryKeyWin.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cwchar>
#include <cwctype>
#include <string>

#include "RawRegistry.h"

namespace hublane::platform {
namespace {

using test::KeyExists;
using test::RemoveTree;

const std::wstring kTestKey = L"Software\\HublaneProfileTest";

void SetRaw(const wchar_t* name, DWORD type, const void* data, DWORD bytes) {
    test::SetRaw(HKEY_CURRENT_USER, kTestKey.c_str(), name, type, data, bytes);
}

class UserDwordTest : public ::testing::Test {
  protected:
    void SetUp() override { RemoveTree(HKEY_CURRENT_USER, kTestKey.c_str()); }
    void TearDown() override {
        RemoveTree(HKEY_CURRENT_USER, kTestKey.c_str());
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kTestKey.c_str()));
    }
};

TEST_F(UserDwordTest, ReadsBackEveryValueBesideTheOthers) {
    struct Case {
        const wchar_t* name;
        DWORD value;
    };
    const Case cases[] = {{L"Zero", 0}, {L"One", 1}, {L"Two", 2}, {L"AllBits", 0xFFFFFFFF}};
    for (const Case& c : cases) {
        SetRaw(c.name, REG_DWORD, &c.value, sizeof c.value);
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ReadUserDwordWin(kTestKey, c.name), std::optional<std::uint32_t>(c.value));
    }
}

TEST_F(UserDwordTest, AnythingButAFourByteDwordIsNothing) {
    const DWORD one = 1;
    const WORD half = 1;
    const std::uint64_t wide = 1;
    SetRaw(L"Dword", REG_DWORD, &one, sizeof one);
    SetRaw(L"Text", REG_SZ, L"1", 2 * sizeof(wchar_t));
    SetRaw(L"Binary", REG_BINARY, &one, sizeof one);
    SetRaw(L"Qword", REG_QWORD, &wide, sizeof wide);
    SetRaw(L"Short", REG_DWORD, &half, sizeof half);
    const std::wstring missingKey = kTestKey + L"\\Missing";
    struct Case {
        const char* what;
        std::wstring key;
        std::wstring name;
    };
    const Case cases[] = {
        {"a string", kTestKey, L"Text"},
        {"four binary bytes", kTestKey, L"Binary"},
        {"a QWORD", kTestKey, L"Qword"},
        {"a DWORD of two bytes", kTestKey, L"Short"},
        {"a missing value", kTestKey, L"Missing"},
        {"a missing key", missingKey, L"Dword"},
        {"a name with a zero", kTestKey, std::wstring(L"Dword\0x", 7)},
        {"a key path with a zero", kTestKey + std::wstring(L"\0x", 2), L"Dword"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ReadUserDwordWin(c.key, c.name), std::optional<std::uint32_t>());
    }
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, missingKey.c_str()));
    EXPECT_EQ(ReadUserDwordWin(kTestKey, L"Dword"), std::optional<std::uint32_t>(1));
}

TEST(KnownFoldersWinTest, AreExistingAbsoluteFoldersOfTheirOwn) {
    struct Case {
        const char* name;
        KnownFolderWin folder;
    };
    const Case cases[] = {{"LocalAppData", KnownFolderWin::LocalAppData},
                          {"ProgramData", KnownFolderWin::ProgramData}};
    std::wstring paths[2];
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(cases[i].name);
        const std::wstring& path = paths[i] = KnownFolderPathWin(cases[i].folder);
        ASSERT_GE(path.size(), 3U);
        EXPECT_TRUE(std::iswalpha(path[0]) && path.compare(1, 2, L":\\") == 0) << path.c_str();
        const DWORD attributes = GetFileAttributesW(path.c_str());
        ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES) << path.c_str();
        EXPECT_NE(attributes & FILE_ATTRIBUTE_DIRECTORY, 0U) << path.c_str();
    }
    EXPECT_NE(_wcsicmp(paths[0].c_str(), paths[1].c_str()), 0);
}

}  // namespace
}  // namespace hublane::platform
