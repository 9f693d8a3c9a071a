// The server table and the peer list: rows, the one-row-per-address rule, sort and clean-up.
#include "serverlist/ServerTable.h"

#include <algorithm>

namespace hublane::serverlist {
namespace {

char FoldCase(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// The second part of a "172." caption: the text between the first and the second dot (or the
// end). Returns -1 when it is not a plain decimal number of at most three digits.
int SecondOctet(std::string_view caption) {
    const std::size_t first = caption.find('.');
    if (first == std::string_view::npos) {
        return -1;
    }
    const std::size_t second = caption.find('.', first + 1);
    const std::string_view part = caption.substr(
        first + 1, second == std::string_view::npos ? std::string_view::npos : second - first - 1);
    if (part.empty() || part.size() > 3) {
        return -1;
    }
    int value = 0;
    for (const char c : part) {
        if (c < '0' || c > '9') {
            return -1;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

std::string Folded(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = FoldCase(c);
    }
    return out;
}

}  // namespace

int CompareNoCase(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto ca = static_cast<unsigned char>(FoldCase(a[i]));
        const auto cb = static_cast<unsigned char>(FoldCase(b[i]));
        if (ca != cb) {
            return ca < cb ? -1 : 1;
        }
    }
    if (a.size() == b.size()) {
        return 0;
    }
    return a.size() < b.size() ? -1 : 1;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && CompareNoCase(a, b) == 0;
}

bool CaptionIndex::Contains(std::string_view caption) const {
    return m_counts.count(Folded(caption)) > 0;
}

void CaptionIndex::Add(std::string_view caption) {
    ++m_counts[Folded(caption)];
}

void CaptionIndex::Remove(std::string_view caption) {
    const auto it = m_counts.find(Folded(caption));
    if (it != m_counts.end() && --it->second <= 0) {
        m_counts.erase(it);
    }
}

int lvipCompare(const ServerRow& item1, const ServerRow& item2, int sortColumn) {
    if (sortColumn <= 0 || sortColumn > kSubItemCount) {
        return CompareNoCase(item1.caption, item2.caption);
    }
    const auto sub = static_cast<std::size_t>(sortColumn - 1);
    return CompareNoCase(item1.subItems[sub], item2.subItems[sub]);
}

bool ServerTable::AddServerRow(std::string_view ip, std::string_view port, std::string_view users,
                               std::string_view files, std::string_view name, std::string_view description,
                               std::string_view home) {
    if (m_captions.Contains(ip)) {
        return false;
    }
    ServerRow row;
    row.caption = std::string(ip);
    row.subItems = {std::string(port), std::string(users),       std::string(files),
                    std::string(name), std::string(description), std::string(home)};
    m_captions.Add(row.caption);
    m_rows.push_back(std::move(row));
    return true;
}

void ServerTable::SetCaption(std::size_t i, std::string_view caption) {
    ServerRow& row = m_rows.at(i);
    m_captions.Remove(row.caption);
    row.caption = std::string(caption);
    m_captions.Add(row.caption);
}

void ServerTable::Remove(std::size_t i) {
    m_captions.Remove(m_rows.at(i).caption);
    m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(i));
}

void ServerTable::Clear() {
    m_rows.clear();
    m_captions.Clear();
}

int ServerTable::FindExact(std::string_view ip) const {
    if (!m_captions.Contains(ip)) {
        return -1;
    }
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i].caption == ip) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int ServerTable::FindNoCase(std::string_view ip) const {
    if (!m_captions.Contains(ip)) {
        return -1;
    }
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        if (EqualsNoCase(m_rows[i].caption, ip)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void ServerTable::SortByColumn(int column) {
    m_sortColumn = column;
    Sort();
}

void ServerTable::Sort() {
    const int column = m_sortColumn;
    std::stable_sort(m_rows.begin(), m_rows.end(), [column](const ServerRow& a, const ServerRow& b) {
        return lvipCompare(a, b, column) < 0;
    });
}

bool PeerList::AddPeerRow(std::string_view ip) {
    if (m_captions.Contains(ip)) {
        return false;
    }
    Append(ip);
    return true;
}

void PeerList::Append(std::string_view ip) {
    m_captions.Add(ip);
    m_rows.push_back(PeerRow{std::string(ip), false});
}

void PeerList::Remove(std::size_t i) {
    m_captions.Remove(m_rows.at(i).caption);
    m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(i));
}

void PeerList::Clear() {
    m_rows.clear();
    m_captions.Clear();
}

int PeerList::FindExact(std::string_view ip) const {
    if (!m_captions.Contains(ip)) {
        return -1;
    }
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i].caption == ip) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void PeerList::SortByCaption() {
    std::stable_sort(m_rows.begin(), m_rows.end(), [](const PeerRow& a, const PeerRow& b) {
        return CompareNoCase(a.caption, b.caption) < 0;
    });
}

void ClearAnsweredFlags(ServerTable& servers, PeerList& peers) {
    for (std::size_t i = 0; i < servers.Count(); ++i) {
        servers.Row(i).answered = false;
    }
    for (std::size_t i = 0; i < peers.Count(); ++i) {
        peers.Row(i).answered = false;
    }
}

bool IsUnwantedAddress(std::string_view caption) {
    if (StartsWith(caption, "10.")) {
        return true;
    }
    if (StartsWith(caption, "172.")) {
        const int second = SecondOctet(caption);
        if (second >= 16 && second <= 31) {
            return true;
        }
    }
    return StartsWith(caption, "192.168.") || StartsWith(caption, "255.") || StartsWith(caption, "127.0.0.1");
}

std::size_t CleanUpTables(ServerTable& servers, PeerList& peers, WorkGauge& gauge) {
    gauge.SetMax(static_cast<int>(servers.Count()));
    gauge.SetPosition(0);
    servers.Sort();

    // After a removal the same position is examined again.
    for (std::size_t i = 0; i < servers.Count();) {
        gauge.SetMax(static_cast<int>(servers.Count()));
        gauge.Step();
        if (IsUnwantedAddress(servers.Row(i).caption)) {
            servers.Remove(i);
        } else {
            ++i;
        }
    }
    for (std::size_t i = 0; i < peers.Count();) {
        gauge.SetMax(static_cast<int>(peers.Count()));
        gauge.Step();
        if (IsUnwantedAddress(peers.Row(i).caption)) {
            peers.Remove(i);
        } else {
            ++i;
        }
    }

    gauge.SetPosition(0);
    // Neighbours only: duplicates are found when the table is sorted by IP.
    for (std::size_t i = 0; i < servers.Count();) {
        gauge.SetMax(static_cast<int>(servers.Count()));
        gauge.Step();
        if (i + 1 < servers.Count() && servers.Row(i + 1).caption == servers.Row(i).caption) {
            servers.Remove(i);
        } else {
            ++i;
        }
    }
    servers.Sort();
    return servers.Count();
}

}  // namespace hublane::serverlist
