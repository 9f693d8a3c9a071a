// The hand-off of the system the program runs on: typed by this process on
// Windows, through the Windows helper under Wine elsewhere.
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "clients/HandOffRunner.h"

namespace hublane::serverlist {
class UiWaits;
}

namespace hublane::clients {

/// What the system's hand-off may need to find the client. Each hand-off asks again, so a client
/// folder chosen meanwhile counts.
struct HandOffSetup {
    /// The client's folder as stored, read without asking anybody; empty when unknown.
    std::function<QString()> clientFolder;
    /// The program registered for ed2k links, as the class registration answers.
    std::function<std::optional<QString>()> registeredProgram;
    /// The running program's folder: the helper lies in its win64/ and win32/ folders (after
    /// $HUBLANE_HELPER_DIR's, when set).
    QString programDir;
    /// The waits of the GUI thread: a wait for the helper ends when the program quits.
    serverlist::UiWaits* waits = nullptr;
};

std::unique_ptr<HandOffRunner> CreateSystemHandOffRunner(HandOffSetup setup);

}  // namespace hublane::clients
