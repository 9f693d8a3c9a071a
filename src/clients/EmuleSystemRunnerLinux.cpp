// The hand-off to eMule on Linux: eMule runs under Wine, so the Windows helper,
// in its eMule mode, sends the links from inside eMule's prefix.
#include "clients/EmuleSystemRunner.h"

namespace hublane::clients {

std::unique_ptr<clients::HandOffRunner> CreateSystemEmuleRunner(clients::HandOffSetup setup) {
    setup.helperArguments = QStringList{QString::fromLatin1(kEmuleHelperOption)};
    return clients::CreateSystemHandOffRunner(std::move(setup));
}

clients::HandOffResult FindSystemEmule(clients::HandOffSetup setup) {
    setup.helperArguments =
        QStringList{QString::fromLatin1(kEmuleHelperOption), QString::fromLatin1(kEmuleFindOption)};
    serverlist::PlainGauge gauge;
    return clients::CreateSystemHandOffRunner(std::move(setup))->Run({}, gauge);
}

}  // namespace hublane::clients
