// One EC session with a running aMule over TCP: the 2.3 login, its server list,
// adding and removing servers; every reply awaited at most a fixed time while events run.
#pragma once

#include <QByteArray>
#include <QEventLoop>
#include <QString>
#include <QTcpSocket>
#include <optional>
#include <string>
#include <vector>

#include "clients/AmulePlan.h"
#include "clients/EcCodec.h"

namespace hublane::clients {

/// How long one reply of aMule (or the connection) may take.
inline constexpr int kEcReplyTimeoutMs = 5000;
/// The whole login (connection, salt, verdict) ends within this, however aMule paces it.
inline constexpr int kEcLoginTimeoutMs = 8000;
/// The pause before a login refused without a reason is tried again.
inline constexpr int kEcLoginRetryPauseMs = 200;

/// Why a session failed.
enum class EcFailure {
    None,
    NotRunning,     ///< nobody listens at the address (aMule not running, or EC off)
    Unreachable,    ///< the address cannot be reached or its name not found
    Refused,        ///< aMule closed the connection or refused the login for another reason
    WrongPassword,  ///< aMule refused the password
    NoAnswer,       ///< a reply did not come in time
    Garbled,        ///< bytes that are no EC frame of a plain session
    Lost,           ///< the connection ended after the login
    Stopped,        ///< Abort() ended the session (the program is quitting)
};

/// What aMule answered to a SERVER_ADD.
enum class AddAnswer { Added, Refused, Failed };

/// Where and with what password to log in.
struct EcTarget {
    QString host;
    quint16 port = 0;
    /// hex(MD5(password)), as amule.conf stores it.
    std::string passwordMd5Hex;
    /// "host:port", for people.
    QString Text() const { return QStringLiteral("%1:%2").arg(host).arg(port); }
};

/// After the login, a connection aMule drops is made again once, and the request sent again.
class AmuleSession {
  public:
    explicit AmuleSession(int replyTimeoutMs = kEcReplyTimeoutMs, int loginTimeoutMs = kEcLoginTimeoutMs);
    ~AmuleSession();
    AmuleSession(const AmuleSession&) = delete;
    AmuleSession& operator=(const AmuleSession&) = delete;

    /// Connects and logs in; false with Failure() and Reason() set.
    bool Login(const EcTarget& target);
    /// aMule's server list; nullopt on failure.
    std::optional<std::vector<AmuleServer>> ServerList();
    /// Adds one server with a name: Added, Refused (aMule said no: reserved range, already there),
    /// or Failed (the session broke: Failure() says how).
    AddAnswer AddServer(const ServerToAdd& server);
    /// Removes one server; false when the session broke (a server aMule lacks is no failure).
    bool RemoveServer(const ServerEndpoint& endpoint);
    /// Has aMule load the server.met at url and merge it into its list, as its "update from URL"
    /// does (it also keeps url as that setting); false when the session broke. aMule downloads
    /// the file after answering: its list changes a while later, if at all.
    bool UpdateServersFromUrl(const QString& url);
    void Close();
    /// Ends the session at once, from inside one of its waits too (which then returns): the
    /// program is quitting. Every later call fails with Stopped until the next Login.
    void Abort();

    EcFailure Failure() const { return m_failure; }
    /// The failure in French, with the address tried.
    QString Reason() const;
    /// aMule's version as its login answer gave it (empty before).
    const std::string& AmuleVersion() const { return m_version; }

  private:
    /// One connection and login, within the login's time.
    bool TryLogin();
    /// One request and its answer. amuled now and then drops a connection it has just let in,
    /// when it comes while amuled still closes the one before: a connection lost on the way is
    /// made again once a login (logging in anew) and the request sent again. A request whose
    /// answer was lost may so reach aMule twice; every request of a session does the same the
    /// second time, but for an addition, which aMule then refuses as known.
    std::optional<EcPacket> Exchange(const EcPacket& request);
    /// A new login after a lost connection, once a login; false (the loss still the failure)
    /// when it was made already or fails.
    bool Reconnect();
    /// Waits ms unless that passes the login's end or the session is stopped; false then.
    bool Pause(int ms);
    /// How long the next wait may last: the reply time, and never past the login's end during it.
    int RemainingWaitMs() const;
    bool Send(const EcPacket& packet);
    /// The next frame, awaited at most the reply time (and never past the login's end during it).
    std::optional<EcPacket> Receive();
    bool Fail(EcFailure failure, std::string detail = {});
    bool Stopped() const { return m_failure == EcFailure::Stopped; }

    int m_replyTimeoutMs;
    int m_loginTimeoutMs;
    qint64 m_loginDeadline = 0;  // ms since epoch while logging in, else 0
    // The wait under way, which Abort() ends.
    QEventLoop* m_loop = nullptr;
    QTcpSocket m_socket;
    QByteArray m_buffer;
    EcTarget m_target;
    EcFailure m_failure = EcFailure::None;
    bool m_reconnected = false;  // since the last Login
    std::string m_detail;
    std::string m_version;
};

}  // namespace hublane::clients
