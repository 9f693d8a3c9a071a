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

// Part `index` of a caption (0 for the text before the first dot, 1 for the text between the
// first and the second dot or the end, ...). Returns -1 when it is missing or not a plain decimal
// number of at most three digits.
int Octet(std::string_view caption, int index) {
    std::size_t start = 0;
    for (int i = 0; i < index; ++i) {
        const std::size_t dot = caption.find('.', start);
        if (dot == std::string_view::npos) {
            return -1;
        }
        start = dot + 1;
    }
    const std::size_t end = caption.find('.', start);
    const std::string_view part =
        caption.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
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

int SecondOctet(std::string_view caption) {
    return Octet(caption, 1);
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
    if (Contains(ip)) {
        return false;
    }
    ServerRow row;
    row.caption = std::string(ip);
    row.subItems = {std::string(port), std::string(users),       std::string(files),
                    std::string(name), std::string(description), std::string(home)};
    Push(std::move(row));
    return true;
}

void ServerTable::SortByColumn(int column) {
    m_sortColumn = column;
    Sort();
}

void ServerTable::Sort() {
    const int column = m_sortColumn;
    StableSort([column](const ServerRow& a, const ServerRow& b) { return lvipCompare(a, b, column) < 0; });
}

bool PeerList::AddPeerRow(std::string_view ip) {
    return !Contains(ip) && Append(ip);
}

bool PeerList::Append(std::string_view ip) {
    if (Full()) {
        return false;
    }
    Push(PeerRow{std::string(ip), false});
    return true;
}

void PeerList::SortByCaption() {
    StableSort([](const PeerRow& a, const PeerRow& b) { return CompareNoCase(a.caption, b.caption) < 0; });
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
    if (StartsWith(caption, "192.168.") || StartsWith(caption, "255.") || StartsWith(caption, "127.0.0.1")) {
        return true;
    }
    // Addresses no server can have: "this network" 0/8, the carriers' shared 100.64/10, link-local
    // 169.254/16, multicast 224/4 and the reserved 240/4. Anyone can put them in a list.
    const int first = Octet(caption, 0);
    if (first < 0 || caption.find('.') == std::string_view::npos) {
        return false;
    }
    const int second = SecondOctet(caption);
    return first == 0 || (first == 100 && second >= 64 && second <= 127) || (first == 169 && second == 254) ||
           (first >= 224 && first <= 255);
}

std::size_t CleanUpTables(ServerTable& servers, PeerList& peers, WorkGauge& gauge,
                          std::string_view ownAddress, const AddressTest& blocked, int* filtered) {
    gauge.SetMax(static_cast<int>(servers.Count()));
    gauge.SetPosition(0);
    servers.Sort();

    // Each row is examined once, in order; the gauge's maximum follows the shrinking list as it
    // would if the rows were taken out one by one.
    const auto removeUnwanted = [&gauge, &blocked, filtered](auto& list, std::string_view own) {
        std::size_t left = list.Count();
        list.RemoveIf([&gauge, &left, own, &blocked, filtered](const auto& row) {
            gauge.SetMax(static_cast<int>(left));
            gauge.Step();
            const bool keptOut = blocked && blocked(row.caption);
            if (keptOut && filtered != nullptr) {
                ++*filtered;
            }
            const bool unwanted =
                keptOut || IsUnwantedAddress(row.caption) || (!own.empty() && row.caption == own);
            if (unwanted) {
                --left;
            }
            return unwanted;
        });
    };
    removeUnwanted(servers, {});
    removeUnwanted(peers, ownAddress);

    gauge.SetPosition(0);
    // Neighbours only: duplicates are found when the table is sorted by IP. Of a run of equal
    // captions, the last row stays.
    const std::vector<ServerRow>& rows = servers.Rows();
    std::size_t left = rows.size();
    std::size_t i = 0;
    servers.RemoveIf([&](const ServerRow& row) {
        gauge.SetMax(static_cast<int>(left));
        gauge.Step();
        const bool duplicate = i + 1 < rows.size() && rows[i + 1].caption == row.caption;
        ++i;
        if (duplicate) {
            --left;
        }
        return duplicate;
    });
    servers.Sort();
    return servers.Count();
}

}  // namespace hublane::serverlist
