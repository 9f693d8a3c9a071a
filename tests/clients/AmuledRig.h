// A private amuled for tests and benchmarks: its own folder and amule.conf (EC on 127.0.0.1, the
// password "hublane"), started and stopped by the test. Only to be run inside a private network
// namespace (tests/clients/ec-netns.sh), which it checks.
#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include "clients/AmuleSession.h"

namespace hublane::test {

inline constexpr quint16 kAmuledEcPort = 24712;
/// hex(MD5("hublane")).
inline constexpr const char* kAmuledPasswordMd5 = "5febc38ef02954d03e4d18fb1d131eb7";

/// Why the real aMule cannot be used here, or an empty text when it can.
QString AmuledUnavailable();

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
    /// SIGTERM and a wait: amuled writes its server.met as it ends.
    void Stop();
    /// SIGKILL: nothing is written.
    void Kill();
    bool Running() const { return m_process.state() != QProcess::NotRunning; }
    qint64 Pid() const { return m_process.processId(); }

    const QString& Dir() const { return m_folder; }
    const QString& Error() const { return m_error; }
    clients::EcTarget Target(const char* passwordMd5 = kAmuledPasswordMd5) const;

  private:
    QTemporaryDir m_dir;
    QString m_folder;
    QProcess m_process;
    QString m_error;
};

}  // namespace hublane::test
