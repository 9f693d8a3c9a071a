// Whether an aMule runs on a config folder.
#include "clients/AmuleRunning.h"

#include <QDir>
#include <QFile>
#include <QTcpSocket>
#include <cerrno>
#include <charconv>

#include "clients/AmuleConf.h"

#ifndef _WIN32
#include <signal.h>
#endif

namespace hublane::clients {
namespace {

constexpr qint64 kMaxSmallFileBytes = 64 * 1024;

std::string_view Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

QByteArray SmallFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.read(kMaxSmallFileBytes);
}

bool ProcessAlive(long long pid) {
#ifdef _WIN32
    (void)pid;
    return false;
#else
    // EPERM: the process exists but belongs to another user, which still is a running aMule.
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
#endif
}

bool EcAnswers(const QString& folder) {
    const QByteArray conf = SmallFile(QDir(folder).filePath(QStringLiteral("amule.conf")));
    const AmuleEcSettings ec =
        ParseAmuleConf(std::string_view(conf.constData(), static_cast<std::size_t>(conf.size())));
    if (!ec.accepted) {
        return false;
    }
    // ECAddress is where aMule listens; "any address" is reached on loopback.
    const QString host = ec.host.empty() || ec.host == "0.0.0.0"
                             ? QString::fromLatin1(kDefaultEcHost.data(), kDefaultEcHost.size())
                             : QString::fromStdString(ec.host);
    QTcpSocket socket;
    socket.connectToHost(host, ec.port);
    const bool answers = socket.waitForConnected(kEcProbeMs);
    socket.abort();
    return answers;
}

}  // namespace

std::optional<long long> LockFilePid(std::string_view text) {
    const std::string_view digits = Trimmed(text);
    long long pid = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), pid);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() || pid <= 0 ||
        pid > 0x7FFFFFFF) {
        return std::nullopt;
    }
    return pid;
}

bool AmuleRunning(const QString& folder) {
    if (folder.isEmpty()) {
        return false;
    }
    const QByteArray lock = SmallFile(QDir(folder).filePath(QString::fromLatin1(kAmuleLockName)));
    if (const auto pid =
            LockFilePid(std::string_view(lock.constData(), static_cast<std::size_t>(lock.size())));
        pid && ProcessAlive(*pid)) {
        return true;
    }
    return EcAnswers(folder);
}

}  // namespace hublane::clients
