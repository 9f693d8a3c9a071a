// The registry tests' own way into the registry, beside the code under test: raw values of any
// type written, keys looked for and removed.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <gtest/gtest.h>

namespace hublane::test {

// Writes a raw value (the key created when missing).
inline void SetRaw(HKEY root, const wchar_t* path, const wchar_t* name, DWORD type, const void* data,
                   DWORD bytes) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const LONG rc = RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), bytes);
    RegCloseKey(key);
    ASSERT_EQ(rc, ERROR_SUCCESS);
}

inline bool KeyExists(HKEY root, const wchar_t* path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

// Removes a key with its values and subkeys.
inline void RemoveTree(HKEY root, const wchar_t* path) {
    RegDeleteTreeW(root, path);
    RegDeleteKeyW(root, path);
}

}  // namespace hublane::test
