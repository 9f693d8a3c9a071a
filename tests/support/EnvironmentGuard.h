// Sets environment variables for one test and gives the old values back at its end.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <utility>
#include <vector>

namespace hublane::test {

class EnvironmentGuard {
  public:
    EnvironmentGuard() = default;
    EnvironmentGuard(const EnvironmentGuard&) = delete;
    EnvironmentGuard& operator=(const EnvironmentGuard&) = delete;
    ~EnvironmentGuard() {
        for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it) {
            if (it->second) {
                qputenv(it->first.constData(), *it->second);
            } else {
                qunsetenv(it->first.constData());
            }
        }
    }
    void Set(const char* name, const QString& value) {
        Save(name);
        qputenv(name, value.toLocal8Bit());
    }
    void Unset(const char* name) {
        Save(name);
        qunsetenv(name);
    }

  private:
    void Save(const char* name) {
        m_saved.emplace_back(QByteArray(name), qEnvironmentVariableIsSet(name)
                                                   ? std::optional<QByteArray>(qgetenv(name))
                                                   : std::nullopt);
    }
    std::vector<std::pair<QByteArray, std::optional<QByteArray>>> m_saved;
};

}  // namespace hublane::test
