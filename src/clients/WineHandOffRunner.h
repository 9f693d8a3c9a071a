// The hand-off into a client that runs under Wine: the Windows helper
// hublane-handoff.exe run with wine in the client's prefix, its lines turned into the gauge and
// the result; and the choice of wine, prefix and helper.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "clients/HandOffRunner.h"

namespace hublane::serverlist {
class UiWaits;
}

namespace hublane::clients {

/// Where the helper runs and with what.
struct WineHandOffConfig {
    QString wine;    ///< the wine program
    QString helper;  ///< hublane-handoff.exe of the prefix's architecture
    QString prefix;  ///< the WINEPREFIX the client runs in
    int messageTimeoutMs = kMessageTimeoutMs;
    /// The helper is ended when it says nothing for this long (starting Wine included).
    int silenceLimitMs = 30000;
};

/// What the choice reads: the places a client's prefix may be found, and where programs are.
struct WineSearch {
    /// The client's folder as stored, a local path when it runs under Wine; may be empty.
    QString clientFolder;
    /// The program registered for ed2k links, as the class registration gives it (a local path).
    std::optional<QString> registeredProgram;
    /// $WINEPREFIX, $HOME and $PATH.
    QString winePrefixVariable;
    QString home;
    QString pathVariable;
    /// Folders holding win64/ and win32/ with the helper, first found first used.
    QStringList helperDirs;
};

/// The wine program, the client's prefix (the one holding the client's folder, else the one
/// holding the registered program, else $WINEPREFIX, else ~/.wine; each only when it is a prefix)
/// and the helper built for the prefix's architecture (a 32-bit prefix needs the 32-bit build).
/// nullopt with failure set (NoWine, NoPrefix, NoHelper, and what was looked for) when one is
/// missing.
std::optional<WineHandOffConfig> ChooseWineHandOff(const WineSearch& search, HandOffResult& failure);

/// Runs the helper in the prefix: the rows go to its standard input, its gauge lines move the
/// gauge, its result line is the result. Every wait processes events, ends when the program
/// quits (waits given) and is bounded by the silence limit; a helper that ends without a result
/// line (a 32-bit helper without 32-bit Wine ends "successfully" having done nothing) is a
/// failure that says so.
class WineHandOffRunner final : public HandOffRunner {
  public:
    explicit WineHandOffRunner(WineHandOffConfig config, serverlist::UiWaits* waits = nullptr)
        : m_config(std::move(config)), m_waits(waits) {}

    HandOffResult Run(const std::vector<HandOffAddress>& rows, serverlist::WorkGauge& gauge) override;

  private:
    WineHandOffConfig m_config;
    serverlist::UiWaits* m_waits;
};

}  // namespace hublane::clients
