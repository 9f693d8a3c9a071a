// One copy per settings file and peer address: a lock file says one runs, a local socket asks it
// to show its window.
#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;

namespace hublane::platform {

class SingleCopy : public QObject {
    Q_OBJECT

  public:
    /// The copy's name from what two copies must not share: the settings file (or registry key)
    /// and the address its peer server binds (empty for every address).
    static QString KeyFor(const QString& settingsLocation, const QString& bindAddress);
    /// The folder for the lock and the socket: the user's runtime folder, else the temp folder.
    static QString DefaultFolder();

    SingleCopy(const QString& key, const QString& folder);
    ~SingleCopy() override;
    SingleCopy(const SingleCopy&) = delete;
    SingleCopy& operator=(const SingleCopy&) = delete;

    /// Whether this is the only copy on the key. A lock left by a copy that died is taken over.
    /// When another copy holds the key, it is asked to show its window and false comes back.
    bool TryStart();

  signals:
    /// A later copy on the same key was started: the user wants to see this one.
    void ShowRequested();

  private:
    void ReadRequests();

    QString m_socketName;
    QLockFile m_lock;
    std::unique_ptr<QLocalServer> m_server;
};

}  // namespace hublane::platform
