// Test helper: a whole engine whose web directory is a real HTTP server on loopback, for the tests
// of the directory operations; rows and peers as plain values, and the links of a list page.
#pragma once

#include <gtest/gtest.h>
#include <QTcpServer>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "exchange/WebDirectory.h"
#include "support/EngineRig.h"
#include "support/PageServer.h"
#include "support/TestSupport.h"

namespace hublane::exchange::webtest {

// This file's addresses: the directory's pages on 127.0.0.84, a second web host on 127.0.0.86, a
// closed port on 127.0.0.87, the copy itself on 127.0.0.85.
inline const QString kPagesHost = QStringLiteral("127.0.0.84");
inline const QString kOtherHost = QStringLiteral("127.0.0.86");
inline const QString kClosedHost = QStringLiteral("127.0.0.87");
inline const QString kCopy = QStringLiteral("127.0.0.85");

using Row = std::pair<std::string, std::string>;  // caption, port

inline std::vector<Row> Rows(const serverlist::ServerTable& table) {
    std::vector<Row> rows;
    for (const serverlist::ServerRow& row : table.Rows())
        rows.emplace_back(row.caption, row.Sub(serverlist::Column::Port));
    return rows;
}

inline std::vector<std::string> Peers(const serverlist::PeerList& list) {
    std::vector<std::string> peers;
    for (const serverlist::PeerRow& row : list.Rows())
        peers.push_back(row.caption);
    return peers;
}

inline QByteArray ServerLink(const Row& server) {
    return QByteArray::fromStdString("<a href=\"ed2k://|server|" + server.first + "|" + server.second +
                                     "|/\">x</a>\n");
}

// A loopback URL where nothing listens (the port was free a moment ago).
inline QString ClosedUrl() {
    QTcpServer probe;
    EXPECT_TRUE(probe.listen(QHostAddress(kClosedHost), 0));
    return QStringLiteral("http://%1:%2/").arg(kClosedHost).arg(probe.serverPort());
}

class WebDirectoryFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(pages.Port(), 0);
        ASSERT_NE(other.Port(), 0);
    }
    // A fresh engine whose directory is base (the page server by default).
    test::EngineRig& NewRig(int pageLimitMs = 20000, const platform::Clock* clock = nullptr,
                            QString base = {}) {
        rig.reset();
        app::EngineOptions options;
        options.address.bind = QHostAddress(kCopy);
        options.webUrl = base.isEmpty() ? pages.Url() : base;
        options.pageLimitMs = pageLimitMs;
        options.ipFilterPath = ipFilterPath;
        rig = std::make_unique<test::EngineRig>(options, clock);
        // The fetch counts its end, then tells the waits.
        WebDirectory* web = &Web();
        QObject::connect(&rig->Waits(), &serverlist::UiWaits::StateChanged, &rig->Waits(),
                         [this, web] { fetchDoneRaised = fetchDoneRaised || web->FetchesDone() > 0; });
        fetchDoneRaised = false;
        return *rig;
    }
    WebDirectory& Web() { return rig->engine->WebDirectory(); }
    serverlist::CycleState& State() { return rig->State(); }
    QStringList NewRequests(qsizetype before) const { return pages.Requests().mid(before); }

    test::PageServer pages{kPagesHost};
    test::PageServer other{kOtherHost};
    std::unique_ptr<test::EngineRig> rig;
    bool fetchDoneRaised = false;
    QString ipFilterPath;  // the IP filter file the next rig reads (none when empty)
};

}  // namespace hublane::exchange::webtest
