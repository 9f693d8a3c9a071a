// The server table and the peer list: rows, the one-row-per-address rule, sort and clean-up.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "serverlist/WorkGauge.h"

namespace hublane::serverlist {

/// The literal text of a value the program does not have.
inline constexpr std::string_view kUnknown = "n/a";

/// The peer list takes no row past this many, however the row comes (the rows it has stay): a
/// flood of datagrams from spoofed senders cannot grow it without bound.
inline constexpr std::size_t kMaxPeerRows = 1000;
/// Lists received from the network (server list answers, peer lists, web pages) never grow the
/// server table past this many rows; the client's own file may hold more.
inline constexpr std::size_t kMaxServerRowsFromNetwork = 10000;

/// Whether an address is to be kept out of the lists (an IP filter's test); an empty test keeps
/// nothing out.
using AddressTest = std::function<bool(std::string_view ip)>;

/// One server address as two texts, port then ip (a decoded list entry).
struct SERVEUR {
    std::string port;
    std::string ip;
};

/// The entries of one received list; a list body carries at most 255.
inline constexpr std::size_t kEntryTableSize = 255;
using EntryTable = std::array<SERVEUR, kEntryTableSize>;

/// Sub-items of a server row, in column order after the caption ("IP").
enum class Column : int { Port = 0, Users = 1, Files = 2, Name = 3, Description = 4, Home = 5 };
inline constexpr int kSubItemCount = 6;

struct ServerRow {
    std::string caption;                              // the IP text, the row's key
    std::array<std::string, kSubItemCount> subItems;  // Port, Util., Fichiers, Nom, Description, Home
    bool answered = false;

    std::string& Sub(Column c) { return subItems[static_cast<std::size_t>(c)]; }
    const std::string& Sub(Column c) const { return subItems[static_cast<std::size_t>(c)]; }
};

struct PeerRow {
    std::string caption;  // the IP text
    bool answered = false;
};

/// Case-insensitive text order of two texts (ASCII letters folded), as -1, 0 or 1.
int CompareNoCase(std::string_view a, std::string_view b);
bool EqualsNoCase(std::string_view a, std::string_view b);

/// How many rows hold each caption, letter case folded: answers "is this address a row?" at once,
/// so that reading a large list file does not compare every entry with every row.
class CaptionIndex {
  public:
    bool Contains(std::string_view caption) const;
    void Add(std::string_view caption);
    void Remove(std::string_view caption);
    void Clear() { m_counts.clear(); }

  private:
    std::unordered_map<std::string, int> m_counts;
};

/// Compares two server rows by the given sort column (0 = caption, n = sub-item n - 1).
/// Always ascending text order, never numeric.
int lvipCompare(const ServerRow& item1, const ServerRow& item2, int sortColumn);

/// The rows of one list in display order, keyed by their caption (the address text). The server
/// table and the peer list are both one; the caption index answers look-ups without a scan, and
/// removals of many rows at once run in one pass.
template <typename RowT>
class RowList {
  public:
    std::size_t Count() const { return m_rows.size(); }
    bool Empty() const { return m_rows.empty(); }
    /// A row to change its flag or its other fields; its caption changes only through SetCaption.
    RowT& Row(std::size_t i) { return m_rows.at(i); }
    const RowT& Row(std::size_t i) const { return m_rows.at(i); }
    const std::vector<RowT>& Rows() const { return m_rows; }

    /// Whether a row has this caption, letter case ignored.
    bool Contains(std::string_view caption) const { return m_captions.Contains(caption); }
    /// Index of the first row whose caption equals ip exactly, or -1.
    int FindExact(std::string_view ip) const;
    /// Index of the first row whose caption equals ip with letter case ignored, or -1.
    int FindNoCase(std::string_view ip) const;

    void SetCaption(std::size_t i, std::string_view caption);
    /// Counts every change of the rows' set or order (not of their flags or texts), so that what
    /// is built from the captions can be kept until the list changes.
    std::uint64_t Revision() const { return m_revision; }
    void Remove(std::size_t i);
    /// Removes every row for which remove(row) holds, keeping the order of the others; returns
    /// how many went. One pass, whatever their number.
    template <typename Pred>
    std::size_t RemoveIf(Pred remove);
    void Clear();

  protected:
    void Push(RowT row);
    /// Reorders the rows (a sort); the caption index stays valid.
    template <typename Less>
    void StableSort(Less less);

  private:
    void IndexPositions() const;

    std::vector<RowT> m_rows;
    CaptionIndex m_captions;
    // First position of each exact caption, rebuilt after a removal or a sort when next needed.
    mutable std::unordered_map<std::string, std::size_t> m_firstExact;
    mutable bool m_positionsStale = false;
    std::uint64_t m_revision = 0;
};

/// The ordered list of known servers. Rows are only added, removed and sorted here.
class ServerTable : public RowList<ServerRow> {
  public:
    /// Appends a row unless a row with the same caption exists (letter case ignored).
    /// Returns whether a row was added; values are kept as given ("n/a" for unknown ones).
    bool AddServerRow(std::string_view ip, std::string_view port, std::string_view users = kUnknown,
                      std::string_view files = kUnknown, std::string_view name = kUnknown,
                      std::string_view description = kUnknown, std::string_view home = kUnknown);

    int SortColumn() const { return m_sortColumn; }
    /// The column-click handler: remembers the column and sorts once.
    void SortByColumn(int column);
    /// Sorts once by the current sort column (stable: equal rows keep their order).
    void Sort();

  private:
    int m_sortColumn = 0;
};

/// The list of other running copies of the program, at most kMaxPeerRows of them.
class PeerList : public RowList<PeerRow> {
  public:
    /// Appends a row unless a row with the same caption exists (letter case ignored) or the list
    /// is full.
    bool AddPeerRow(std::string_view ip);
    /// Appends a row without looking for an existing one (the web fetch of peers does this);
    /// false when the list is full.
    bool Append(std::string_view ip);
    bool Full() const { return Count() >= kMaxPeerRows; }
    /// Sorts by caption, case-insensitive, stable.
    void SortByCaption();
};

/// Clears the answered flag of every row of both lists.
void ClearAnsweredFlags(ServerTable& servers, PeerList& peers);

/// True for captions the clean-up removes: 10.*, 172.16-31.*, 192.168.*, 255.*, every caption
/// that begins with 127.0.0.1 (127.0.0.15 included), and the ranges no server can have: 0/8,
/// 100.64/10, 169.254/16, 224/4 and 240/4. A caption whose parts are not plain decimal numbers is
/// kept: it cannot be told to lie in the range.
bool IsUnwantedAddress(std::string_view caption);

/// The table clean-up: sort, removal of private, loopback and broadcast addresses from both lists,
/// removal of adjacent duplicate captions, sort again. Drives the gauge; returns the number of
/// server rows for the server counter. A copy that has an address of its own (ownAddress) also
/// drops it from its peer list, as every copy drops 127.0.0.1: it is never its own peer. Rows that
/// `blocked` keeps out go in the same pass; their number is added to filtered when given.
std::size_t CleanUpTables(ServerTable& servers, PeerList& peers, WorkGauge& gauge,
                          std::string_view ownAddress = {}, const AddressTest& blocked = {},
                          int* filtered = nullptr);

// --- RowList, defined here because it is a template ---

template <typename RowT>
int RowList<RowT>::FindExact(std::string_view ip) const {
    if (!m_captions.Contains(ip)) {
        return -1;
    }
    IndexPositions();
    const auto it = m_firstExact.find(std::string(ip));
    return it == m_firstExact.end() ? -1 : static_cast<int>(it->second);
}

template <typename RowT>
int RowList<RowT>::FindNoCase(std::string_view ip) const {
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

template <typename RowT>
void RowList<RowT>::SetCaption(std::size_t i, std::string_view caption) {
    RowT& row = m_rows.at(i);
    m_captions.Remove(row.caption);
    row.caption = std::string(caption);
    m_captions.Add(row.caption);
    m_positionsStale = true;
    ++m_revision;
}

template <typename RowT>
void RowList<RowT>::Remove(std::size_t i) {
    m_captions.Remove(m_rows.at(i).caption);
    m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(i));
    m_positionsStale = true;
    ++m_revision;
}

template <typename RowT>
template <typename Pred>
std::size_t RowList<RowT>::RemoveIf(Pred remove) {
    // Every row is asked in order while none has moved, so the test may look at its neighbours.
    std::vector<char> drop(m_rows.size(), 0);
    std::size_t dropped = 0;
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        if (remove(static_cast<const RowT&>(m_rows[i]))) {
            drop[i] = 1;
            ++dropped;
        }
    }
    if (dropped == 0) {
        return 0;
    }
    std::size_t kept = 0;
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        if (drop[i]) {
            m_captions.Remove(m_rows[i].caption);
        } else {
            if (kept != i) {
                m_rows[kept] = std::move(m_rows[i]);
            }
            ++kept;
        }
    }
    m_rows.resize(kept);
    m_positionsStale = true;
    ++m_revision;
    return dropped;
}

template <typename RowT>
void RowList<RowT>::Clear() {
    m_rows.clear();
    m_captions.Clear();
    m_firstExact.clear();
    m_positionsStale = false;
    ++m_revision;
}

template <typename RowT>
void RowList<RowT>::Push(RowT row) {
    m_captions.Add(row.caption);
    if (!m_positionsStale) {
        m_firstExact.emplace(row.caption, m_rows.size());
    }
    m_rows.push_back(std::move(row));
    ++m_revision;
}

template <typename RowT>
template <typename Less>
void RowList<RowT>::StableSort(Less less) {
    std::stable_sort(m_rows.begin(), m_rows.end(), less);
    m_positionsStale = true;
    ++m_revision;
}

template <typename RowT>
void RowList<RowT>::IndexPositions() const {
    if (!m_positionsStale) {
        return;
    }
    m_firstExact.clear();
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        m_firstExact.emplace(m_rows[i].caption, i);
    }
    m_positionsStale = false;
}

}  // namespace hublane::serverlist
