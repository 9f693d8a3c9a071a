// TPartInfo: settles the eDonkey2000 installation folder for one file operation.
#include "clients/TPartInfo.h"

#include <QDir>

#include "language/LanguageTable.h"
#include "platform/ClassRegistration.h"
#include "platform/SettingsKeys.h"
#include "platform/SettingsStore.h"
#include "platform/UserPrompts.h"
#include "platform/VersionText.h"
#include "text/DirectoryPart.h"

namespace hublane::clients {

namespace {

QString PathDonkeyName() {
    return platform::settings::kPathDonkey.Name();
}

QString FolderOfText(const QString& text) {
    return QString::fromStdString(text::FolderOf(text::RemoveDoubleQuotes(text.toStdString())));
}

}  // namespace

QString WithSeparator(QString folder) {
    if (folder.isEmpty()) {
        return folder;
    }
    const QChar separator = QLatin1Char(text::FolderSeparator(folder.toStdString()));
    if (!folder.endsWith(separator)) {
        folder += separator;
    }
    return folder;
}

TPartInfo::TPartInfo(platform::BusyOwner& owner, const PartInfoDeps& deps) : m_owner(owner), m_deps(deps) {
    m_owner.SetBusyCursor(true);
}

TPartInfo::~TPartInfo() {
    m_owner.SetBusyCursor(false);
}

bool TPartInfo::FindDonkeyPath() {
    m_donkeyDir.clear();
    ReadStoredPath();
    if (m_donkeyDir.isEmpty()) {
        QString startFolder;
        if (const auto icon = m_deps.classes.ReadDefaultIcon(QStringLiteral("ed2k"))) {
            startFolder = FolderOfText(*icon);
        }
        const auto chosen = m_deps.prompts.ChooseFolder(m_deps.language.LangText(13), startFolder);
        if (!chosen || chosen->isEmpty()) {
            // One OK: there is nothing else to choose; the operation stops either way.
            m_deps.prompts.ShowError(m_deps.language.LangText(14), m_deps.language.LangText(15), false);
            return false;
        }
        // Qt reports "C:/Dir" on Windows; the stored value keeps the system's own separators.
        m_donkeyDir = WithSeparator(QDir::toNativeSeparators(*chosen));
        StorePath(m_donkeyDir);
    }
    m_donkeyDir = WithSeparator(m_donkeyDir);
    return true;
}

bool TPartInfo::ResetDonkeyPath() {
    if (const auto key = m_deps.settings.Open()) {
        key->DeleteValue(PathDonkeyName());
        key->WriteString(platform::settings::kVersion.Name(), platform::VersionText());
    }
    return true;
}

// A failed read leaves DonkeyDir empty, which sends FindDonkeyPath on to the dialog.
void TPartInfo::ReadStoredPath() {
    const auto key = m_deps.settings.Open();
    if (!key) {
        return;
    }
    if (key->ValueExists(PathDonkeyName())) {
        QString stored;
        if (key->ReadString(PathDonkeyName(), stored)) {
            m_donkeyDir = FolderOfText(stored);
        }
    } else {
        // Marks that the folder has been asked for once; an empty value asks again next time.
        key->WriteString(PathDonkeyName(), QString());
    }
}

void TPartInfo::StorePath(const QString& folder) {
    if (const auto key = m_deps.settings.Open()) {
        key->WriteString(PathDonkeyName(), folder);
    }
}

QString StoredDonkeyDir(platform::SettingsStore& settings) {
    const auto key = settings.Open();
    QString stored;
    if (!key || !key->ValueExists(PathDonkeyName()) || !key->ReadString(PathDonkeyName(), stored)) {
        return {};
    }
    return FolderOfText(stored);
}

QString ServerMetPath(platform::BusyOwner& owner, const PartInfoDeps& deps) {
    TPartInfo part(owner, deps);
    part.FindDonkeyPath();  // an empty folder leaves the bare file name
    return part.DonkeyDir() + QStringLiteral("server.met");
}

}  // namespace hublane::clients
