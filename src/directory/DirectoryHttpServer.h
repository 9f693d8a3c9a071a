// The directory's HTTP front on Qt HttpServer: each request handed to the service,
// its answer written, and one log line per request.
#pragma once

#include <QAbstractHttpServer>
#include <QString>
#include <functional>

namespace hublane::directory {

class DirectoryService;

class DirectoryHttpServer : public QAbstractHttpServer {
    Q_OBJECT
  public:
    /// log receives one line per request (without a line end); none when empty.
    DirectoryHttpServer(DirectoryService& service, std::function<void(const QString&)> log,
                        QObject* parent = nullptr);

  protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

  private:
    DirectoryService& m_service;
    std::function<void(const QString&)> m_log;
};

}  // namespace hublane::directory
