// TPartInfo: settles the eDonkey2000 installation folder for one file operation.
#pragma once

#include <QString>

namespace hublane::language {
class LanguageTable;
}
namespace hublane::platform {
class BusyOwner;
class ClassRegistration;
class SettingsStore;
class UserPrompts;
}  // namespace hublane::platform

namespace hublane::clients {

/// What the locator reads and asks through.
struct PartInfoDeps {
    platform::SettingsStore& settings;
    platform::UserPrompts& prompts;
    platform::ClassRegistration& classes;
    /// Texts 13 (folder dialog title), 14 and 15 (message and caption when none is chosen).
    const language::LanguageTable& language;
};

/// Finds the client's installation folder, or forgets it. Made for one operation: its owner shows
/// the busy cursor from construction to destruction.
///
/// A folder is written in one of two styles, told apart by its first character: a POSIX path
/// ("/home/u/client/") ends with '/', any other text (a Windows path such as "C:\Client\") ends
/// with a backslash. DonkeyDir() followed by a file name is therefore a usable path in both.
class TPartInfo {
  public:
    TPartInfo(platform::BusyOwner& owner, const PartInfoDeps& deps);
    ~TPartInfo();
    TPartInfo(const TPartInfo&) = delete;
    TPartInfo& operator=(const TPartInfo&) = delete;

    /// Fills DonkeyDir from the stored PathDonkey (quotes removed, its directory part taken), else
    /// asks with the folder dialog, preselecting the folder of the client's registered program, and
    /// stores the choice. PathDonkey absent is first stored empty. False, with DonkeyDir empty, when
    /// the user chose nothing (after an error box). Settings errors are silent.
    bool FindDonkeyPath();
    /// Deletes PathDonkey and stores the current Version; errors are ignored. Always true.
    bool ResetDonkeyPath();
    /// The folder found by FindDonkeyPath, ending with its separator, or empty.
    QString DonkeyDir() const { return m_donkeyDir; }

  private:
    void ReadStoredPath();
    void StorePath(const QString& folder);

    platform::BusyOwner& m_owner;
    PartInfoDeps m_deps;
    QString m_donkeyDir;
};

/// The folder with its own separator appended (see TPartInfo for the two styles) unless it is
/// there already, so that a root ("C:\", "/") is not doubled. An empty text stays empty.
QString WithSeparator(QString folder);

/// The client's folder as stored (PathDonkey: quotes removed, its directory part), read without
/// asking and without writing anything; empty when none is stored or the settings cannot be read.
QString StoredDonkeyDir(platform::SettingsStore& settings);

/// The path of the client's server.met for one file operation: DonkeyDir followed by "server.met",
/// or the bare name when no folder is known. The owner shows the busy cursor meanwhile.
QString ServerMetPath(platform::BusyOwner& owner, const PartInfoDeps& deps);

}  // namespace hublane::clients
