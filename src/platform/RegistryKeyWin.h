// The Windows registry without Qt (built for Windows only): the program's settings
// key, the class registrations of link schemes and the user's values of other programs.
// SettingsStoreWin, ClassRegistrationWin and WindowsProfileWin put Qt's texts on it; the cross
// build tests it on Wine's registry.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace hublane::platform {

/// HKEY_CURRENT_USER\Software\Orvandels\Hublane.
inline constexpr const wchar_t* kSettingsKeyPath = L"Software\\Orvandels\\Hublane";

/// One open registry key, closed when destroyed. Names and texts are UTF-16. Every call reports
/// failure instead of throwing.
class RegistryKeyWin {
  public:
    ~RegistryKeyWin();
    RegistryKeyWin(const RegistryKeyWin&) = delete;
    RegistryKeyWin& operator=(const RegistryKeyWin&) = delete;

    /// The settings key of the current user: "Software" is opened without being created,
    /// "Orvandels" and "Hublane" are created when missing. nullptr when it cannot be opened.
    static std::unique_ptr<RegistryKeyWin> OpenSettingsKey();

    /// A string value (REG_SZ, or REG_EXPAND_SZ unexpanded); an absent value reads as empty. False
    /// on an error or when the value holds another type. The text ends at its first zero.
    bool ReadString(const std::wstring& name, std::wstring& value) const;
    /// A REG_DWORD value; absent or of another type is nullopt.
    std::optional<std::int32_t> ReadInteger(const std::wstring& name) const;
    bool WriteString(const std::wstring& name, const std::wstring& value);
    bool WriteInteger(const std::wstring& name, std::int32_t value);
    /// Deleting an absent value is no error.
    bool DeleteValue(const std::wstring& name);
    bool ValueExists(const std::wstring& name) const;

  private:
    explicit RegistryKeyWin(void* key) : m_key(key) {}
    void* m_key;  // the HKEY
};

/// The default value of HKEY_CLASSES_ROOT\<className>\DefaultIcon (REG_SZ or REG_EXPAND_SZ,
/// unexpanded, ending at its first zero). nullopt when the class, the key or a string value is
/// missing. Opens keys only; never creates one.
std::optional<std::wstring> ReadClassDefaultIconWin(const std::wstring& className);

/// A REG_DWORD value of a key below HKEY_CURRENT_USER ("Software\Vendor\Program"). nullopt
/// when the key or the value is missing, the value is of another type or size, or a name holds a
/// zero (the system would read it as a shorter name). Opens the key only; never creates it.
std::optional<std::uint32_t> ReadUserDwordWin(const std::wstring& keyPath, const std::wstring& name);

}  // namespace hublane::platform
