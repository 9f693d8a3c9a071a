// The published server lists (server.met files on the web) that a fetch of servers loads besides
// the directory's page: where they are, and how one loaded file joins the table.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <optional>

#include "serverlist/ServerTable.h"

namespace hublane::exchange {

/// The most lists one fetch loads, the most bytes each may have.
inline constexpr int kMaxPublishedLists = 10;
inline constexpr qint64 kMaxPublishedListBytes = 4LL * 1024 * 1024;

class PublishedServerLists {
  public:
    virtual ~PublishedServerLists() = default;
    /// The addresses to load, in order (at most kMaxPublishedLists).
    virtual QStringList Addresses() = 0;
    /// Merges one loaded file into the table, keeping out what blocked names; the number of rows
    /// added, or nullopt with why the file was not taken.
    virtual std::optional<std::size_t> Merge(const QByteArray& body, serverlist::ServerTable& table,
                                             const serverlist::AddressTest& blocked, QString* error) = 0;
};

}  // namespace hublane::exchange
