// The settings key kept in a text file in the registry's export format (Linux and tests).
#pragma once

#include <QString>
#include <memory>

#include "platform/SettingsStore.h"

namespace hublane::platform {

/// Settings in `$XDG_CONFIG_HOME/Orvandels/Hublane.reg` (`~/.config/...` when the variable is
/// unset or empty), or in a file given to the constructor.
///
/// Each Open() reads the file (a missing file is an empty key; missing folders are created), and
/// the key writes the file back when it is closed, only if a value changed. The file is parsed
/// once: later Open()s reuse what was read while its size and time stay the same. The write is atomic:
/// the new text goes to a temporary file in the same folder which then replaces the old one, so a
/// crash or a full disk leaves the previous file whole. A failed write is lost silently, as a
/// registry error would be.
///
/// A file that cannot be parsed is never overwritten: the Open() that meets it moves it aside to
/// "Hublane.reg.bad" (or ".bad.1" ... ".bad.9" when earlier ones exist) and returns nullptr, so
/// that operation ends as on a registry error; the next Open() starts from an empty key. If the
/// file cannot be moved aside (or cannot be read), every Open() fails and the file stays as it is.
///
/// Keys of one store should not be open at the same time: each holds its own copy and the last
/// one closed wins. The program opens one key per operation.
class SettingsStoreFile : public SettingsStore {
  public:
    SettingsStoreFile();
    explicit SettingsStoreFile(QString path);

    std::unique_ptr<SettingsKey> Open() override;
    const QString& Path() const { return m_path; }

    /// The default location, from the environment.
    static QString DefaultPath();

    /// The values last read or written, shared with the keys it opens.
    struct Snapshot;

  private:
    QString m_path;
    std::shared_ptr<Snapshot> m_snapshot;
};

}  // namespace hublane::platform
