// Test helper: a throw-away PostgreSQL server: a cluster made by initdb in a temporary folder and
// a postgres process on a loopback address and a free port, run as an unprivileged user when the
// tests run as root (the server refuses root). Stopped and removed with the object.
#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include "directory/DirectorySettings.h"

namespace hublane::test {

class PostgresServer {
  public:
    PostgresServer() = default;
    ~PostgresServer();
    PostgresServer(const PostgresServer&) = delete;
    PostgresServer& operator=(const PostgresServer&) = delete;

    /// The folder holding initdb and postgres (PATH, then Debian's /usr/lib/postgresql/N/bin,
    /// the newest first); empty when PostgreSQL is not installed.
    static QString BinDir();

    /// Makes a cluster and starts its server on host. False, with the reason, on failure.
    bool Start(const QString& host, QString* error);
    /// Fast shutdown, bounded; then the process is killed.
    void Stop();
    /// Starts the stopped server again on the same cluster, address and port.
    bool Launch(QString* error);

    /// The database to use: user "hublane" (trusted) on database "postgres".
    directory::DatabaseLocation Location() const;
    QString Url() const;

  private:
    bool RunTool(const QString& tool, const QStringList& args, QString* error);
    void PrepareChild(QProcess& process) const;

    QTemporaryDir m_dir;
    QProcess m_server;
    QString m_host;
    quint16 m_port = 0;
    // The user the tools run as when this process is root (-1: as this process).
    int m_uid = -1;
    int m_gid = -1;
};

}  // namespace hublane::test
