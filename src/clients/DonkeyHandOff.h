// The hand-off of the server list to running eDonkey2000 clients: finding each
// client's console control through the window system and typing the console commands into it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/WindowSystem.h"
#include "serverlist/ServerTable.h"
#include "serverlist/WorkGauge.h"

namespace hublane::clients {

/// A window whose title begins with these 11 characters (letter case counts) is a client.
inline constexpr std::string_view kClientTitle = "eDonkey2000";
/// The class of the client's console control.
inline constexpr std::string_view kConsoleClass = "RICHEDIT";
/// The title buffer holds 11 characters and the zero; the class buffer 49 and the zero.
inline constexpr int kTitleBufferSize = 12;
inline constexpr int kClassBufferSize = 50;
/// The command that clears the client's servers, and how often it is typed first.
inline constexpr std::string_view kClearCommand = "b 1";
inline constexpr int kClearCommandCount = 2000;
/// The key that runs a typed command (wParam of WM_KEYDOWN; lParam is 0).
inline constexpr int kEnterKey = 13;
/// How long one message may take before the client counts as not answering.
inline constexpr int kMessageTimeoutMs = 5000;

/// One server row as the hand-off types it: the IP text and the port text.
struct HandOffAddress {
    std::string ip;
    std::string port;
    bool operator==(const HandOffAddress&) const = default;
};

/// What one hand-off did.
struct HandOffResult {
    enum class Outcome {
        Delivered,     ///< at least one console control received the whole list
        NoClient,      ///< no window title begins with "eDonkey2000"
        NoConsole,     ///< clients were found, none with a console control
        EmptyTable,    ///< no server row: nothing was typed (it would only clear the client's list)
        NotAnswering,  ///< a client did not handle a message in time; the hand-off stopped there
        WindowGone,    ///< a console control went away while it was typed into; stopped there
        NoWine,        ///< (under Wine) the wine program is missing
        NoPrefix,      ///< (under Wine) no Wine prefix where a client could run
        NoHelper,      ///< (under Wine) the Windows helper program is missing
        HelperFailed,  ///< (under Wine) the helper ended without telling what it did
    };
    Outcome outcome = Outcome::NoClient;
    /// Windows whose title matched (a window met by two enumerations counts twice).
    int clients = 0;
    /// Console controls that received the whole list.
    int consoles = 0;
    /// What the outcome concerns, for people: a path, an exit status, the helper's last words.
    std::string detail;
    bool operator==(const HandOffResult&) const = default;
};

/// The stable word of an outcome ("delivered", "no-client", ...) and back.
std::string_view OutcomeName(HandOffResult::Outcome outcome);
bool OutcomeFromName(std::string_view name, HandOffResult::Outcome& outcome);

/// The server rows in table order: each row's caption and its Port text.
std::vector<HandOffAddress> HandOffAddresses(const serverlist::ServerTable& servers);
/// "n " + IP + ":" + Port.
std::string ServerCommand(const HandOffAddress& address);
/// Every command typed into one console control, in order: 2000 × "b 1", then one server command
/// per row. (Between and after them the control also gets an empty text, which is no command.)
std::vector<std::string> HandOffCommands(const std::vector<HandOffAddress>& rows);

/// The hand-off itself. The window system is walked first below the desktop window, then (while no
/// client's child window has been met) the top-level windows, then the desktop's windows. In
/// every window whose title begins with "eDonkey2000", every descendant of class "RICHEDIT"
/// receives, one message after the other, each waiting for the client: 2000 × "b 1" and an empty
/// text, one server command per row and an empty text. Typing a command is WM_SETTEXT with it,
/// WM_KEYDOWN with Enter, WM_SETTEXT with an empty text.
///
/// Unlike a blind hand-off, an empty table types nothing (the clearing commands alone would wipe
/// the client's list), and a message the client does not handle within the time limit ends the
/// whole hand-off instead of blocking it for ever.
class DonkeyHandOff {
  public:
    DonkeyHandOff(platform::WindowSystem& windows, serverlist::WorkGauge& gauge,
                  int messageTimeoutMs = kMessageTimeoutMs);

    /// Types rows into every console control found; the gauge shows the phase being typed.
    HandOffResult SendToDonkey(const std::vector<HandOffAddress>& rows);

    /// How many of the three enumerations the last hand-off ran.
    int EnumerationsRun() const { return m_enumerations; }

  private:
    bool WindowCallback(platform::WindowHandle window);
    bool ChildCallback(platform::WindowHandle child);
    /// Types the whole sequence into one console; false when a message failed.
    bool TypeInto(platform::WindowHandle console);
    bool TypeCommand(platform::WindowHandle console, const std::string& command);
    bool Sent(platform::SendStatus status);

    platform::WindowSystem& m_windows;
    serverlist::WorkGauge& m_gauge;
    int m_timeoutMs;
    const std::vector<HandOffAddress>* m_rows = nullptr;
    // Set as soon as a child window of a client has been visited: the next enumeration method is
    // then not tried.
    bool m_found = false;
    // Set when a message failed: every enumeration stops at its next window.
    bool m_stopped = false;
    int m_enumerations = 0;
    HandOffResult m_result;
};

}  // namespace hublane::clients
