// Test helper: a throw-away PostgreSQL server in a temporary folder on loopback.
#include "PostgresServer.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QStandardPaths>
#include <QTcpServer>
#include <algorithm>
#include <csignal>

#include "support/TestSupport.h"

namespace hublane::test {
namespace {

constexpr int kStartWaitMs = 60000;
constexpr int kToolWaitMs = 120000;

}  // namespace

PostgresServer::~PostgresServer() {
    Stop();
}

QString PostgresServer::BinDir() {
    const QString initdb = QStandardPaths::findExecutable(QStringLiteral("initdb"));
    if (!initdb.isEmpty() && !QStandardPaths::findExecutable(QStringLiteral("postgres")).isEmpty()) {
        return QFileInfo(initdb).absolutePath();
    }
    QDir root(QStringLiteral("/usr/lib/postgresql"));
    QStringList versions = root.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    std::sort(versions.begin(), versions.end(),
              [](const QString& a, const QString& b) { return a.toDouble() > b.toDouble(); });
    for (const QString& version : versions) {
        const QString bin = root.filePath(version + QStringLiteral("/bin"));
        if (QFileInfo::exists(bin + QStringLiteral("/initdb")) &&
            QFileInfo::exists(bin + QStringLiteral("/postgres"))) {
            return bin;
        }
    }
    return {};
}

void PostgresServer::PrepareChild(QProcess& process) const {
    process.setProcessChannelMode(QProcess::SeparateChannels);
    if (m_uid < 0) {
        return;
    }
    const auto uid = static_cast<uid_t>(m_uid);
    const auto gid = static_cast<gid_t>(m_gid);
    // The server refuses to run as root: the child drops to the unprivileged user before exec.
    process.setChildProcessModifier([uid, gid] {
        if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0) {
            ::_exit(126);
        }
    });
}

bool PostgresServer::RunTool(const QString& tool, const QStringList& args, QString* error) {
    QProcess process;
    PrepareChild(process);
    process.setWorkingDirectory(m_dir.path());
    process.start(BinDir() + QLatin1Char('/') + tool, args);
    if (!process.waitForFinished(kToolWaitMs) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        *error = tool + QStringLiteral(" failed: ") + QString::fromLocal8Bit(process.readAllStandardError()) +
                 QString::fromLocal8Bit(process.readAllStandardOutput());
        return false;
    }
    return true;
}

bool PostgresServer::Start(const QString& host, QString* error) {
    if (!m_dir.isValid()) {
        *error = QStringLiteral("no temporary folder");
        return false;
    }
    if (::geteuid() == 0) {
        const passwd* user = ::getpwnam("postgres");
        if (user == nullptr) {
            user = ::getpwnam("nobody");
        }
        if (user == nullptr) {
            *error = QStringLiteral("running as root and no unprivileged user to run PostgreSQL as");
            return false;
        }
        m_uid = static_cast<int>(user->pw_uid);
        m_gid = static_cast<int>(user->pw_gid);
        const QByteArray path = QFile::encodeName(m_dir.path());
        if (::chown(path.constData(), user->pw_uid, user->pw_gid) != 0) {
            *error = QStringLiteral("cannot hand the temporary folder to the unprivileged user");
            return false;
        }
    }
    const QString data = m_dir.filePath(QStringLiteral("data"));
    if (!RunTool(QStringLiteral("initdb"),
                 {QStringLiteral("-D"), data, QStringLiteral("-U"), QStringLiteral("hublane"),
                  QStringLiteral("--auth=trust"), QStringLiteral("--no-sync"), QStringLiteral("-E"),
                  QStringLiteral("UTF8"), QStringLiteral("--locale=C")},
                 error)) {
        return false;
    }
    {
        QTcpServer probe;
        if (!probe.listen(QHostAddress(host), 0)) {
            *error = QStringLiteral("no free port on ") + host;
            return false;
        }
        m_port = probe.serverPort();
    }
    m_host = host;
    return Launch(error);
}

bool PostgresServer::Launch(QString* error) {
    PrepareChild(m_server);
    // The server's log goes to a file, so that no pipe fills up however long the tests run.
    const QString logFile = m_dir.filePath(QStringLiteral("postgres.log"));
    QFile::remove(logFile);
    m_server.setStandardErrorFile(logFile);
    m_server.setStandardOutputFile(QProcess::nullDevice());
    m_server.start(BinDir() + QStringLiteral("/postgres"),
                   {QStringLiteral("-D"), m_dir.filePath(QStringLiteral("data")), QStringLiteral("-h"),
                    m_host, QStringLiteral("-p"), QString::number(m_port), QStringLiteral("-k"), m_dir.path(),
                    QStringLiteral("-F"), QStringLiteral("-c"), QStringLiteral("max_connections=20"),
                    QStringLiteral("-c"), QStringLiteral("shared_buffers=16MB")});
    QByteArray log;
    const bool ready = WaitFor(
        [&] {
            QFile file(logFile);
            log = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
            return log.contains("ready to accept connections") || m_server.state() == QProcess::NotRunning;
        },
        kStartWaitMs);
    if (!ready || m_server.state() != QProcess::Running) {
        *error = QStringLiteral("postgres did not start: ") + QString::fromLocal8Bit(log);
        Stop();
        return false;
    }
    return true;
}

void PostgresServer::Stop() {
    if (m_server.state() == QProcess::NotRunning) {
        return;
    }
    ::kill(static_cast<pid_t>(m_server.processId()), SIGINT);  // fast shutdown
    if (!m_server.waitForFinished(20000)) {
        m_server.kill();
        m_server.waitForFinished(5000);
    }
}

directory::DatabaseLocation PostgresServer::Location() const {
    directory::DatabaseLocation location;
    location.kind = directory::DatabaseLocation::Kind::Postgres;
    location.user = "hublane";
    location.host = m_host.toStdString();
    location.port = m_port;
    location.database = "postgres";
    return location;
}

QString PostgresServer::Url() const {
    return QStringLiteral("postgresql://hublane@%1:%2/postgres").arg(m_host).arg(m_port);
}

}  // namespace hublane::test
