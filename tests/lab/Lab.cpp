// A lab of simulated eD2k servers on loopback addresses, served by a thread of its own.
#include "lab/Lab.h"

#include "platform/PostedCall.h"

namespace hublane::lab {

Lab::Lab(QObject* parent) : QObject(parent), m_home(new QObject) {
    m_thread.setObjectName(QStringLiteral("lab"));
    m_home->moveToThread(&m_thread);
    m_thread.start();
}

Lab::~Lab() {
    StopServers();
    m_thread.quit();
    m_thread.wait();
    delete m_home;  // its thread has ended: nothing else can touch it now
}

bool Lab::StartServers(const QString& config, QString* error) {
    std::vector<LabServerConfig> servers;
    if (!ParseLabConfig(config, servers, error)) {
        return false;
    }
    return StartServers(servers, error);
}

bool Lab::StartServers(const std::vector<LabServerConfig>& servers, QString* error) {
    std::vector<Running> started;
    QString failure;
    const int first = ServerCount();
    // Sockets belong to the thread that creates them: build and bind them on the lab's thread.
    platform::PostCall(
        m_home,
        [&] {
            for (const LabServerConfig& s : servers) {
                Running r{s, std::make_shared<LabCounters>(), nullptr};
                r.server = new LabServer(first + static_cast<int>(started.size()), s, r.counters);
                connect(r.server, &LabServer::RequestReceived, this, &Lab::RequestReceived,
                        Qt::DirectConnection);
                const bool bound = r.server->Bind(&failure);
                started.push_back(std::move(r));
                if (!bound) {
                    for (Running& done : started) {
                        delete done.server;
                    }
                    started.clear();
                    return;
                }
            }
        },
        Qt::BlockingQueuedConnection);
    if (!failure.isEmpty()) {
        if (error) {
            *error = failure;
        }
        return false;
    }
    for (Running& r : started) {
        m_servers.push_back(std::move(r));
    }
    return true;
}

void Lab::StopServers() {
    if (m_servers.empty()) {
        return;
    }
    platform::PostCall(
        m_home,
        [this] {
            for (Running& r : m_servers) {
                delete r.server;
            }
        },
        Qt::BlockingQueuedConnection);
    m_servers.clear();
}

int Lab::IndexOf(const QString& address, quint16 listedPort) const {
    for (std::size_t i = 0; i < m_servers.size(); ++i) {
        const LabServerConfig& s = m_servers[i].config;
        if (s.address == address && (listedPort == 0 || s.listedPort == listedPort)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

RequestCounts Lab::Requests(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= m_servers.size()) {
        return {};
    }
    const LabCounters& c = *m_servers[static_cast<std::size_t>(index)].counters;
    return RequestCounts{c.description.load(), c.serverList.load(), c.other.load(), c.peer.load()};
}

RequestCounts Lab::Requests(const QString& address, quint16 listedPort) const {
    return Requests(IndexOf(address, listedPort));
}

}  // namespace hublane::lab
