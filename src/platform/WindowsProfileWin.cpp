// The Windows profile of a program on Windows (built on Windows only): the current user's
// registry and known folders.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <knownfolders.h>
#include <shlobj.h>
#include <windows.h>

#include <string>

#include "platform/WindowsProfile.h"

namespace hublane::platform {
namespace {

std::wstring Wide(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toStdWString();
}

QString KnownFolder(REFKNOWNFOLDERID id) {
    PWSTR path = nullptr;
    QString folder;
    if (SHGetKnownFolderPath(id, 0, nullptr, &path) == S_OK && path != nullptr) {
        folder = QString::fromWCharArray(path);
    }
    CoTaskMemFree(path);
    return folder;
}

class WinProfile final : public WindowsProfile {
  public:
    std::optional<std::uint32_t> UserDword(std::string_view keyPath, std::string_view name) const override {
        DWORD value = 0;
        DWORD size = sizeof(value);
        if (RegGetValueW(HKEY_CURRENT_USER, Wide(keyPath).c_str(), Wide(name).c_str(), RRF_RT_REG_DWORD,
                         nullptr, &value, &size) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        return static_cast<std::uint32_t>(value);
    }
    QString LocalAppData() const override { return KnownFolder(FOLDERID_LocalAppData); }
    QString ProgramData() const override { return KnownFolder(FOLDERID_ProgramData); }
};

}  // namespace

std::unique_ptr<WindowsProfile> ProfileOfProgram(const QString& /*programFolder*/) {
    return std::make_unique<WinProfile>();
}

}  // namespace hublane::platform
