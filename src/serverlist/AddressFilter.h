// The IP filter in force for one copy: swapped whole when a list is (re)loaded, and
// asked by every part that lets an address into a list or out to the network.
#pragma once

#include <memory>
#include <string_view>

#include "serverlist/IpFilter.h"
#include "serverlist/ServerTable.h"

namespace hublane::serverlist {

/// Without a list nothing is blocked.
class AddressFilter {
  public:
    void Set(std::shared_ptr<const serverlist::IpFilter> filter) { m_filter = std::move(filter); }
    const serverlist::IpFilter* List() const { return m_filter.get(); }
    bool Active() const { return m_filter && !m_filter->Empty(); }
    bool Blocked(std::string_view ip) const { return m_filter && m_filter->Blocked(ip); }
    /// The test the merges take; it reads whatever list is in force when it is asked.
    AddressTest Test() const {
        return [this](std::string_view ip) { return Blocked(ip); };
    }

  private:
    std::shared_ptr<const serverlist::IpFilter> m_filter;
};

}  // namespace hublane::serverlist
