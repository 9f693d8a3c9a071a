// The Windows profile of a program on Windows (built on Windows only): Qt's texts on the
// current user's registry and known folders.
#include "platform/KnownFoldersWin.h"
#include "platform/RegistryKeyWin.h"
#include "platform/WindowsProfile.h"

namespace hublane::platform {
namespace {

std::wstring Wide(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toStdWString();
}

QString Folder(KnownFolderWin folder) {
    return QString::fromStdWString(KnownFolderPathWin(folder));
}

class WinProfile final : public WindowsProfile {
  public:
    std::optional<std::uint32_t> UserDword(std::string_view keyPath, std::string_view name) const override {
        return ReadUserDwordWin(Wide(keyPath), Wide(name));
    }
    QString LocalAppData() const override { return Folder(KnownFolderWin::LocalAppData); }
    QString ProgramData() const override { return Folder(KnownFolderWin::ProgramData); }
};

}  // namespace

std::unique_ptr<WindowsProfile> ProfileOfProgram(const QString& /*programFolder*/) {
    return std::make_unique<WinProfile>();
}

}  // namespace hublane::platform
