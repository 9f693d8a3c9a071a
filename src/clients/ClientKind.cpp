// The eD2k clients by name, and the guess from what the machine shows.
#include "clients/ClientKind.h"

#include <algorithm>
#include <cctype>

namespace hublane::clients {
namespace {

std::string Lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

// The program's file name without its folder (either separator), its quotes, its icon index
// (",0"), its arguments and ".exe", in lower case.
std::string ProgramName(std::string_view handler) {
    std::string text = Lower(handler);
    text.erase(std::remove(text.begin(), text.end(), '"'), text.end());
    if (const auto comma = text.rfind(','); comma != std::string::npos) {
        text.erase(comma);
    }
    if (const auto slash = text.find_last_of("/\\"); slash != std::string::npos) {
        text.erase(0, slash + 1);
    }
    if (const auto space = text.find(' '); space != std::string::npos) {
        text.erase(space);
    }
    if (text.size() > 4 && text.compare(text.size() - 4, 4, ".exe") == 0) {
        text.erase(text.size() - 4);
    }
    return text;
}

}  // namespace

std::optional<ClientKind> ParseClientKind(std::string_view name) {
    const std::string lower = Lower(name);
    for (const ClientKind kind : {ClientKind::Edonkey, ClientKind::Emule, ClientKind::Amule}) {
        if (lower == ClientKindName(kind)) {
            return kind;
        }
    }
    return std::nullopt;
}

const char* ClientKindName(ClientKind kind) {
    switch (kind) {
        case ClientKind::Edonkey:
            return "edonkey";
        case ClientKind::Emule:
            return "emule";
        case ClientKind::Amule:
            return "amule";
    }
    return "edonkey";
}

ClientKind GuessClientKind(const ClientClues& clues) {
    if (!clues.storedFolder.empty()) {
        if (clues.storedFolderHoldsEmule) {
            return ClientKind::Emule;
        }
        return clues.storedFolderHoldsAmule ? ClientKind::Amule : ClientKind::Edonkey;
    }
    if (!clues.linkHandler.empty()) {
        const std::string program = ProgramName(clues.linkHandler);
        if (clues.handlerFolderHoldsEmule || program == "emule") {
            return ClientKind::Emule;
        }
        if (program == "ed2k" || program.find("amule") != std::string::npos) {
            return ClientKind::Amule;
        }
        if (program.find("donkey") != std::string::npos) {
            return ClientKind::Edonkey;
        }
    }
    return clues.amuleFolderExists ? ClientKind::Amule : ClientKind::Edonkey;
}

}  // namespace hublane::clients
