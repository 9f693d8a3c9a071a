// The published server.met files of the client: the addresses in the addresses.dat beside its
// server.met, and each loaded file merged into the table when it is read whole.
#pragma once

#include <QString>
#include <functional>

#include "exchange/PublishedServerLists.h"

namespace hublane::language {
class LanguageTable;
}

namespace hublane::clients {

struct PublishedServerMet;

/// The name of the file of addresses, in the folder of the client's server.met.
inline constexpr const char* kAddressesFileName = "addresses.dat";

/// The text of why a published file was not taken: the reader's language text (with its
/// suffix), or the reason its gzip could not be inflated. Empty when it was read whole.
QString PublishedReadError(const PublishedServerMet& read, const language::LanguageTable& language);

class ServerMetAddressList final : public exchange::PublishedServerLists {
  public:
    /// folder: where the client's server.met is (asked at each fetch); an empty folder has no list.
    ServerMetAddressList(std::function<QString()> folder, const language::LanguageTable& language);

    QStringList Addresses() override;
    std::optional<std::size_t> Merge(const QByteArray& body, serverlist::ServerTable& table,
                                     const serverlist::AddressTest& blocked, QString* error) override;

  private:
    std::function<QString()> m_folder;
    const language::LanguageTable& m_language;
};

}  // namespace hublane::clients
