// What one update cycle did, in one line.
#include "serverlist/CycleReport.h"

#include <QStringList>
#include <algorithm>

namespace hublane::serverlist {
namespace {

FileReport::Read ReadOf(const ReadOutcome& outcome, bool fileExists) {
    if (outcome.whole) {
        return FileReport::Read::Whole;
    }
    return fileExists ? FileReport::Read::Partial : FileReport::Read::Missing;
}

QString Plural(int n, const char* one, const char* many) {
    return QString::number(n) + QLatin1Char(' ') + QString::fromUtf8(n > 1 ? many : one);
}

// What went wrong with one file, or nothing.
void DescribeFile(const char* name, const FileReport& f, QStringList& problems) {
    const QString file = QString::fromLatin1(name);
    switch (f.read) {
        case FileReport::Read::Missing:
            problems << file + QStringLiteral(" introuvable");
            break;
        case FileReport::Read::Partial:
            problems << file + QStringLiteral(" illisible ou lu en partie");
            break;
        case FileReport::Read::NotTried:
        case FileReport::Read::Whole:
            break;
    }
    if (!f.writeTried) {
        return;
    }
    switch (f.write.status) {
        case WriteResult::Status::Written:
            if (f.write.backedUp) {
                problems << QStringLiteral("ancien %1 gardé en %1.bak").arg(file);
            }
            break;
        case WriteResult::Status::NothingToWrite:
            problems << QStringLiteral("%1 non écrit (liste vide)").arg(file);
            break;
        case WriteResult::Status::Failed:
            problems << QStringLiteral("%1 non écrit : %2").arg(file, f.write.error);
            break;
    }
}

}  // namespace

void CycleReport::ServerMetRead(const ReadOutcome& outcome, bool fileExists, const ServerTable& servers) {
    m_serverMet.read = ReadOf(outcome, fileExists);
    m_readCaptions.clear();
    for (const ServerRow& row : servers.Rows()) {
        m_readCaptions.insert(row.caption);
    }
}

void CycleReport::PeerListRead(const ReadOutcome& outcome, bool fileExists) {
    m_peerList.read = ReadOf(outcome, fileExists);
}

void CycleReport::ServerMetWritten(const WriteResult& result) {
    m_serverMet.writeTried = true;
    m_serverMet.write = result;
}

void CycleReport::PeerListWritten(const WriteResult& result) {
    m_peerList.writeTried = true;
    m_peerList.write = result;
}

int CycleReport::Kept(const ServerTable& servers) const {
    int kept = 0;
    for (const ServerRow& row : servers.Rows()) {
        kept += m_readCaptions.count(row.caption) > 0 ? 1 : 0;
    }
    return kept;
}

void CycleReport::PublishedListsLoaded(const std::vector<PublishedListLoad>& loads) {
    for (const PublishedListLoad& load : loads) {
        const auto known = std::find_if(m_publishedFailures.begin(), m_publishedFailures.end(),
                                        [&load](const PublishedListLoad& f) { return f.url == load.url; });
        if (load.error.isEmpty()) {
            if (known != m_publishedFailures.end()) {
                m_publishedFailures.erase(known);
            }
        } else if (known != m_publishedFailures.end()) {
            known->error = load.error;
        } else {
            m_publishedFailures.push_back(load);
        }
    }
}

int CycleReport::Removed(const ServerTable& servers) const {
    return static_cast<int>(m_readCaptions.size()) - Kept(servers);
}

QString CycleReport::Summary(const ServerTable& servers, const serverlist::PeerList& peers) const {
    const int kept = Kept(servers);
    const int removed = static_cast<int>(m_readCaptions.size()) - kept;
    const int added = static_cast<int>(servers.Count()) - kept;
    QString line = QStringLiteral("Cycle terminé : %1, %2, %3 ; %4")
                       .arg(Plural(kept, "serveur gardé", "serveurs gardés"),
                            Plural(removed, "retiré", "retirés"), Plural(added, "ajouté", "ajoutés"),
                            Plural(static_cast<int>(peers.Count()), "Hublane connu", "Hublane connus"));
    if (m_carried > 0) {
        line += QStringLiteral(" ; ") + Plural(static_cast<int>(m_carried), "entrée gardée telle quelle",
                                               "entrées gardées telles quelles");
    }
    if (m_filtered > 0) {
        line += QStringLiteral(" ; ") + Plural(m_filtered, "adresse filtrée", "adresses filtrées");
    }
    QStringList problems;
    if (!m_peerServer.isEmpty()) {
        problems << m_peerServer;
    }
    DescribeFile("server.met", m_serverMet, problems);
    DescribeFile("serverHBL.met", m_peerList, problems);
    for (const PublishedListLoad& failed : m_publishedFailures) {
        problems << QStringLiteral("liste publiée %1 non lue : %2").arg(failed.url, failed.error);
    }
    if (!problems.isEmpty()) {
        line += QStringLiteral(" ; ") + problems.join(QStringLiteral(" ; "));
    }
    if (!m_clientRunning.isEmpty()) {
        line += QStringLiteral(" ; ") + m_clientRunning;
    }
    if (!m_handOff.isEmpty()) {
        line += QStringLiteral(" ; ") + m_handOff;
    }
    return line;
}

}  // namespace hublane::serverlist
