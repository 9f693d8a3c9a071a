// One running directory, its parts started and stopped together.
#include "directory/Directory.h"

#include <QDateTime>
#include <QHostAddress>
#include <atomic>

#include "directory/BoundedTcpServer.h"
#include "directory/DirectoryHttpServer.h"
#include "directory/DirectoryService.h"
#include "directory/DirectoryStore.h"
#include "directory/Verifier.h"

namespace hublane::directory {
namespace {

// Bytes one connection may send over its life: thousands of requests, never a large upload.
constexpr qint64 kMaxBytesPerConnection = qint64{4} * 1024 * 1024;

QString ConnectionName() {
    static std::atomic<int> next{0};
    return QStringLiteral("hublane-directory-%1").arg(next++);
}

}  // namespace

Directory::Directory(DirectorySettings settings, std::function<void(const QString&)> log, QObject* parent)
    : QObject(parent),
      m_settings(std::move(settings)),
      m_log(std::move(log)),
      m_clock(m_settings.clock ? m_settings.clock : [] { return QDateTime::currentMSecsSinceEpoch(); }),
      m_store(std::make_unique<DirectoryStore>(ConnectionName())),
      m_verifier(std::make_unique<Verifier>(*m_store, m_settings, m_clock)),
      m_service(std::make_unique<DirectoryService>(*m_store, m_settings, m_clock)) {
    connect(m_verifier.get(), &Verifier::ListingChanged, m_service.get(),
            [this] { m_service->ServersChanged(); });
}

Directory::~Directory() {
    Stop();
}

bool Directory::Start(QString* error) {
    QString why;
    if (!m_store->Open(m_settings.database, &why)) {
        if (error != nullptr) {
            *error = QStringLiteral("cannot open the database: %1").arg(why);
        }
        return false;
    }
    QHostAddress address;
    if (!address.setAddress(QString::fromStdString(m_settings.listen.host))) {
        m_store->Close();
        if (error != nullptr) {
            *error = QStringLiteral("not an address to listen on: %1")
                         .arg(QString::fromStdString(m_settings.listen.host));
        }
        return false;
    }
    m_http = new DirectoryHttpServer(*m_service, m_log, this);
    m_tcp = new BoundedTcpServer(m_settings.maxConnections, m_settings.connectionIdleMs,
                                 kMaxBytesPerConnection, m_http);
    if (!m_tcp->listen(address, m_settings.listen.port)) {
        if (error != nullptr) {
            *error = QStringLiteral("cannot listen on %1:%2: %3")
                         .arg(address.toString())
                         .arg(m_settings.listen.port)
                         .arg(m_tcp->errorString());
        }
        delete m_http;
        m_http = nullptr;
        m_tcp = nullptr;
        m_store->Close();
        return false;
    }
    m_http->bind(m_tcp);
    m_verifier->Start();
    return true;
}

void Directory::Stop() {
    m_verifier->Stop();
    if (m_tcp != nullptr) {
        m_tcp->close();
    }
    delete m_http;
    m_http = nullptr;
    m_tcp = nullptr;
    m_store->Close();
}

quint16 Directory::Port() const {
    return m_tcp != nullptr ? m_tcp->serverPort() : 0;
}

}  // namespace hublane::directory
