// The settings-bearing controls of the server list window: probe mode, web and peer addresses,
// worker count and timeout.
#pragma once

#include <QString>
#include <algorithm>

#include "platform/SettingsKeys.h"

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

    /// The spin edit of a number setting: its range, showing its value before one is stored.
    static SpinEdit Of(const platform::settings::NumberKey& key) {
        return {key.min, key.max, QString::number(key.fallback)};
    }

    void SetValue(int value) { text = QString::number(std::clamp(value, min, max)); }
    int Value() const {
        bool ok = false;
        const int v = text.trimmed().toInt(&ok);
        return ok ? v : min;
    }
};

struct CycleControls {
    ProbeKind checked = ProbeKind::RechDesc;                         // rbRechDesc is checked at load
    QString serverWeb = platform::settings::kServeurWeb.Fallback();  // TServerWeb
    /// The directory given on the command line for this run (empty: none). It stands in the box
    /// until the user types another address there, which then replaces it and is stored.
    QString webFromCommandLine;
    QString hblServer = platform::settings::kServeurHbl.Fallback();     // HBLServer
    SpinEdit nbThreads = SpinEdit::Of(platform::settings::kNbThreads);  // SpinNbThreads
    SpinEdit timeout = SpinEdit::Of(platform::settings::kTimeout);      // SpinTimeout
};

}  // namespace hublane::serverlist
