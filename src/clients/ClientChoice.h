// Which client this copy serves, and the one object that stands for it: the option, else the
// setting Client, else what the machine shows (see GuessClientKind).
#pragma once

#include <QString>
#include <memory>
#include <optional>

#include "clients/Client.h"
#include "clients/ClientKind.h"
#include "clients/TPartInfo.h"

namespace hublane::clients {

/// The setting that names the client ("edonkey", "emule", "amule").
inline constexpr const char* kClientSetting = "Client";

/// What the machine shows of the installed clients: the folder given for the list (folder), else
/// the stored one, the program the ed2k links are registered to, and aMule's folder (amuleFolder;
/// empty: ~/.aMule).
ClientClues GatherClientClues(platform::SettingsStore& settings, platform::ClassRegistration& classes,
                              const QString& folder = {}, const QString& amuleFolder = {});

/// given when set, else the setting Client when it names a client, else the guess from the clues
/// (folder: the folder given for the client's list, which then speaks for itself).
ClientKind ChooseClientKind(std::optional<ClientKind> given, platform::SettingsStore& settings,
                            platform::ClassRegistration& classes, const QString& folder = {});

/// The client of that kind. programDir: the running program's folder; folder: the folder that
/// holds its server.met, given on the command line (empty: the client's own rule).
std::unique_ptr<Client> CreateClient(ClientKind kind, const PartInfoDeps& locator, const QString& programDir,
                                     const QString& folder = {});

}  // namespace hublane::clients
