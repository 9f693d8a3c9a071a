// The program's command line.
#include "ui/ProgramCommandLine.h"

#include <cstdio>

#include "clients/ClientKind.h"
#include "platform/CopyAddress.h"
#include "text/ParserOptions.h"

namespace hublane::ui {

const std::vector<text::OptionHelp>& ProgramOptions() {
    static const std::vector<text::OptionHelp> options = {
        {"peer-address", "ADDR", "Adresse de cette copie (toutes par défaut)."},
        {"web", "URL", "Annuaire web à utiliser."},
        {"version-url", "URL", "Fichier de version publié à comparer."},
        {"ip-filter", "FILE", "Liste de filtrage IP (ipfilter.dat, guarding.p2p)."},
        {"client", "C",
         "Client servi : edonkey, emule ou amule (par défaut le réglage Client, sinon celui trouvé sur "
         "cette machine)."},
        {"client-dir", "DIR",
         "Dossier qui contient le server.met du client (eMule : son dossier config, aMule : ~/.aMule).",
         false, "donkey-dir"},
    };
    return options;
}

void SetUpProgramParser(QCommandLineParser& parser) {
    parser.setApplicationDescription(
        QStringLiteral("Hublane garde la liste de serveurs d'eDonkey2000, d'eMule ou d'aMule à jour."));
    parser.addHelpOption();
    text::AddParserOptions(parser, ProgramOptions());
}

std::optional<app::EngineOptions> ReadProgramCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    SetUpProgramParser(parser);
    parser.process(arguments);
    app::EngineOptions options;
    const QString client = parser.value(QStringLiteral("client"));
    if (parser.isSet(QStringLiteral("client"))) {
        options.client = clients::ParseClientKind(client.toStdString());
        if (!options.client) {
            std::fprintf(stderr, "hublane: unknown client '%s' (edonkey, emule or amule)\n",
                         qUtf8Printable(client));
            return std::nullopt;
        }
    }
    options.clientDir = parser.value(QStringLiteral("client-dir"));
    const QString peerAddress = parser.value(QStringLiteral("peer-address"));
    const std::optional<platform::CopyAddress> address = platform::ReadCopyAddress(peerAddress);
    if (!address) {
        std::fprintf(stderr, "hublane: bad address '%s'\n", qUtf8Printable(peerAddress));
        return std::nullopt;
    }
    options.address = *address;
    options.webUrl = parser.value(QStringLiteral("web"));
    options.versionUrl = parser.value(QStringLiteral("version-url"));
    options.ipFilterPath = parser.value(QStringLiteral("ip-filter"));
    return options;
}

}  // namespace hublane::ui
