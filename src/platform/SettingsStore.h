// The settings key: named string and 32-bit integer values with the registry's semantics.
#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

namespace hublane::platform {

/// An open settings key, held for one operation. Changes are kept when the key is closed
/// (destroyed). Every call reports failure instead of throwing; the operation that gets a failure
/// stops there silently, as a registry error would stop it.
class SettingsKey {
  public:
    virtual ~SettingsKey() = default;
    /// Reads a string value; an absent value reads as empty. False on a store error or when the
    /// value holds another type.
    virtual bool ReadString(const QString& name, QString& value) = 0;
    /// Reads an integer value; absent or of another type is a failure (nullopt).
    virtual std::optional<std::int32_t> ReadInteger(const QString& name) = 0;
    virtual bool WriteString(const QString& name, const QString& value) = 0;
    virtual bool WriteInteger(const QString& name, std::int32_t value) = 0;
    /// Deleting an absent value is no error.
    virtual bool DeleteValue(const QString& name) = 0;
    virtual bool ValueExists(const QString& name) = 0;
};

/// The store of the program's settings (one key of the current user).
class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    /// Opens the key, creating it when missing; nullptr when it cannot be opened.
    virtual std::unique_ptr<SettingsKey> Open() = 0;
};

}  // namespace hublane::platform
