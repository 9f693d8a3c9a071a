// Whether an aMule (amule, amuled or amulegui's core) runs on a config folder: the lock file it
// keeps there names a live process, or the EC port its amule.conf opens answers.
#pragma once

#include <QString>
#include <optional>
#include <string_view>

namespace hublane::clients {

/// The lock file aMule keeps in its config folder while it runs; it holds the process id.
inline constexpr const char* kAmuleLockName = "muleLock";
/// The longest the EC port is waited for: a local port answers or refuses at once.
inline constexpr int kEcProbeMs = 500;

/// The process id the lock file's text names (decimal, blanks around it allowed); nullopt for
/// any other text.
std::optional<long long> LockFilePid(std::string_view text);

/// The folder's lock file names a running process (never on Windows, where aMule keeps no file),
/// or amule.conf accepts EC connections and its port answers on this machine.
bool AmuleRunning(const QString& folder);

}  // namespace hublane::clients
