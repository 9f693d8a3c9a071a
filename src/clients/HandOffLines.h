// The lines the program and the Windows hand-off helper exchange: server rows in,
// gauge moves and one result line out.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "clients/DonkeyHandOff.h"

namespace hublane::clients {

/// "IP<TAB>Port", each field with \\ \t \r \n escaped, without the line end.
std::string RowLine(const HandOffAddress& address);
/// A row line back (a trailing '\r' ignored); nullopt unless it is two fields with valid escapes.
std::optional<HandOffAddress> ParseRowLine(std::string_view line);

/// "gauge max N", "gauge position N": one call on the helper's gauge.
std::string GaugeMaxLine(int max);
std::string GaugePositionLine(int position);
/// "result OUTCOME CLIENTS CONSOLES DETAIL" (DETAIL escaped, may be empty).
std::string ResultLine(const HandOffResult& result);

/// One line of the helper's output, understood.
struct HelperLine {
    enum class Kind { GaugeMax, GaugePosition, Result, Other };
    Kind kind = Kind::Other;
    int value = 0;
    HandOffResult result;
};
/// Anything that is not one of the lines above exactly is Other (a trailing '\r' ignored).
HelperLine ParseHelperLine(std::string_view line);

}  // namespace hublane::clients
