// Where the eMule this copy serves lives: its program folder, found as the other clients'
// folders are, and the config folder that holds its server.met, found as eMule finds it.
#pragma once

#include <QString>

namespace hublane::platform {
class ClassRegistration;
class SettingsStore;
}  // namespace hublane::platform

namespace hublane::clients {

/// True when the folder (a local path) holds emule.exe, whatever its letter case.
bool HoldsEmule(const QString& folder);

/// eMule's program folder, read without asking anybody and without writing anything: the stored
/// client folder when it holds emule.exe, else the folder of the program registered for ed2k
/// links (on Linux, in a Wine prefix's registry) when that one does; empty otherwise.
QString FindEmuleFolder(platform::SettingsStore& settings, platform::ClassRegistration& classes);

/// The config folder of the eMule in programFolder, ending with its separator, chosen by eMule's
/// own rule (EmuleFolders.h) over the user profile it runs under: this Windows user's, or the one
/// of the Wine prefix that holds the folder, its folders mapped to local paths. A program folder
/// in no prefix has no profile to read: eMule then keeps its config below its program folder.
QString EmuleConfigFolderOf(const QString& programFolder);

}  // namespace hublane::clients
