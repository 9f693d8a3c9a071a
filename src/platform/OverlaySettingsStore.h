// A settings store that reads through to another and writes to it only the values named as
// lasting: values given up front stand in front of it, and anything else a run writes stays in
// memory for that run.
#pragma once

#include <QMap>
#include <QSet>
#include <memory>
#include <variant>

#include "platform/SettingsStore.h"

namespace hublane::platform {

/// The command-line companion runs a cycle on the user's settings without changing them.
class OverlaySettingsStore : public SettingsStore {
  public:
    using Value = std::variant<QString, std::int32_t>;

    explicit OverlaySettingsStore(SettingsStore& base) : m_base(base) {}

    /// A value read in place of the stored one.
    void Override(const QString& name, Value value) {
        m_layer.insert(name, std::move(value));
        m_deleted.remove(name);
    }

    /// A value the run keeps: written to (and deleted from) the other store itself. It is not
    /// one given up front.
    void Lasting(const QString& name) {
        m_lasting.insert(name);
        m_layer.remove(name);
        m_deleted.remove(name);
    }

    std::unique_ptr<SettingsKey> Open() override { return std::make_unique<Key>(*this, m_base.Open()); }

  private:
    class Key : public SettingsKey {
      public:
        Key(OverlaySettingsStore& store, std::unique_ptr<SettingsKey> base)
            : m_store(store), m_base(std::move(base)) {}
        bool ReadString(const QString& name, QString& value) override {
            if (const auto it = m_store.m_layer.constFind(name); it != m_store.m_layer.constEnd()) {
                if (!std::holds_alternative<QString>(*it)) {
                    return false;
                }
                value = std::get<QString>(*it);
                return true;
            }
            if (m_store.m_deleted.contains(name) || !m_base) {
                value.clear();
                return m_base != nullptr || m_store.m_deleted.contains(name);
            }
            return m_base->ReadString(name, value);
        }
        std::optional<std::int32_t> ReadInteger(const QString& name) override {
            if (const auto it = m_store.m_layer.constFind(name); it != m_store.m_layer.constEnd()) {
                return std::holds_alternative<std::int32_t>(*it) ? std::optional(std::get<std::int32_t>(*it))
                                                                 : std::nullopt;
            }
            if (m_store.m_deleted.contains(name) || !m_base) {
                return std::nullopt;
            }
            return m_base->ReadInteger(name);
        }
        bool WriteString(const QString& name, const QString& value) override {
            if (m_store.m_lasting.contains(name)) {
                return m_base && m_base->WriteString(name, value);
            }
            m_store.Override(name, value);
            return true;
        }
        bool WriteInteger(const QString& name, std::int32_t value) override {
            if (m_store.m_lasting.contains(name)) {
                return m_base && m_base->WriteInteger(name, value);
            }
            m_store.Override(name, value);
            return true;
        }
        bool DeleteValue(const QString& name) override {
            if (m_store.m_lasting.contains(name)) {
                return m_base && m_base->DeleteValue(name);
            }
            m_store.m_layer.remove(name);
            m_store.m_deleted.insert(name);
            return true;
        }
        bool ValueExists(const QString& name) override {
            if (m_store.m_layer.contains(name)) {
                return true;
            }
            return !m_store.m_deleted.contains(name) && m_base && m_base->ValueExists(name);
        }

      private:
        OverlaySettingsStore& m_store;
        std::unique_ptr<SettingsKey> m_base;
    };

    SettingsStore& m_base;
    QMap<QString, Value> m_layer;
    QSet<QString> m_deleted;
    QSet<QString> m_lasting;
};

}  // namespace hublane::platform
