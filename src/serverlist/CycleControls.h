// The settings-bearing controls of the server list window: probe mode, web and peer addresses,
// worker count and timeout.
#pragma once

#include <QString>
#include <algorithm>

namespace hublane::serverlist {

/// The six campaign modes, one per radio button of the server list window; None when no button
/// is checked. AskCopiesForServers is rbNewHBL, AskCopiesForCopies rbNewHBL2.
enum class ProbeKind { None, RechNew, RechFr, RechDesc, PingHBL, AskCopiesForServers, AskCopiesForCopies };

/// A spin edit: setting a value clamps it into the range; reading takes the integer of its text,
/// or the minimum when the text is not an integer, without clamping.
struct SpinEdit {
    int min;
    int max;
    QString text;

    void SetValue(int value) { text = QString::number(std::clamp(value, min, max)); }
    int Value() const {
        bool ok = false;
        const int v = text.trimmed().toInt(&ok);
        return ok ? v : min;
    }
};

/// Built-in text of the web directory edit box: "http://" and the web directory's host.
inline constexpr const char* kDefaultServerWeb = "http://hublane.orvandels.net/";
/// Built-in text of the peer edit box: the address of the peer to ask for servers.
inline constexpr const char* kDefaultServerHbl = "127.0.0.1";

struct CycleControls {
    ProbeKind checked = ProbeKind::RechDesc;                     // rbRechDesc is checked at load
    QString serverWeb = QString::fromLatin1(kDefaultServerWeb);  // TServerWeb
    /// The directory given on the command line for this run (empty: none). It stands in the box
    /// until the user types another address there, which then replaces it and is stored.
    QString webFromCommandLine;
    QString hblServer = QString::fromLatin1(kDefaultServerHbl);  // HBLServer
    SpinEdit nbThreads{1, 40, QStringLiteral("20")};             // SpinNbThreads
    SpinEdit timeout{1, 50, QStringLiteral("2")};                // SpinTimeout
};

}  // namespace hublane::serverlist
