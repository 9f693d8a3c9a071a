// The eD2k clients this copy can serve, their names in the setting Client and the option
// --client, and the guess made from what is found on the machine when neither names one.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace hublane::clients {

enum class ClientKind { Edonkey, Emule, Amule };

/// "edonkey", "emule" or "amule" (letter case ignored); nullopt for any other text.
std::optional<ClientKind> ParseClientKind(std::string_view name);
/// The kind's name as the setting and the option spell it.
const char* ClientKindName(ClientKind kind);

/// What the machine shows of the installed clients.
struct ClientClues {
    /// The folder given for the client's list, else the one stored as the client's (PathDonkey);
    /// empty when none.
    std::string storedFolder{};
    bool storedFolderHoldsEmule = false;  ///< it holds emule.exe
    bool storedFolderHoldsAmule = false;  ///< it holds amule.conf
    /// The program the ed2k links are registered to, empty when none.
    std::string linkHandler{};
    bool handlerFolderHoldsEmule = false;  ///< the handler's folder holds emule.exe
    bool amuleFolderExists = false;        ///< ~/.aMule is a folder
};

/// The client a user would expect: a given or stored folder holding eMule means eMule, one
/// holding amule.conf aMule, any other eDonkey2000; else the link handler's client (eMule by its folder or
/// name, aMule by its name: aMule's link helper is called "ed2k"); else aMule when ~/.aMule exists; else
/// eDonkey2000, whose folder is then asked for.
ClientKind GuessClientKind(const ClientClues& clues);

}  // namespace hublane::clients
