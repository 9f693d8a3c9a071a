// The settings key in the Windows registry (built on Windows only): Qt's texts on
// the registry key of RegistryKeyWin.
#include "platform/SettingsStoreWin.h"

#include "platform/RegistryKeyWin.h"
#include "platform/UserSettingsStore.h"

namespace hublane::platform {

namespace {

class WinKey final : public SettingsKey {
  public:
    explicit WinKey(std::unique_ptr<RegistryKeyWin> key) : m_key(std::move(key)) {}

    bool ReadString(const QString& name, QString& value) override {
        std::wstring text;
        if (!m_key->ReadString(name.toStdWString(), text)) {
            return false;
        }
        value = QString::fromStdWString(text);
        return true;
    }
    std::optional<std::int32_t> ReadInteger(const QString& name) override {
        return m_key->ReadInteger(name.toStdWString());
    }
    bool WriteString(const QString& name, const QString& value) override {
        return m_key->WriteString(name.toStdWString(), value.toStdWString());
    }
    bool WriteInteger(const QString& name, std::int32_t value) override {
        return m_key->WriteInteger(name.toStdWString(), value);
    }
    bool DeleteValue(const QString& name) override { return m_key->DeleteValue(name.toStdWString()); }
    bool ValueExists(const QString& name) override { return m_key->ValueExists(name.toStdWString()); }

  private:
    std::unique_ptr<RegistryKeyWin> m_key;
};

}  // namespace

std::unique_ptr<SettingsKey> SettingsStoreWin::Open() {
    auto key = RegistryKeyWin::OpenSettingsKey();
    if (!key) {
        return nullptr;
    }
    return std::make_unique<WinKey>(std::move(key));
}

std::unique_ptr<SettingsStore> CreateUserSettingsStore() {
    return std::make_unique<SettingsStoreWin>();
}

}  // namespace hublane::platform
