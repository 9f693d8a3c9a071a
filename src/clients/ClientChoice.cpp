// Which client this copy serves.
#include "clients/ClientChoice.h"

#include <QFileInfo>

#include "clients/AmuleClient.h"
#include "clients/DonkeyClient.h"
#include "clients/EmuleClient.h"
#include "clients/EmuleLocator.h"
#include "platform/ClassRegistration.h"
#include "platform/SettingsStore.h"
#include "text/DirectoryPart.h"

namespace hublane::clients {

ClientClues GatherClientClues(platform::SettingsStore& settings, platform::ClassRegistration& classes,
                              const QString& folder, const QString& amuleFolder) {
    ClientClues clues;
    const QString stored = folder.isEmpty() ? StoredDonkeyDir(settings) : folder;
    clues.storedFolder = stored.toStdString();
    clues.storedFolderHoldsEmule = HoldsEmule(stored);
    clues.storedFolderHoldsAmule =
        !stored.isEmpty() && QFileInfo(WithSeparator(stored) + QStringLiteral("amule.conf")).isFile();
    if (const auto handler = classes.ReadDefaultIcon(QStringLiteral("ed2k"))) {
        clues.linkHandler = handler->toStdString();
        clues.handlerFolderHoldsEmule =
            HoldsEmule(QString::fromStdString(text::FolderOf(text::RemoveDoubleQuotes(clues.linkHandler))));
    }
    clues.amuleFolderExists =
        QFileInfo(amuleFolder.isEmpty() ? AmuleClient::DefaultFolder() : amuleFolder).isDir();
    return clues;
}

ClientKind ChooseClientKind(std::optional<ClientKind> given, platform::SettingsStore& settings,
                            platform::ClassRegistration& classes, const QString& folder) {
    if (given) {
        return *given;
    }
    if (const auto key = settings.Open()) {
        QString stored;
        const QString name = QString::fromLatin1(kClientSetting);
        if (key->ValueExists(name) && key->ReadString(name, stored)) {
            if (const auto kind = ParseClientKind(stored.trimmed().toStdString())) {
                return *kind;
            }
        }
    }
    return GuessClientKind(GatherClientClues(settings, classes, folder));
}

std::unique_ptr<Client> CreateClient(ClientKind kind, const PartInfoDeps& locator, const QString& programDir,
                                     const QString& folder) {
    switch (kind) {
        case ClientKind::Emule:
            return std::make_unique<EmuleClient>(locator, programDir, folder);
        case ClientKind::Amule:
            return std::make_unique<AmuleClient>(folder);
        case ClientKind::Edonkey:
            break;
    }
    return std::make_unique<DonkeyClient>(locator, programDir, folder);
}

}  // namespace hublane::clients
