// The client's names and the guess made from what the machine shows.
#include "clients/ClientKind.h"

#include <gtest/gtest.h>

namespace hublane::clients {
namespace {

TEST(ClientKindTest, NamesReadBackAndOthersAreRefused) {
    for (const ClientKind kind : {ClientKind::Edonkey, ClientKind::Emule, ClientKind::Amule}) {
        EXPECT_EQ(ParseClientKind(ClientKindName(kind)), kind);
    }
    EXPECT_EQ(ParseClientKind("aMule"), ClientKind::Amule);
    EXPECT_EQ(ParseClientKind("EMULE"), ClientKind::Emule);
    for (const char* bad : {"", "mule", "edonkey2000", " amule", "amule\n"}) {
        EXPECT_EQ(ParseClientKind(bad), std::nullopt) << bad;
    }
}

TEST(ClientKindTest, GuessesTheClientAUserWouldExpect) {
    struct Case {
        const char* what;
        ClientClues clues;
        ClientKind expected;
    };
    const std::vector<Case> cases = {
        {"nothing found: eDonkey2000, whose folder is asked for", {}, ClientKind::Edonkey},
        {"a stored folder", {.storedFolder = "C:\\eDonkey2000"}, ClientKind::Edonkey},
        {"a stored folder holding emule.exe",
         {.storedFolder = "C:\\eMule", .storedFolderHoldsEmule = true},
         ClientKind::Emule},
        {"a folder holding amule.conf",
         {.storedFolder = "/srv/amule", .storedFolderHoldsAmule = true},
         ClientKind::Amule},
        {"the stored folder wins over aMule's folder and handler",
         {.storedFolder = "C:\\eDonkey2000", .linkHandler = "/usr/bin/ed2k", .amuleFolderExists = true},
         ClientKind::Edonkey},
        {"aMule's link helper", {.linkHandler = "/usr/bin/ed2k"}, ClientKind::Amule},
        {"aMule itself as handler", {.linkHandler = "/usr/local/bin/amule"}, ClientKind::Amule},
        {"eMule as handler, quoted with its icon",
         {.linkHandler = "\"C:\\Program Files\\eMule\\emule.exe\",0"},
         ClientKind::Emule},
        {"a handler whose folder holds eMule",
         {.linkHandler = "C:\\P2P\\start.exe", .handlerFolderHoldsEmule = true},
         ClientKind::Emule},
        {"eDonkey2000 as handler beats aMule's folder",
         {.linkHandler = "C:\\eDonkey2000\\eDonkey2000.exe,1", .amuleFolderExists = true},
         ClientKind::Edonkey},
        {"an unknown handler and aMule's folder",
         {.linkHandler = "/usr/bin/xdg-open", .amuleFolderExists = true},
         ClientKind::Amule},
        {"aMule's folder alone", {.amuleFolderExists = true}, ClientKind::Amule},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GuessClientKind(c.clues), c.expected) << c.what;
    }
}

}  // namespace
}  // namespace hublane::clients
