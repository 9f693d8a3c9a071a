// The published server.met files of the client.
#include "clients/ServerMetAddressList.h"

#include <QDir>

#include "clients/PublishedServerMet.h"
#include "language/LanguageTable.h"
#include "platform/FileBytes.h"

namespace hublane::clients {
namespace {

// addresses.dat is a few lines; anything far larger is not one.
constexpr qint64 kMaxAddressFileBytes = 1024 * 1024;

}  // namespace

QString PublishedReadError(const PublishedServerMet& read, const language::LanguageTable& language) {
    if (!read.gzipError.empty()) {
        return QStringLiteral("gzip : ") + QString::fromStdString(read.gzipError);
    }
    if (read.result.Ok()) {
        return {};
    }
    return language.LangText(read.result.errorText) + QString::fromStdString(read.result.suffix);
}

ServerMetAddressList::ServerMetAddressList(std::function<QString()> folder,
                                           const language::LanguageTable& language)
    : m_folder(std::move(folder)), m_language(language) {}

QStringList ServerMetAddressList::Addresses() {
    const QString folder = m_folder ? m_folder() : QString();
    if (folder.isEmpty()) {
        return {};
    }
    const auto bytes = platform::ReadRegularFile(
        QDir(folder).filePath(QString::fromLatin1(kAddressesFileName)), kMaxAddressFileBytes);
    if (!bytes) {
        return {};
    }
    QStringList addresses;
    for (const std::string& address :
         ReadServerMetAddresses(std::string_view(bytes->constData(), static_cast<std::size_t>(bytes->size())),
                                exchange::kMaxPublishedLists)) {
        addresses << QString::fromStdString(address);
    }
    return addresses;
}

std::optional<std::size_t> ServerMetAddressList::Merge(const QByteArray& body, serverlist::ServerTable& table,
                                                       const serverlist::AddressTest& blocked,
                                                       QString* error) {
    const PublishedServerMet read =
        ReadPublishedServerMet(std::string_view(body.constData(), static_cast<std::size_t>(body.size())),
                               static_cast<std::size_t>(exchange::kMaxPublishedListBytes));
    if (!read.result.Ok()) {
        if (error != nullptr) {
            *error = PublishedReadError(read, m_language);
        }
        return std::nullopt;
    }
    return MergePublishedServers(read.doc, table, blocked);
}

}  // namespace hublane::clients
