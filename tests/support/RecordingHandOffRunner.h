// A hand-off runner that types nothing: it keeps the rows it was given and answers as told.
#pragma once

#include <vector>

#include "serverlist/HandOffRunner.h"

namespace hublane::test {

class RecordingHandOffRunner final : public serverlist::HandOffRunner {
  public:
    serverlist::HandOffResult Run(const std::vector<serverlist::HandOffAddress>& rows,
                                  serverlist::WorkGauge& gauge) override {
        calls.push_back(rows);
        gauge.SetMax(static_cast<int>(rows.size()));
        gauge.SetPosition(static_cast<int>(rows.size()));
        return answer;
    }

    std::vector<std::vector<serverlist::HandOffAddress>> calls;
    serverlist::HandOffResult answer{serverlist::HandOffResult::Outcome::NoClient, 0, 0, {}};
};

}  // namespace hublane::test
