// The server.met of eMule and aMule, kept from the read to the write.
#include "clients/MuleServerList.h"

#include "clients/ServerMetCodec.h"

namespace hublane::clients {

serverlist::ListReadResult MuleServerList::Decode(std::string_view bytes, serverlist::ServerTable& table,
                                                  serverlist::WorkGauge& gauge) {
    const serverlist::ListReadResult result = ReadMuleServerMet(bytes, m_doc, gauge);
    FillServerTable(m_doc, table);
    return result;
}

bool MuleServerList::CanEncode(const serverlist::ServerRow& row) const {
    return CanEncodeServerRow(row);
}

std::string MuleServerList::Encode(const serverlist::ServerTable& table, serverlist::WorkGauge& gauge) {
    return WriteMuleServerMet(m_doc, table, gauge, &m_counts);
}

void MuleServerList::Written(std::string_view bytes) {
    // The writer's own output always reads whole; a failure would only leave fewer entries to
    // write against, never a wrong one.
    serverlist::PlainGauge quiet;
    ReadMuleServerMet(bytes, m_doc, quiet);
}

}  // namespace hublane::clients
