// What a Windows program sees of its user's profile: a registry value of the user and the
// known folders it keeps its files in, on Windows itself or inside a Wine prefix.
#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

namespace hublane::platform {

class WindowsProfile {
  public:
    virtual ~WindowsProfile() = default;
    /// A REG_DWORD value of a key below HKEY_CURRENT_USER ("Software\Vendor"); nullopt when the
    /// key or the value is missing, or the value is of another type.
    virtual std::optional<std::uint32_t> UserDword(std::string_view keyPath, std::string_view name) const = 0;
    /// FOLDERID_LocalAppData and FOLDERID_ProgramData as local paths; empty when unknown.
    virtual QString LocalAppData() const = 0;
    virtual QString ProgramData() const = 0;
};

/// The profile the program in programFolder (a local path) runs under: the current user's on
/// Windows; elsewhere the one of the Wine prefix that holds the folder, null when none does.
std::unique_ptr<WindowsProfile> ProfileOfProgram(const QString& programFolder);

}  // namespace hublane::platform
