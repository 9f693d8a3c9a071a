// A lab of simulated eD2k servers on loopback addresses, served by a thread of its own so that a
// caller may block on a socket while the servers answer.
#pragma once

#include <QObject>
#include <QThread>
#include <memory>
#include <vector>

#include "lab/LabConfig.h"
#include "lab/LabServer.h"

namespace hublane::lab {

/// Requests one server has received so far.
struct RequestCounts {
    int description = 0;
    int serverList = 0;
    int other = 0;
    int peer = 0;  // datagrams a simulated copy got
    int Total() const { return description + serverList + other + peer; }
};

/// Many simulated servers, one socket each, on one thread with one event loop. Created and used
/// on one thread (a test's or the lab program's); the servers run on the lab's own thread.
class Lab : public QObject {
    Q_OBJECT
  public:
    explicit Lab(QObject* parent = nullptr);
    ~Lab() override;
    Lab(const Lab&) = delete;
    Lab& operator=(const Lab&) = delete;

    /// Reads a description (one server per line, see tests/lab/README.md) and starts its servers
    /// beside those already running. False, with the reason in error, when a line is malformed or
    /// a server cannot bind; then none of this call's servers runs.
    bool StartServers(const QString& config, QString* error = nullptr);
    bool StartServers(const std::vector<LabServerConfig>& servers, QString* error = nullptr);
    /// Stops and forgets every server.
    void StopServers();

    int ServerCount() const { return static_cast<int>(m_servers.size()); }
    const LabServerConfig& Server(int index) const {
        return m_servers.at(static_cast<std::size_t>(index)).config;
    }
    /// Index of the first server with this address (and this listed port, unless 0), or -1.
    int IndexOf(const QString& address, quint16 listedPort = 0) const;
    RequestCounts Requests(int index) const;
    /// Requests of the first server with this address; all zero when there is none.
    RequestCounts Requests(const QString& address, quint16 listedPort = 0) const;

  signals:
    /// A datagram reached server index; emitted on the lab's thread (connect queued or auto).
    void RequestReceived(int index, hublane::lab::RequestKind kind, const QString& sender);

  private:
    struct Running {
        LabServerConfig config;
        std::shared_ptr<LabCounters> counters;
        LabServer* server = nullptr;  // lives on m_thread
    };

    QThread m_thread;
    QObject* m_home = nullptr;  // context object on m_thread
    std::vector<Running> m_servers;
};

}  // namespace hublane::lab
