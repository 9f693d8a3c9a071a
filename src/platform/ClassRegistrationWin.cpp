// The class registration of a link scheme on Windows: HKEY_CLASSES_ROOT, read only.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <vector>

#include "platform/ClassRegistration.h"

namespace hublane::platform {

namespace {

// Closes a registry key on every path.
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

  private:
    HKEY m_key = nullptr;
};

class WinClassRegistration : public ClassRegistration {
  public:
    std::optional<QString> ReadDefaultIcon(const QString& className) override {
        // RegOpenKeyEx never creates a key, unlike RegCreateKeyEx.
        KeyHandle classKey;
        if (RegOpenKeyExW(HKEY_CLASSES_ROOT, reinterpret_cast<LPCWSTR>(className.utf16()), 0, KEY_READ,
                          classKey.Out()) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        KeyHandle iconKey;
        if (RegOpenKeyExW(classKey.Get(), L"DefaultIcon", 0, KEY_READ, iconKey.Out()) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        DWORD type = 0;
        DWORD bytes = 0;
        if (RegQueryValueExW(iconKey.Get(), nullptr, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS ||
            (type != REG_SZ && type != REG_EXPAND_SZ)) {
            return std::nullopt;
        }
        // One spare character: the stored data need not end with a NUL.
        std::vector<wchar_t> text(bytes / sizeof(wchar_t) + 1, L'\0');
        bytes = static_cast<DWORD>((text.size() - 1) * sizeof(wchar_t));
        if (RegQueryValueExW(iconKey.Get(), nullptr, nullptr, &type, reinterpret_cast<LPBYTE>(text.data()),
                             &bytes) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        text[std::min<std::size_t>(bytes / sizeof(wchar_t), text.size() - 1)] = L'\0';
        return QString::fromWCharArray(text.data());
    }
};

}  // namespace

std::unique_ptr<ClassRegistration> CreateSystemClassRegistration() {
    return std::make_unique<WinClassRegistration>();
}

}  // namespace hublane::platform
