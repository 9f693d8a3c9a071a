// Where a copy's IP filter list comes from and when it is (re)loaded.
#include "app/IpFilterSource.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <memory>
#include <utility>

#include "clients/TPartInfo.h"
#include "exchange/PageLoader.h"
#include "platform/FileBytes.h"
#include "platform/SettingsKeys.h"
#include "platform/SettingsStore.h"
#include "serverlist/AddressFilter.h"
#include "serverlist/IpFilterFile.h"
#include "serverlist/UiWaits.h"

namespace hublane::app {
namespace {

constexpr qint64 kRefreshSeconds = 24 * 3600;
// Filter lists run to a few megabytes: the download may take longer than a page.
constexpr int kDownloadLimitMs = 120000;
constexpr int kWaitStepMs = 1000;

QString ReadString(platform::SettingsStore& settings, const QString& name) {
    QString value;
    if (const auto key = settings.Open()) {
        key->ReadString(name, value);
    }
    return value;
}

}  // namespace

IpFilterSource::IpFilterSource(platform::SettingsStore& settings, serverlist::AddressFilter& filter,
                               QNetworkAccessManager& network, serverlist::UiWaits& waits, QString optionPath,
                               QString downloadPath, std::function<QString()> clientFolder)
    : m_settings(settings),
      m_filter(filter),
      m_network(network),
      m_waits(waits),
      m_optionPath(std::move(optionPath)),
      m_downloadPath(std::move(downloadPath)),
      m_clientFolder(std::move(clientFolder)) {}

QString IpFilterSource::DefaultDownloadPath() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
        .filePath(QStringLiteral("ipfilter.dat"));
}

QString IpFilterSource::ChoosePath() {
    if (!m_optionPath.isEmpty()) {
        return m_optionPath;
    }
    const QString setting = ReadString(m_settings, platform::settings::kIpFilter.Name());
    if (!setting.isEmpty()) {
        return setting;
    }
    if (!ReadString(m_settings, platform::settings::kIpFilterUrl.Name()).isEmpty()) {
        return m_downloadPath;
    }
    // The list the user's client keeps beside its server.met (eMule's config folder, aMule's
    // folder, eDonkey2000's program folder), when there is one.
    const QString folder =
        clients::WithSeparator(m_clientFolder ? m_clientFolder() : clients::StoredDonkeyDir(m_settings));
    if (!folder.isEmpty()) {
        const QString candidate = folder + QStringLiteral("ipfilter.dat");
        if (QFileInfo(candidate).isFile()) {
            return candidate;
        }
    }
    return {};
}

void IpFilterSource::Download(const QString& url) {
    const QFileInfo local(m_downloadPath);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    if ((local.exists() && local.lastModified().toUTC().secsTo(now) < kRefreshSeconds) ||
        (m_lastAttempt.isValid() && m_lastAttempt.secsTo(now) < kRefreshSeconds)) {
        return;  // at most once a day
    }
    m_lastAttempt = now;
    exchange::PageLoader loader(m_network, m_waits.Clock(), kDownloadLimitMs);
    bool done = false;
    QObject::connect(&loader, &exchange::PageLoader::Finished, &loader, [this, &done] {
        done = true;
        m_waits.NotifyStateChanged();
    });
    loader.Load(QUrl(url));
    while (!done && !m_waits.Terminating()) {
        m_waits.UiWait(kWaitStepMs, [&done] { return done; });
    }
    const exchange::LoadedPage& page = loader.Page();
    if (!done || !page.ok) {
        m_problem = QStringLiteral("liste de filtrage non téléchargée : ") + page.error;
        return;
    }
    const std::string_view bytes(page.body.constData(), static_cast<std::size_t>(page.body.size()));
    // Only a list that holds at least one range replaces the local copy.
    if (serverlist::IpFilter::Parse(bytes).filter.Empty()) {
        m_problem = QStringLiteral("liste de filtrage téléchargée vide ou illisible, l'ancienne est gardée");
        return;
    }
    QDir().mkpath(local.absolutePath());
    QString error;
    if (!platform::WriteFileAtomically(m_downloadPath, bytes, &error)) {
        m_problem = QStringLiteral("liste de filtrage non enregistrée : ") + error;
    }
}

void IpFilterSource::Refresh() {
    m_problem.clear();
    const QString url = ReadString(m_settings, platform::settings::kIpFilterUrl.Name());
    if (!url.isEmpty() && m_optionPath.isEmpty() &&
        ReadString(m_settings, platform::settings::kIpFilter.Name()).isEmpty()) {
        Download(url);
    }
    const QString path = ChoosePath();
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile()) {
        if (!path.isEmpty()) {
            m_problem = QStringLiteral("liste de filtrage introuvable : ") + path;
        }
        // Nothing to load: whatever was loaded before stays in force (a list that went missing
        // for a moment does not let everything in); without any, nothing is blocked.
        return;
    }
    if (path == m_path && info.size() == m_loadedSize && info.lastModified() == m_loadedTime) {
        return;
    }
    serverlist::IpFilterLoad load = serverlist::IpFilterFile::Read(path);
    if (load.Failed()) {
        m_problem = QStringLiteral("liste de filtrage illisible : ") + QString::fromStdString(load.error);
        return;
    }
    m_filter.Set(std::make_shared<const serverlist::IpFilter>(std::move(load.filter)));
    m_path = path;
    m_loadedSize = info.size();
    m_loadedTime = info.lastModified();
}

}  // namespace hublane::app
