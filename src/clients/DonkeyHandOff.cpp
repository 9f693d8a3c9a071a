// The hand-off of the server list to running eDonkey2000 clients.
#include "clients/DonkeyHandOff.h"

#include <algorithm>
#include <array>
#include <utility>

namespace hublane::clients {
using serverlist::Column;
using serverlist::ServerRow;
using serverlist::ServerTable;
using serverlist::WorkGauge;

namespace {

using platform::SendStatus;
using platform::WindowHandle;
using Outcome = HandOffResult::Outcome;

constexpr std::array<std::pair<Outcome, std::string_view>, 10> kOutcomeNames{{
    {Outcome::Delivered, "delivered"},
    {Outcome::NoClient, "no-client"},
    {Outcome::NoConsole, "no-console"},
    {Outcome::EmptyTable, "empty-table"},
    {Outcome::NotAnswering, "not-answering"},
    {Outcome::WindowGone, "window-gone"},
    {Outcome::NoWine, "no-wine"},
    {Outcome::NoPrefix, "no-prefix"},
    {Outcome::NoHelper, "no-helper"},
    {Outcome::HelperFailed, "helper-failed"},
}};

// The text a buffer of the window system received, up to its zero or its end.
std::string_view BufferText(const char* buffer, int size) {
    return {buffer, static_cast<std::size_t>(std::find(buffer, buffer + size, '\0') - buffer)};
}

}  // namespace

std::string_view OutcomeName(Outcome outcome) {
    for (const auto& [value, name] : kOutcomeNames) {
        if (value == outcome) {
            return name;
        }
    }
    return "unknown";
}

bool OutcomeFromName(std::string_view name, Outcome& outcome) {
    for (const auto& [value, text] : kOutcomeNames) {
        if (text == name) {
            outcome = value;
            return true;
        }
    }
    return false;
}

std::vector<HandOffAddress> HandOffAddresses(const ServerTable& servers) {
    std::vector<HandOffAddress> rows;
    rows.reserve(servers.Count());
    for (const ServerRow& row : servers.Rows()) {
        rows.push_back({row.caption, row.Sub(Column::Port)});
    }
    return rows;
}

std::string ServerCommand(const HandOffAddress& address) {
    return "n " + address.ip + ":" + address.port;
}

std::vector<std::string> HandOffCommands(const std::vector<HandOffAddress>& rows) {
    std::vector<std::string> commands(kClearCommandCount, std::string(kClearCommand));
    commands.reserve(commands.size() + rows.size());
    for (const HandOffAddress& row : rows) {
        commands.push_back(ServerCommand(row));
    }
    return commands;
}

DonkeyHandOff::DonkeyHandOff(platform::WindowSystem& windows, WorkGauge& gauge, int messageTimeoutMs)
    : m_windows(windows), m_gauge(gauge), m_timeoutMs(messageTimeoutMs) {}

HandOffResult DonkeyHandOff::SendToDonkey(const std::vector<HandOffAddress>& rows) {
    m_result = HandOffResult{};
    m_found = false;
    m_stopped = false;
    m_enumerations = 0;
    if (rows.empty()) {
        m_result.outcome = Outcome::EmptyTable;
        return m_result;
    }
    m_rows = &rows;
    const auto visit = [this](WindowHandle window) { return WindowCallback(window); };
    ++m_enumerations;
    m_windows.VisitDesktopChildren(visit);
    if (!m_found && !m_stopped) {
        ++m_enumerations;
        m_windows.VisitTopLevelWindows(visit);
    }
    if (!m_found && !m_stopped) {
        ++m_enumerations;
        m_windows.VisitDesktopWindows(visit);
    }
    m_rows = nullptr;
    if (!m_stopped) {
        m_result.outcome = m_result.consoles > 0  ? Outcome::Delivered
                           : m_result.clients > 0 ? Outcome::NoConsole
                                                  : Outcome::NoClient;
    }
    return m_result;
}

bool DonkeyHandOff::WindowCallback(WindowHandle window) {
    if (m_stopped) {
        return false;
    }
    std::array<char, kTitleBufferSize> title{};
    m_windows.ReadTitle(window, title.data(), kTitleBufferSize);
    // Only 11 characters are read, so every title that begins with them matches.
    if (BufferText(title.data(), kTitleBufferSize) == kClientTitle) {
        ++m_result.clients;
        m_windows.VisitDescendants(window, [this](WindowHandle child) { return ChildCallback(child); });
    }
    return !m_stopped;
}

bool DonkeyHandOff::ChildCallback(WindowHandle child) {
    if (m_stopped) {
        return false;
    }
    std::array<char, kClassBufferSize> className{};
    m_windows.ReadClassName(child, className.data(), kClassBufferSize);
    if (BufferText(className.data(), kClassBufferSize) == kConsoleClass) {
        if (TypeInto(child)) {
            ++m_result.consoles;
        }
    }
    m_found = true;
    return !m_stopped;
}

bool DonkeyHandOff::TypeInto(WindowHandle console) {
    m_gauge.SetMax(kClearCommandCount);
    m_gauge.SetPosition(0);
    const std::string clear(kClearCommand);
    for (int i = 0; i < kClearCommandCount; ++i) {
        m_gauge.Step();
        if (!TypeCommand(console, clear)) {
            return false;
        }
    }
    if (!Sent(m_windows.SendText(console, std::string(), m_timeoutMs))) {
        return false;
    }
    m_gauge.SetMax(static_cast<int>(m_rows->size()));
    m_gauge.SetPosition(0);
    for (const HandOffAddress& row : *m_rows) {
        m_gauge.Step();
        if (!TypeCommand(console, ServerCommand(row))) {
            return false;
        }
    }
    return Sent(m_windows.SendText(console, std::string(), m_timeoutMs));
}

bool DonkeyHandOff::TypeCommand(WindowHandle console, const std::string& command) {
    return Sent(m_windows.SendText(console, command, m_timeoutMs)) &&
           Sent(m_windows.SendKeyDown(console, kEnterKey, 0, m_timeoutMs)) &&
           Sent(m_windows.SendText(console, std::string(), m_timeoutMs));
}

// A message that was not handled ends the hand-off: a client that hangs would hang every
// following message too, and one whose console went away is being closed.
bool DonkeyHandOff::Sent(SendStatus status) {
    if (status == SendStatus::Done) {
        return true;
    }
    m_stopped = true;
    m_result.outcome = status == SendStatus::TimedOut ? Outcome::NotAnswering : Outcome::WindowGone;
    return false;
}

}  // namespace hublane::clients
