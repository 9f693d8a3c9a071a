// A private amuled for tests and benchmarks: its own folder and amule.conf (EC on 127.0.0.1, the
// password "hublane"), started and stopped by the test. Only to be run inside a private network
// namespace (scripts/netns-run), which it checks.
#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "clients/AmuleSession.h"

namespace hublane::test {

inline constexpr quint16 kAmuledEcPort = 24712;
/// hex(MD5("hublane")).
inline constexpr const char* kAmuledPasswordMd5 = "5febc38ef02954d03e4d18fb1d131eb7";

/// Why the real aMule cannot be used here, or an empty text when it can.
QString AmuledUnavailable();

/// One server of amuled's list as a test compares it.
struct Listed {
    std::string name;
    bool isStatic = false;
    bool operator==(const Listed&) const = default;
};
void PrintTo(const Listed& l, std::ostream* os);
/// amuled's list by "ip:port".
using ListMap = std::map<std::string, Listed>;

class AmuledRig {
  public:
    AmuledRig();
    ~AmuledRig();
    AmuledRig(const AmuledRig&) = delete;
    AmuledRig& operator=(const AmuledRig&) = delete;

    /// Lines "host:port,priority,Name" of the static servers amuled loads at start.
    void WriteStaticServers(const QByteArray& lines);
    /// Starts amuled and waits until EC takes a login (at most 10 s); false with the reason in
    /// Error().
    bool Start();
    /// SIGTERM and a wait of 10 s: amuled writes its server.met as it ends. False when it had
    /// to be killed, its list not written.
    bool Stop();
    /// Stops amuled so that its server.met holds the list it has now. Now and then (under load,
    /// once in some hundred stops) amuled hangs as it ends and is killed before it wrote the
    /// list: then it is started again, given back the servers it lacks and stopped once more,
    /// three times at most; a test failure when it never ends by itself.
    void StopSaving();
    /// SIGKILL: nothing is written.
    void Kill();
    bool Running() const { return m_process.state() != QProcess::NotRunning; }
    qint64 Pid() const { return m_process.processId(); }

    const QString& Dir() const { return m_folder; }
    const QString& Error() const { return m_error; }
    clients::EcTarget Target(const char* passwordMd5 = kAmuledPasswordMd5) const;

    /// Its list over EC; an empty map and a test failure when it cannot be read.
    ListMap List() const;
    /// Adds the servers over EC; a test failure when one is not taken.
    void Add(const std::vector<clients::ServerToAdd>& servers) const;
    /// Removes one server over EC.
    void Remove(const clients::ServerEndpoint& server) const;

  private:
    /// Its list over EC, in its order; a test failure when it cannot be read.
    std::vector<clients::AmuleServer> Servers() const;

    QTemporaryDir m_dir;
    QString m_folder;
    QProcess m_process;
    QString m_error;
};

}  // namespace hublane::test
