// The class registration of a link scheme on Windows (built on Windows only):
// HKEY_CLASSES_ROOT, read only, through RegistryKeyWin.
#include "platform/ClassRegistration.h"
#include "platform/RegistryKeyWin.h"

namespace hublane::platform {

namespace {

class WinClassRegistration final : public ClassRegistration {
  public:
    std::optional<QString> ReadDefaultIcon(const QString& className) override {
        const auto icon = ReadClassDefaultIconWin(className.toStdWString());
        if (!icon) {
            return std::nullopt;
        }
        return QString::fromStdWString(*icon);
    }
};

}  // namespace

std::unique_ptr<ClassRegistration> CreateSystemClassRegistration() {
    return std::make_unique<WinClassRegistration>();
}

}  // namespace hublane::platform
