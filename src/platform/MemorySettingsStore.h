// A settings store held in memory: for tests and for runs that must not touch the user's settings.
#pragma once

#include <QMap>
#include <variant>

#include "platform/SettingsStore.h"

namespace hublane::platform {

class MemorySettingsStore : public SettingsStore {
  public:
    using Value = std::variant<QString, std::int32_t>;

    std::unique_ptr<SettingsKey> Open() override {
        ++m_opens;
        if (m_failOpen) {
            return nullptr;
        }
        return std::make_unique<Key>(*this);
    }

    QMap<QString, Value>& Values() { return m_values; }
    /// Makes every Open fail, as a registry that cannot be reached.
    void SetFailOpen(bool fail) { m_failOpen = fail; }
    int Opens() const { return m_opens; }
    /// Names of the deleted values, in order (absent ones included).
    const QStringList& Deletions() const { return m_deletions; }

  private:
    class Key : public SettingsKey {
      public:
        explicit Key(MemorySettingsStore& store) : m_store(store) {}
        bool ReadString(const QString& name, QString& value) override {
            const auto it = m_store.m_values.constFind(name);
            if (it == m_store.m_values.constEnd()) {
                value.clear();
                return true;
            }
            if (!std::holds_alternative<QString>(*it)) {
                return false;
            }
            value = std::get<QString>(*it);
            return true;
        }
        std::optional<std::int32_t> ReadInteger(const QString& name) override {
            const auto it = m_store.m_values.constFind(name);
            if (it == m_store.m_values.constEnd() || !std::holds_alternative<std::int32_t>(*it)) {
                return std::nullopt;
            }
            return std::get<std::int32_t>(*it);
        }
        bool WriteString(const QString& name, const QString& value) override {
            m_store.m_values.insert(name, value);
            return true;
        }
        bool WriteInteger(const QString& name, std::int32_t value) override {
            m_store.m_values.insert(name, value);
            return true;
        }
        bool DeleteValue(const QString& name) override {
            m_store.m_deletions << name;
            m_store.m_values.remove(name);
            return true;
        }
        bool ValueExists(const QString& name) override { return m_store.m_values.contains(name); }

      private:
        MemorySettingsStore& m_store;
    };

    QMap<QString, Value> m_values;
    QStringList m_deletions;
    bool m_failOpen = false;
    int m_opens = 0;
};

}  // namespace hublane::platform
