// The Windows profile of a program under Wine: the prefix's registry files, its known
// folders mapped through its drives.
#include "platform/WindowsProfile.h"
#include "platform/WinePrefix.h"

namespace hublane::platform {
namespace {

// Wine writes the known folders' present places here when it makes or updates the prefix.
constexpr std::string_view kShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

class WineProfile final : public WindowsProfile {
  public:
    explicit WineProfile(QString prefix) : m_prefix(std::move(prefix)) {}

    std::optional<std::uint32_t> UserDword(std::string_view keyPath, std::string_view name) const override {
        return ReadPrefixValue(m_prefix, "user.reg", keyPath, name).dword;
    }
    QString LocalAppData() const override { return Folder("user.reg", "Local AppData"); }
    QString ProgramData() const override { return Folder("system.reg", "Common AppData"); }

  private:
    QString Folder(const char* file, std::string_view name) const {
        const auto path = ReadPrefixValue(m_prefix, file, kShellFolders, name).text;
        return path ? MapDrivePath(m_prefix, *path) : QString();
    }
    QString m_prefix;
};

}  // namespace

std::unique_ptr<WindowsProfile> ProfileOfProgram(const QString& programFolder) {
    const QString prefix = PrefixHolding(programFolder);
    if (prefix.isEmpty()) {
        return nullptr;
    }
    return std::make_unique<WineProfile>(prefix);
}

}  // namespace hublane::platform
