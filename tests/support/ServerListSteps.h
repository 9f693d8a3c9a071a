// Runs single steps of the server list window's cycle, which the window keeps to itself.
#pragma once

#include "serverlist/TFLServeur.h"

namespace hublane::test {

class ServerListSteps {
  public:
    static void HandOff(serverlist::TFLServeur& window) { window.HandOffStep(); }
    static void WebFetchPeers(serverlist::TFLServeur& window) { window.WebFetchPeers(); }
};

}  // namespace hublane::test
