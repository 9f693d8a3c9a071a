// Test helper: a directory started in-process on a loopback address and a free port, with its
// database in a sandbox folder, a clock tests can move, and requests from chosen addresses.
#pragma once

#include <gtest/gtest.h>
#include <QDateTime>
#include <QStringList>
#include <QTemporaryDir>
#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "HttpClient.h"
#include "PageLinks.h"
#include "directory/Directory.h"
#include "directory/DirectoryStore.h"
#include "exchange/WebFormats.h"
#include "serverlist/ServerTable.h"

namespace hublane::test {

/// The directory's address in these tests, and the copies' addresses requests come from.
inline const QString kDirectoryHost = QStringLiteral("127.31.0.1");
inline const QString kCopyA = QStringLiteral("127.31.2.2");
inline const QString kCopyB = QStringLiteral("127.31.2.3");

class DirectoryRig {
  public:
    DirectoryRig() { EXPECT_TRUE(m_dir.isValid()); }

    /// Settings for a quick directory on loopback: private addresses allowed, short probe waits,
    /// no per-address limits.
    directory::DirectorySettings Settings() {
        directory::DirectorySettings s;
        s.listen = {kDirectoryHost.toStdString(), 0};
        s.database.file = m_dir.filePath(QStringLiteral("dir.sqlite")).toStdString();
        s.allowPrivate = true;
        s.probeTimeoutMs = 500;
        s.verifierTickMs = 20;
        s.probesPerSecond = 200;
        s.recheckMs = 3600000;
        // A candidate's second request goes at once (the wait itself has a test of its own).
        s.confirmDelay = [] { return std::int64_t{0}; };
        // Waits ask for pages again and again; the limits have tests of their own.
        s.writeLimitPerMinute = 0;
        s.readLimitPerMinute = 0;
        s.clock = [this] { return QDateTime::currentMSecsSinceEpoch() + offsetMs; };
        return s;
    }

    /// Starts a directory (stopping the one running); false, with the reason in error, on failure.
    bool Start(directory::DirectorySettings settings) {
        running.reset();
        running = std::make_unique<directory::Directory>(std::move(settings),
                                                         [this](const QString& line) { log << line; });
        return running->Start(&error);
    }
    void Stop() { running.reset(); }

    HttpResult Get(const QByteArray& target, const QString& from = kCopyA) {
        return HttpRequest(kDirectoryHost, running->Port(), target, from);
    }
    PageLinks Page(const QByteArray& target, const QString& from = kCopyA) {
        const HttpResult result = Get(target, from);
        EXPECT_EQ(result.status, 200) << target.toStdString();
        return ReadPageLinks(result.Text());
    }
    /// The link targets of liste.php, sorted (servers verified in the same millisecond have no order).
    std::vector<std::string> ListedTargets() {
        auto targets = Page(QByteArrayLiteral("/liste.php")).targets;
        std::sort(targets.begin(), targets.end());
        return targets;
    }
    directory::DirectoryStore& Store() { return running->Store(); }

    /// The rcv.php target for servers (address, port), as the program's own client writes it.
    static QByteArray RcvTarget(const std::vector<std::pair<std::string, std::string>>& servers) {
        serverlist::ServerTable table;
        for (const auto& [address, port] : servers) {
            table.AddServerRow(address, port);
        }
        const auto requests = exchange::BuildRcvRequests(table, "/rcv.php?");
        EXPECT_EQ(requests.urls.size(), 1u);
        EXPECT_FALSE(requests.failedRow);
        return requests.urls.empty() ? QByteArray() : QByteArray::fromStdString(requests.urls.front());
    }

    QString DatabasePath() const { return m_dir.filePath(QStringLiteral("dir.sqlite")); }
    QString Folder() const { return m_dir.path(); }

    std::int64_t offsetMs = 0;
    QStringList log;
    QString error;
    std::unique_ptr<directory::Directory> running;

  private:
    QTemporaryDir m_dir;
};

}  // namespace hublane::test
