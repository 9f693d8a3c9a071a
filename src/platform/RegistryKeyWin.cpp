// The Windows registry without Qt (built for Windows only).
#include "platform/RegistryKeyWin.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace hublane::platform {
namespace {

HKEY AsKey(void* key) {
    return static_cast<HKEY>(key);
}

// Closes a key on every path.
class KeyHandle {
  public:
    KeyHandle() = default;
    ~KeyHandle() {
        if (m_key != nullptr) {
            RegCloseKey(m_key);
        }
    }
    KeyHandle(const KeyHandle&) = delete;
    KeyHandle& operator=(const KeyHandle&) = delete;
    HKEY* Out() { return &m_key; }
    HKEY Get() const { return m_key; }
    HKEY Release() {
        HKEY key = m_key;
        m_key = nullptr;
        return key;
    }

  private:
    HKEY m_key = nullptr;
};

bool IsString(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ;
}

// A string value's text. Stored strings may or may not carry their zero, and may change between
// the size query and the read: the read is retried while the value grows.
std::optional<std::wstring> QueryString(HKEY key, const wchar_t* name) {
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || !IsString(type)) {
        return std::nullopt;
    }
    for (int attempt = 0; attempt < 4; ++attempt) {
        std::wstring buffer(size / sizeof(wchar_t) + 1, L'\0');
        DWORD got = static_cast<DWORD>((buffer.size() - 1) * sizeof(wchar_t));
        const LONG rc =
            RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &got);
        if (rc == ERROR_MORE_DATA) {
            size = got;
            continue;
        }
        if (rc != ERROR_SUCCESS || !IsString(type)) {
            return std::nullopt;
        }
        buffer.resize(got / sizeof(wchar_t));
        if (const auto zero = buffer.find(L'\0'); zero != std::wstring::npos) {
            buffer.resize(zero);
        }
        return buffer;
    }
    return std::nullopt;
}

// A REG_DWORD value of exactly four bytes.
std::optional<DWORD> QueryDword(HKEY key, const wchar_t* name) {
    DWORD type = 0;
    DWORD data = 0;
    DWORD size = sizeof data;
    const LONG rc = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size);
    if (rc != ERROR_SUCCESS || type != REG_DWORD || size != sizeof data) {
        return std::nullopt;
    }
    return data;
}

bool HoldsZero(const std::wstring& text) {
    return text.find(L'\0') != std::wstring::npos;
}

}  // namespace

RegistryKeyWin::~RegistryKeyWin() {
    RegCloseKey(AsKey(m_key));
}

std::unique_ptr<RegistryKeyWin> RegistryKeyWin::OpenSettingsKey() {
    KeyHandle software;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_CREATE_SUB_KEY, software.Out()) !=
        ERROR_SUCCESS) {
        return nullptr;
    }
    KeyHandle maker;
    if (RegCreateKeyExW(software.Get(), L"Orvandels", 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_CREATE_SUB_KEY,
                        nullptr, maker.Out(), nullptr) != ERROR_SUCCESS) {
        return nullptr;
    }
    KeyHandle key;
    if (RegCreateKeyExW(maker.Get(), L"Hublane", 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, key.Out(), nullptr) != ERROR_SUCCESS) {
        return nullptr;
    }
    return std::unique_ptr<RegistryKeyWin>(new RegistryKeyWin(key.Release()));
}

bool RegistryKeyWin::ReadString(const std::wstring& name, std::wstring& value) const {
    DWORD type = 0;
    const LONG rc = RegQueryValueExW(AsKey(m_key), name.c_str(), nullptr, &type, nullptr, nullptr);
    if (rc == ERROR_FILE_NOT_FOUND) {
        value.clear();
        return true;
    }
    if (rc != ERROR_SUCCESS) {
        return false;
    }
    auto text = QueryString(AsKey(m_key), name.c_str());
    if (!text) {
        return false;
    }
    value = std::move(*text);
    return true;
}

std::optional<std::int32_t> RegistryKeyWin::ReadInteger(const std::wstring& name) const {
    const auto data = QueryDword(AsKey(m_key), name.c_str());
    if (!data) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(*data);
}

bool RegistryKeyWin::WriteString(const std::wstring& name, const std::wstring& value) {
    const auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(AsKey(m_key), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          bytes) == ERROR_SUCCESS;
}

bool RegistryKeyWin::WriteInteger(const std::wstring& name, std::int32_t value) {
    const auto data = static_cast<DWORD>(value);
    return RegSetValueExW(AsKey(m_key), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                          sizeof data) == ERROR_SUCCESS;
}

bool RegistryKeyWin::DeleteValue(const std::wstring& name) {
    const LONG rc = RegDeleteValueW(AsKey(m_key), name.c_str());
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

bool RegistryKeyWin::ValueExists(const std::wstring& name) const {
    return RegQueryValueExW(AsKey(m_key), name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

std::optional<std::wstring> ReadClassDefaultIconWin(const std::wstring& className) {
    // RegOpenKeyEx never creates a key, unlike RegCreateKeyEx.
    KeyHandle classKey;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, className.c_str(), 0, KEY_READ, classKey.Out()) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    KeyHandle iconKey;
    if (RegOpenKeyExW(classKey.Get(), L"DefaultIcon", 0, KEY_READ, iconKey.Out()) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return QueryString(iconKey.Get(), nullptr);
}

std::optional<std::uint32_t> ReadUserDwordWin(const std::wstring& keyPath, const std::wstring& name) {
    if (HoldsZero(keyPath) || HoldsZero(name)) {
        return std::nullopt;
    }
    KeyHandle key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_QUERY_VALUE, key.Out()) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    const auto data = QueryDword(key.Get(), name.c_str());
    if (!data) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(*data);
}

}  // namespace hublane::platform
