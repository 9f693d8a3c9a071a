// Where the eMule this copy serves lives.
#include "clients/EmuleLocator.h"

#include <QDir>
#include <QFileInfo>

#include "clients/EmuleFolders.h"
#include "clients/TPartInfo.h"
#include "platform/ClassRegistration.h"
#include "platform/WindowsProfile.h"
#include "text/DirectoryPart.h"

namespace hublane::clients {

bool HoldsEmule(const QString& folder) {
    if (folder.isEmpty() || !QDir::isAbsolutePath(folder)) {
        return false;
    }
    const QString program =
        QString::fromLatin1(kEmuleProgram.data(), static_cast<qsizetype>(kEmuleProgram.size()));
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden)) {
        if (name.compare(program, Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

QString FindEmuleFolder(platform::SettingsStore& settings, platform::ClassRegistration& classes) {
    const QString stored = StoredDonkeyDir(settings);
    if (HoldsEmule(stored)) {
        return stored;
    }
    if (const auto icon = classes.ReadDefaultIcon(QStringLiteral("ed2k"))) {
        const QString folder =
            QString::fromStdString(text::FolderOf(text::RemoveDoubleQuotes(icon->toStdString())));
        if (HoldsEmule(folder)) {
            return folder;
        }
    }
    return {};
}

QString EmuleConfigFolderOf(const QString& programFolder) {
    EmuleFolderFacts facts;
    facts.programFolder = programFolder.toStdString();
    if (const auto profile = platform::ProfileOfProgram(programFolder)) {
        facts.dirMode = profile->UserDword(kEmuleUserKey, kEmuleDirModeValue);
        facts.localAppData = QDir::toNativeSeparators(profile->LocalAppData()).toStdString();
        facts.programData = QDir::toNativeSeparators(profile->ProgramData()).toStdString();
    }
    facts.fileExists = [](const std::string& path) {
        return QFileInfo(QString::fromStdString(path)).isFile();
    };
    return QString::fromStdString(EmuleConfigFolder(facts, ChooseEmuleDirMode(facts)));
}

}  // namespace hublane::clients
