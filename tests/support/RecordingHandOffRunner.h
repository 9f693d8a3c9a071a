// A hand-off runner that types nothing: it keeps the rows it was given and answers as told.
#pragma once

#include <vector>

#include "clients/HandOffRunner.h"

namespace hublane::test {

class RecordingHandOffRunner final : public clients::HandOffRunner {
  public:
    clients::HandOffResult Run(const std::vector<clients::HandOffAddress>& rows,
                               serverlist::WorkGauge& gauge) override {
        calls.push_back(rows);
        gauge.SetMax(static_cast<int>(rows.size()));
        gauge.SetPosition(static_cast<int>(rows.size()));
        return answer;
    }

    std::vector<std::vector<clients::HandOffAddress>> calls;
    clients::HandOffResult answer{clients::HandOffResult::Outcome::NoClient, 0, 0, {}};
};

}  // namespace hublane::test
