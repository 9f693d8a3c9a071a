// The hand-off to eMule on the system the program runs on: sent by this process on
// Windows, through the Windows helper in the client's Wine prefix elsewhere.
#pragma once

#include <memory>

#include "clients/HandOffRunner.h"
#include "clients/SystemHandOffRunner.h"

namespace hublane::clients {

/// The option that turns hublane-handoff.exe into the eMule hand-off.
inline constexpr const char* kEmuleHelperOption = "--emule";
/// Added to it: the helper only looks for eMule's window.
inline constexpr const char* kEmuleFindOption = "--find";

/// The runner finds eMule as the eDonkey2000 hand-off finds its client (setup), and tells with
/// the same results (see EmuleHandOff).
std::unique_ptr<clients::HandOffRunner> CreateSystemEmuleRunner(clients::HandOffSetup setup);

/// Whether eMule runs, found as the hand-off finds it and sent nothing (EmuleHandOff::Find):
/// Delivered with clients 1 when its main window answered.
clients::HandOffResult FindSystemEmule(clients::HandOffSetup setup);

}  // namespace hublane::clients
