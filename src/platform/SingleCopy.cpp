// The lock file and the local socket that keep one copy per settings file and peer address.
#include "platform/SingleCopy.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

namespace hublane::platform {

namespace {

constexpr int kWaitMs = 1000;
const QByteArray kShowRequest = QByteArrayLiteral("show\n");

}  // namespace

QString SingleCopy::KeyFor(const QString& settingsLocation, const QString& bindAddress) {
    const QString place = QFileInfo(settingsLocation).absoluteFilePath();
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(place.toUtf8());
    hash.addData(QByteArrayLiteral("\n"));
    hash.addData(bindAddress.toUtf8());
    return QString::fromLatin1(hash.result().toHex().left(16));
}

QString SingleCopy::DefaultFolder() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty() || !QDir().mkpath(folder)) {
        folder = QDir::tempPath();
    }
    return folder;
}

SingleCopy::SingleCopy(const QString& key, const QString& folder)
    : m_socketName(QDir(folder).filePath(QStringLiteral("hublane-%1.sock").arg(key))),
      m_lock(QDir(folder).filePath(QStringLiteral("hublane-%1.lock").arg(key))) {
    // Never stale by age: a copy runs for weeks. A lock whose process is gone is stale at once.
    m_lock.setStaleLockTime(0);
}

SingleCopy::~SingleCopy() = default;

bool SingleCopy::TryStart() {
    if (m_lock.tryLock(0)) {
        // The lock is ours, so a socket file left there belongs to a copy that died.
        QLocalServer::removeServer(m_socketName);
        m_server = std::make_unique<QLocalServer>();
        connect(m_server.get(), &QLocalServer::newConnection, this, &SingleCopy::ReadRequests);
        if (!m_server->listen(m_socketName)) {
            qWarning("hublane: no local socket %s: %s", qUtf8Printable(m_socketName),
                     qUtf8Printable(m_server->errorString()));
        }
        return true;
    }
    QLocalSocket socket;
    socket.connectToServer(m_socketName);
    if (socket.waitForConnected(kWaitMs)) {
        socket.write(kShowRequest);
        socket.waitForBytesWritten(kWaitMs);
        socket.disconnectFromServer();
    }
    return false;
}

void SingleCopy::ReadRequests() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            // Only whole known requests count; anything else on the socket is dropped.
            while (socket->canReadLine()) {
                if (socket->readLine(64) == kShowRequest) {
                    emit ShowRequested();
                }
            }
            if (socket->bytesAvailable() > 64) {
                socket->abort();
            }
        });
    }
}

}  // namespace hublane::platform
