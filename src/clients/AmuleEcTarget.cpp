// Where a hand-off reaches a running aMule, and the EC password kept only as its hash.
#include "clients/AmuleEcTarget.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

#include "clients/AmuleConf.h"
#include "platform/SettingsStore.h"
#include "text/Ascii.h"

namespace hublane::clients {
namespace {

QString ReadSetting(platform::SettingsStore& settings, const char* name) {
    const auto key = settings.Open();
    QString value;
    if (!key || !key->ReadString(QString::fromLatin1(name), value)) {
        return {};
    }
    return value;
}

// The stored password as a hash, whichever form it was stored in; empty when none is stored.
std::string StoredPasswordHash(const QString& stored) {
    if (stored.isEmpty()) {
        return {};
    }
    const std::string text = stored.toStdString();
    return IsMd5Hex(text) ? text::Lower(text) : EcPasswordHash(stored);
}

}  // namespace

std::string EcPasswordHash(const QString& password) {
    return QCryptographicHash::hash(password.toUtf8(), QCryptographicHash::Md5).toHex().toStdString();
}

EcTargetChoice ChooseEcTarget(platform::SettingsStore& settings, const QString& amuleDir) {
    const QString confPath = QDir(amuleDir).filePath(QStringLiteral("amule.conf"));
    QFile confFile(confPath);
    const QByteArray confText = confFile.open(QIODevice::ReadOnly) ? confFile.readAll() : QByteArray();
    const AmuleEcSettings conf = ParseAmuleConf(std::string_view(confText.constData(), confText.size()));

    EcTargetChoice choice;
    EcTarget target{QString::fromStdString(conf.host), conf.port, conf.passwordMd5Hex};
    const QString address = ReadSetting(settings, kAmuleEcSetting).trimmed();
    if (!address.isEmpty()) {
        const auto endpoint = ParseEcEndpoint(address.toStdString());
        if (!endpoint) {
            choice.problem = QStringLiteral("le réglage %1 doit être HÔTE:PORT, pas « %2 »")
                                 .arg(QString::fromLatin1(kAmuleEcSetting), address);
            return choice;
        }
        target.host = QString::fromStdString(endpoint->first);
        target.port = endpoint->second;
    } else if (!conf.accepted) {
        choice.problem = QStringLiteral(
                             "aMule n'accepte pas les connexions externes (EC) : "
                             "AcceptExternalConnections=1 manque dans %1 (ou donnez son adresse EC)")
                             .arg(confPath);
        return choice;
    }
    if (std::string stored = StoredPasswordHash(ReadSetting(settings, kAmuleEcPasswordSetting));
        !stored.empty()) {
        target.passwordMd5Hex = std::move(stored);
    }
    choice.target = std::move(target);
    return choice;
}

void SealEcPassword(platform::SettingsStore& settings) {
    const auto key = settings.Open();
    QString stored;
    const QString name = QString::fromLatin1(kAmuleEcPasswordSetting);
    if (!key || !key->ReadString(name, stored) || stored.isEmpty() || IsMd5Hex(stored.toStdString())) {
        return;
    }
    key->WriteString(name, QString::fromStdString(EcPasswordHash(stored)));
}

}  // namespace hublane::clients
