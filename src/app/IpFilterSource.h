// Where a copy's IP filter list comes from and when it is (re)loaded: the command
// line's file, else the setting IpFilter, else a copy downloaded from the setting IpFilterUrl,
// else ipfilter.dat in the folder of the client's server.met; reloaded at each cycle's start when the file
// changed.
#pragma once

#include <QDateTime>
#include <QString>
#include <functional>

class QNetworkAccessManager;

namespace hublane::platform {
class SettingsStore;
}
namespace hublane::serverlist {
class AddressFilter;
class UiWaits;
}  // namespace hublane::serverlist

namespace hublane::app {

class IpFilterSource {
  public:
    /// optionPath: the --ip-filter file, which wins over every setting; downloadPath: where a
    /// list downloaded from IpFilterUrl is kept; clientFolder: the folder of the client's
    /// server.met as known without asking (none: the stored eDonkey2000 folder).
    IpFilterSource(platform::SettingsStore& settings, serverlist::AddressFilter& filter,
                   QNetworkAccessManager& network, serverlist::UiWaits& waits, QString optionPath,
                   QString downloadPath, std::function<QString()> clientFolder = {});

    /// At the start of each cycle: downloads the list of IpFilterUrl when the local copy is more
    /// than a day old (a failed download keeps the old list), then loads the list in force when
    /// it is another file or has changed. No list at all blocks nothing.
    void Refresh();

    /// The file in force (empty: none), and what its last load said (empty: fine).
    const QString& Path() const { return m_path; }
    const QString& LastProblem() const { return m_problem; }

    /// The default place of a downloaded list: beside the program's data.
    static QString DefaultDownloadPath();

  private:
    QString ChoosePath();
    void Download(const QString& url);

    platform::SettingsStore& m_settings;
    serverlist::AddressFilter& m_filter;
    QNetworkAccessManager& m_network;
    serverlist::UiWaits& m_waits;
    QString m_optionPath;
    QString m_downloadPath;
    std::function<QString()> m_clientFolder;
    QString m_path;
    QString m_problem;
    qint64 m_loadedSize = -1;
    QDateTime m_loadedTime;
    QDateTime m_lastAttempt;
};

}  // namespace hublane::app
