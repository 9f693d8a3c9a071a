// The settings key in the Windows registry (built on Windows only).
#include "platform/SettingsStoreWin.h"

#include <windows.h>

#include <string>

#include "platform/UserSettingsStore.h"

namespace hublane::platform {

namespace {

std::wstring Wide(const QString& s) {
    return s.toStdWString();
}

/// Owns one registry key handle.
class RegKey {
  public:
    RegKey() = default;
    explicit RegKey(HKEY key) : m_key(key) {}
    ~RegKey() {
        if (m_key != nullptr) {
            RegCloseKey(m_key);
        }
    }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    RegKey(RegKey&& other) noexcept : m_key(other.m_key) { other.m_key = nullptr; }
    HKEY Get() const { return m_key; }
    HKEY* Receive() { return &m_key; }

  private:
    HKEY m_key = nullptr;
};

class WinKey : public SettingsKey {
  public:
    explicit WinKey(RegKey key) : m_key(std::move(key)) {}

    bool ReadString(const QString& name, QString& value) override {
        const std::wstring wname = Wide(name);
        DWORD type = 0;
        DWORD size = 0;
        LONG rc = RegQueryValueExW(m_key.Get(), wname.c_str(), nullptr, &type, nullptr, &size);
        if (rc == ERROR_FILE_NOT_FOUND) {
            value.clear();
            return true;
        }
        if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
            return false;
        }
        // The value may change between the two calls: retry while it grows.
        for (int attempt = 0; attempt < 4; ++attempt) {
            std::wstring buffer(size / sizeof(wchar_t) + 1, L'\0');
            DWORD got = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
            rc = RegQueryValueExW(m_key.Get(), wname.c_str(), nullptr, &type,
                                  reinterpret_cast<BYTE*>(buffer.data()), &got);
            if (rc == ERROR_MORE_DATA) {
                size = got;
                continue;
            }
            if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
                return false;
            }
            // Stored strings may or may not carry their terminating zero.
            buffer.resize(got / sizeof(wchar_t));
            const auto zero = buffer.find(L'\0');
            if (zero != std::wstring::npos) {
                buffer.resize(zero);
            }
            value = QString::fromStdWString(buffer);
            return true;
        }
        return false;
    }

    std::optional<std::int32_t> ReadInteger(const QString& name) override {
        const std::wstring wname = Wide(name);
        DWORD type = 0;
        DWORD data = 0;
        DWORD size = sizeof data;
        const LONG rc = RegQueryValueExW(m_key.Get(), wname.c_str(), nullptr, &type,
                                         reinterpret_cast<BYTE*>(&data), &size);
        if (rc != ERROR_SUCCESS || type != REG_DWORD || size != sizeof data) {
            return std::nullopt;
        }
        return static_cast<std::int32_t>(data);
    }

    bool WriteString(const QString& name, const QString& value) override {
        const std::wstring wname = Wide(name);
        const std::wstring wvalue = Wide(value);
        const auto bytes = static_cast<DWORD>((wvalue.size() + 1) * sizeof(wchar_t));
        return RegSetValueExW(m_key.Get(), wname.c_str(), 0, REG_SZ,
                              reinterpret_cast<const BYTE*>(wvalue.c_str()), bytes) == ERROR_SUCCESS;
    }

    bool WriteInteger(const QString& name, std::int32_t value) override {
        const std::wstring wname = Wide(name);
        const auto data = static_cast<DWORD>(value);
        return RegSetValueExW(m_key.Get(), wname.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                              sizeof data) == ERROR_SUCCESS;
    }

    bool DeleteValue(const QString& name) override {
        const std::wstring wname = Wide(name);
        const LONG rc = RegDeleteValueW(m_key.Get(), wname.c_str());
        return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
    }

    bool ValueExists(const QString& name) override {
        const std::wstring wname = Wide(name);
        return RegQueryValueExW(m_key.Get(), wname.c_str(), nullptr, nullptr, nullptr, nullptr) ==
               ERROR_SUCCESS;
    }

  private:
    RegKey m_key;
};

bool CreateSubKey(HKEY parent, const wchar_t* name, REGSAM access, RegKey& out) {
    return RegCreateKeyExW(parent, name, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, out.Receive(),
                           nullptr) == ERROR_SUCCESS;
}

}  // namespace

std::unique_ptr<SettingsKey> SettingsStoreWin::Open() {
    RegKey software;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_CREATE_SUB_KEY, software.Receive()) !=
        ERROR_SUCCESS) {
        return nullptr;
    }
    RegKey maker;
    if (!CreateSubKey(software.Get(), L"Orvandels", KEY_CREATE_SUB_KEY, maker)) {
        return nullptr;
    }
    RegKey key;
    if (!CreateSubKey(maker.Get(), L"Hublane", KEY_QUERY_VALUE | KEY_SET_VALUE, key)) {
        return nullptr;
    }
    return std::make_unique<WinKey>(std::move(key));
}

std::unique_ptr<SettingsStore> CreateUserSettingsStore() {
    return std::make_unique<SettingsStoreWin>();
}

}  // namespace hublane::platform
