// A client's server list file as the cycle reads and writes it: decoded into the server table,
// and encoded from the final table against what was read. A dialect may keep what the table
// cannot hold (entries it carries, tags it does not show) from its last read to the next write;
// the client in use owns the one the cycle works with.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "serverlist/ListReadResult.h"
#include "serverlist/ServerListCodec.h"
#include "serverlist/ServerTable.h"
#include "serverlist/WorkGauge.h"

namespace hublane::serverlist {

class ServerListDialect {
  public:
    virtual ~ServerListDialect() = default;

    /// The file's own name, which its error lines start with ("server.met").
    virtual const char* FileName() const = 0;
    /// Drops what the last read kept: the next write has nothing to be written against.
    virtual void Forget() = 0;
    /// Reads the entries into the (empty) table in file order and keeps what the next Encode
    /// writes against (see DecodeServerMet for the contract on the table and the gauge).
    virtual ListReadResult Decode(std::string_view bytes, ServerTable& table, WorkGauge& gauge) = 0;
    /// Whether a row can be written; the others are left out of the file.
    virtual bool CanEncode(const ServerRow& row) const = 0;
    /// The file for the table, written against what the last read kept.
    virtual std::string Encode(const ServerTable& table, WorkGauge& gauge) = 0;
    /// The bytes the last Encode gave are now the file: later writes go against them.
    virtual void Written(std::string_view bytes) = 0;
    /// Entries of the last read that no row stands for and that every write keeps as they were.
    virtual std::size_t CarriedCount() const = 0;
};

/// A dialect that keeps nothing between a read and a write: the table is the whole file.
class StatelessDialect final : public ServerListDialect {
  public:
    explicit StatelessDialect(const ServerListCodec& codec) : m_codec(codec) {}

    const char* FileName() const override { return m_codec.fileName; }
    void Forget() override {}
    ListReadResult Decode(std::string_view bytes, ServerTable& table, WorkGauge& gauge) override {
        return m_codec.decode(bytes, table, gauge);
    }
    bool CanEncode(const ServerRow& row) const override { return m_codec.canEncode(row); }
    std::string Encode(const ServerTable& table, WorkGauge& gauge) override {
        return m_codec.encode(table, gauge);
    }
    void Written(std::string_view /*bytes*/) override {}
    std::size_t CarriedCount() const override { return 0; }

  private:
    const ServerListCodec& m_codec;
};

}  // namespace hublane::serverlist
