// The settings operations of the program: the cycle settings read and write and the settings
// reset. Each opens the key once; a store error ends the operation where it happens.
#include "serverlist/CycleSettings.h"

#include "platform/SettingsKeys.h"
#include "platform/SettingsStore.h"
#include "platform/VersionText.h"

namespace hublane::serverlist {

namespace {

namespace keys = platform::settings;
const QString kInter = keys::kInter.Name();
const QString kServeurWeb = keys::kServeurWeb.Name();
const QString kServeurHbl = keys::kServeurHbl.Name();
const QString kNbThreads = keys::kNbThreads.Name();
const QString kTimeout = keys::kTimeout.Name();

void ReadStoredCycleSettings(platform::SettingsStore& store, CycleControls& controls) {
    const auto key = store.Open();
    // inter marks that the cycle settings were ever stored; without it none is read.
    if (!key || !key->ValueExists(kInter)) {
        return;
    }
    const auto inter = key->ReadInteger(kInter);
    if (!inter) {
        return;
    }
    switch (*inter) {
        case 0:
            controls.checked = ProbeKind::RechNew;
            break;
        case 1:
            controls.checked = ProbeKind::RechFr;
            break;
        case 2:
            controls.checked = ProbeKind::RechDesc;
            break;
        default:
            break;
    }
    QString text;
    if (!key->ReadString(kServeurWeb, text)) {
        return;
    }
    controls.serverWeb = text;
    if (!key->ReadString(kServeurHbl, text)) {
        return;
    }
    controls.hblServer = text;
    const auto threads = key->ReadInteger(kNbThreads);
    if (!threads) {
        return;
    }
    controls.nbThreads.SetValue(*threads);
    const auto timeout = key->ReadInteger(kTimeout);
    if (!timeout) {
        return;
    }
    controls.timeout.SetValue(*timeout);
}

}  // namespace

void ReadCycleSettings(platform::SettingsStore& store, CycleControls& controls) {
    ReadStoredCycleSettings(store, controls);
    if (!controls.webFromCommandLine.isEmpty()) {
        controls.serverWeb = controls.webFromCommandLine;
    }
}

void WriteCycleSettings(platform::SettingsStore& store, const CycleControls& controls) {
    const auto key = store.Open();
    if (!key) {
        return;
    }
    int inter = -1;
    switch (controls.checked) {
        case ProbeKind::RechNew:
            inter = 0;
            break;
        case ProbeKind::RechFr:
            inter = 1;
            break;
        case ProbeKind::RechDesc:
            inter = 2;
            break;
        default:
            break;  // another mode's button: the stored mode stays
    }
    if (inter >= 0 && !key->WriteInteger(kInter, inter)) {
        return;
    }
    // The command line's directory is for this run: the stored one stays.
    const bool webStored =
        controls.webFromCommandLine.isEmpty() || controls.serverWeb != controls.webFromCommandLine;
    if ((webStored && !key->WriteString(kServeurWeb, controls.serverWeb)) ||
        !key->WriteString(kServeurHbl, controls.hblServer) ||
        !key->WriteInteger(kNbThreads, controls.nbThreads.Value())) {
        return;
    }
    key->WriteInteger(kTimeout, controls.timeout.Value());
}

void ResetSettings(platform::SettingsStore& store) {
    const auto key = store.Open();
    if (!key || !key->WriteString(keys::kVersion.Name(), platform::VersionText())) {
        return;
    }
    for (const QString& name :
         {kInter, kNbThreads, kServeurHbl, kServeurWeb, keys::kPathDonkey.Name(), kTimeout}) {
        if (!key->DeleteValue(name)) {
            return;
        }
    }
}

}  // namespace hublane::serverlist
