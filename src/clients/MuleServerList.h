// The server.met of eMule and aMule as the cycle reads and writes it: the document read whole is
// kept from the read to the write, so that the file is written back against it (entries the
// table cannot hold carried, unchanged entries with their own bytes).
#pragma once

#include "clients/MuleServerMet.h"
#include "serverlist/ServerListDialect.h"

namespace hublane::clients {

class MuleServerList final : public serverlist::ServerListDialect {
  public:
    const char* FileName() const override { return "server.met"; }
    void Forget() override { m_doc = MuleServerMet{}; }
    /// Replaces the document with the file's entries (those read completely, on a failure) and
    /// adds a row for every entry that is not carried.
    serverlist::ListReadResult Decode(std::string_view bytes, serverlist::ServerTable& table,
                                      serverlist::WorkGauge& gauge) override;
    bool CanEncode(const serverlist::ServerRow& row) const override;
    std::string Encode(const serverlist::ServerTable& table, serverlist::WorkGauge& gauge) override;
    /// The document becomes the file just written.
    void Written(std::string_view bytes) override;
    std::size_t CarriedCount() const override { return m_doc.CarriedCount(); }

    const MuleServerMet& Document() const { return m_doc; }
    /// How each entry went in the last Encode.
    const MuleWriteCounts& LastCounts() const { return m_counts; }

  private:
    MuleServerMet m_doc;
    MuleWriteCounts m_counts;
};

}  // namespace hublane::clients
