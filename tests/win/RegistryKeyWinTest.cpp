// The registry backend on Wine's registry: the settings key HKCU\Software\Orvandels\Hublane
// (strings, integers, absent values, values of the other type) and the class registration read
// from HKEY_CLASSES_ROOT.
#include "platform/RegistryKeyWin.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <gtest/gtest.h>

#include "RawRegistry.h"

namespace hublane::platform {
namespace {

using test::KeyExists;
using test::RemoveTree;
using test::SetRaw;

const wchar_t* const kClassKey = L"hublane-test-scheme";

class RegistryKeyWinTest : public ::testing::Test {
  protected:
    void SetUp() override {
        RemoveTree(HKEY_CURRENT_USER, L"Software\\Orvandels");
        RemoveTree(HKEY_CLASSES_ROOT, kClassKey);
    }
    void TearDown() override { SetUp(); }
};

TEST_F(RegistryKeyWinTest, OpeningCreatesTheKeyOfTheCurrentUser) {
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kSettingsKeyPath));
    ASSERT_NE(RegistryKeyWin::OpenSettingsKey(), nullptr);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kSettingsKeyPath));
}

TEST_F(RegistryKeyWinTest, ValuesLastAcrossOpenings) {
    {
        auto key = RegistryKeyWin::OpenSettingsKey();
        ASSERT_NE(key, nullptr);
        EXPECT_TRUE(key->WriteString(L"PathDonkey", L"C:\\Program Files\\\x00e9Donkey\\"));
        EXPECT_TRUE(key->WriteInteger(L"Timeout", 2));
        EXPECT_TRUE(key->WriteInteger(L"Negative", -5));
        EXPECT_TRUE(key->WriteString(L"Empty", L""));
    }
    auto key = RegistryKeyWin::OpenSettingsKey();
    ASSERT_NE(key, nullptr);
    std::wstring text;
    EXPECT_TRUE(key->ReadString(L"PathDonkey", text));
    EXPECT_EQ(text, L"C:\\Program Files\\\x00e9Donkey\\");
    EXPECT_EQ(key->ReadInteger(L"Timeout"), 2);
    EXPECT_EQ(key->ReadInteger(L"Negative"), -5);
    EXPECT_TRUE(key->ValueExists(L"Empty"));
    text = L"x";
    EXPECT_TRUE(key->ReadString(L"Empty", text));
    EXPECT_EQ(text, L"");
}

struct ReadCase {
    const char* name;
    DWORD type;
    std::wstring data;  // bytes of the value, as wide characters
    DWORD bytes;        // how many of them are stored
    bool readsAsString;
    std::wstring text;
};

class RegistryStringReads : public RegistryKeyWinTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(RegistryStringReads, FollowTheType) {
    const ReadCase& c = GetParam();
    SetRaw(HKEY_CURRENT_USER, kSettingsKeyPath, L"Value", c.type, c.data.data(), c.bytes);
    auto key = RegistryKeyWin::OpenSettingsKey();
    ASSERT_NE(key, nullptr);
    std::wstring text = L"unchanged";
    EXPECT_EQ(key->ReadString(L"Value", text), c.readsAsString);
    if (c.readsAsString) {
        EXPECT_EQ(text, c.text);
    }
    // A string is never an integer.
    if (c.type != REG_DWORD) {
        EXPECT_FALSE(key->ReadInteger(L"Value").has_value());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Types, RegistryStringReads,
    ::testing::Values(ReadCase{"WithItsZero", REG_SZ, std::wstring(L"abc\0", 4), 8, true, L"abc"},
                      ReadCase{"WithoutItsZero", REG_SZ, L"abc", 6, true, L"abc"},
                      ReadCase{"ExpandableLeftUnexpanded", REG_EXPAND_SZ, std::wstring(L"%TEMP%\\x\0", 9), 18,
                               true, L"%TEMP%\\x"},
                      ReadCase{"EndsAtItsFirstZero", REG_SZ, std::wstring(L"ab\0cd\0", 6), 12, true, L"ab"},
                      ReadCase{"IntegerIsNoString", REG_DWORD, std::wstring(L"\x0007\0", 2), 4, false, L""},
                      ReadCase{"BinaryIsNoString", REG_BINARY, L"ab", 4, false, L""}),
    [](const ::testing::TestParamInfo<ReadCase>& p) { return std::string(p.param.name); });

TEST_F(RegistryKeyWinTest, AbsentValuesReadAsEmptyStringsButNoInteger) {
    auto key = RegistryKeyWin::OpenSettingsKey();
    ASSERT_NE(key, nullptr);
    std::wstring text = L"x";
    EXPECT_TRUE(key->ReadString(L"Missing", text));
    EXPECT_EQ(text, L"");
    EXPECT_FALSE(key->ReadInteger(L"Missing").has_value());
    EXPECT_FALSE(key->ValueExists(L"Missing"));
    EXPECT_TRUE(key->DeleteValue(L"Missing"));
}

TEST_F(RegistryKeyWinTest, DeletedValueIsGone) {
    auto key = RegistryKeyWin::OpenSettingsKey();
    ASSERT_NE(key, nullptr);
    ASSERT_TRUE(key->WriteInteger(L"Count", 3));
    EXPECT_TRUE(key->DeleteValue(L"Count"));
    EXPECT_FALSE(key->ValueExists(L"Count"));
    EXPECT_FALSE(key->ReadInteger(L"Count").has_value());
}

TEST_F(RegistryKeyWinTest, ClassDefaultIconIsReadFromTheClassesRoot) {
    const std::wstring icon = L"\"C:\\Program Files\\eDonkey2000\\edonkey2000.exe\",0";
    SetRaw(HKEY_CLASSES_ROOT, L"hublane-test-scheme\\DefaultIcon", nullptr, REG_SZ, icon.c_str(),
           static_cast<DWORD>((icon.size() + 1) * sizeof(wchar_t)));
    EXPECT_EQ(ReadClassDefaultIconWin(L"hublane-test-scheme"), icon);
}

struct IconCase {
    const char* name;
    const wchar_t* createPath;  // below HKEY_CLASSES_ROOT, or nullptr
    DWORD type;
    std::wstring data;
};

class ClassIconAbsent : public RegistryKeyWinTest, public ::testing::WithParamInterface<IconCase> {};

TEST_P(ClassIconAbsent, GivesNothingAndCreatesNothing) {
    const IconCase& c = GetParam();
    if (c.createPath != nullptr) {
        SetRaw(HKEY_CLASSES_ROOT, c.createPath, nullptr, c.type, c.data.data(),
               static_cast<DWORD>(c.data.size() * sizeof(wchar_t)));
    }
    EXPECT_FALSE(ReadClassDefaultIconWin(L"hublane-test-scheme").has_value());
    if (c.createPath == nullptr) {
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"hublane-test-scheme"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ClassIconAbsent,
    ::testing::Values(IconCase{"NoClass", nullptr, REG_SZ, L""},
                      IconCase{"NoDefaultIconKey", L"hublane-test-scheme", REG_SZ, L"URL"},
                      IconCase{"DefaultValueNotAString", L"hublane-test-scheme\\DefaultIcon", REG_DWORD,
                               std::wstring(L"\x0001\0", 2)}),
    [](const ::testing::TestParamInfo<IconCase>& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace hublane::platform
