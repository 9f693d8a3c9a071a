// One running directory: its store, its verifier, its service and its HTTP front,
// started and stopped together. The program runs one; tests and benchmarks run them in-process.
#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

#include "directory/DirectorySettings.h"

namespace hublane::directory {

class BoundedTcpServer;
class DirectoryHttpServer;
class DirectoryService;
class DirectoryStore;
class Verifier;

class Directory : public QObject {
    Q_OBJECT
  public:
    /// log receives one line per request and the directory's own messages; none when empty.
    explicit Directory(DirectorySettings settings, std::function<void(const QString&)> log = {},
                       QObject* parent = nullptr);
    ~Directory() override;

    /// Opens the store, listens and starts verifying. False (and why) when the store cannot be
    /// opened or the address cannot be bound; nothing then runs.
    bool Start(QString* error = nullptr);
    /// Stops listening and probing and closes the store. Start may not be called again.
    void Stop();

    /// The port listened on (the free port chosen when the settings asked for port 0).
    quint16 Port() const;
    DirectoryStore& Store() { return *m_store; }
    Verifier& Checks() { return *m_verifier; }
    const DirectorySettings& Settings() const { return m_settings; }
    /// Wall-clock milliseconds as the directory reads them.
    std::int64_t NowMs() const { return m_clock(); }

  private:
    DirectorySettings m_settings;
    std::function<void(const QString&)> m_log;
    std::function<std::int64_t()> m_clock;
    std::unique_ptr<DirectoryStore> m_store;
    std::unique_ptr<Verifier> m_verifier;
    std::unique_ptr<DirectoryService> m_service;
    DirectoryHttpServer* m_http = nullptr;  // owned by this object
    BoundedTcpServer* m_tcp = nullptr;      // owned by m_http
};

}  // namespace hublane::directory
