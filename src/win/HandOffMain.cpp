// hublane-handoff.exe: the hand-off as a Windows program of its own, for a client that runs under
// Wine. Reads server rows (IP<TAB>Port lines) on standard input, types them into the console of
// every running eDonkey2000 client (with --emule: sends them to the running eMule as ed2k server
// links; with --emule --find, only looks for its window), and writes one line per gauge move and
// a final result line.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "clients/DonkeyHandOff.h"
#include "clients/EmuleHandOff.h"
#include "clients/HandOffLines.h"
#include "platform/ExitStatus.h"
#include "platform/WindowSystemWin.h"
#include "text/CommandHelp.h"

namespace {

using hublane::clients::HandOffResult;

void WriteLine(const std::string& line, bool flush) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    if (flush) {
        std::fflush(stdout);
    }
}

// The gauge as lines on standard output, flushed at each phase and every so often within one, so
// that the program's bar moves while the client is typed into.
class LineGauge final : public hublane::serverlist::WorkGauge {
  public:
    void SetMax(int max) override {
        m_max = max;
        WriteLine(hublane::clients::GaugeMaxLine(max), true);
    }
    void SetPosition(int position) override {
        m_position = position > m_max ? m_max : position;
        WriteLine(hublane::clients::GaugePositionLine(m_position),
                  m_position % 50 == 0 || m_position == m_max);
    }
    int Max() const override { return m_max; }
    int Position() const override { return m_position; }

  private:
    int m_max = 100;
    int m_position = 0;
};

int Finish(const HandOffResult& result) {
    WriteLine(hublane::clients::ResultLine(result), true);
    return result.outcome == HandOffResult::Outcome::Delivered ? hublane::platform::kExitOk
                                                               : hublane::platform::kExitFailure;
}

const hublane::text::CommandHelp& HelperCommand() {
    static const hublane::text::CommandHelp command{
        .program = "hublane-handoff.exe",
        .details =
            "Types the server rows (IP<TAB>Port lines on standard input) into every running eDonkey2000 "
            "client; with --emule, sends them to the running eMule as ed2k://|server|IP|PORT|/ links.",
        .options = {{"emule", {}, "send them to the running eMule"},
                    {"find", {}, "with --emule: only tell whether eMule runs (result delivered 1 0)"},
                    {"timeout-ms", "N", "the longest one window message may take (default 5000)"}},
    };
    return command;
}

}  // namespace

int main(int argc, char** argv) {
    int timeoutMs = hublane::clients::kMessageTimeoutMs;
    bool emule = false;
    bool find = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--timeout-ms") == 0 && i + 1 < argc) {
            timeoutMs = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--emule") == 0) {
            emule = true;
        } else if (std::strcmp(argv[i], "--find") == 0) {
            find = true;
        } else {
            const std::string help = hublane::text::HelpText(HelperCommand());
            std::fwrite(help.data(), 1, help.size(), stderr);
            return hublane::platform::kExitUsage;
        }
    }
    // Bytes in and out as they stand: no CR-LF translation.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);

    std::vector<hublane::clients::HandOffAddress> rows;
    std::string line;
    int number = 0;
    while (std::getline(std::cin, line)) {
        ++number;
        if (line.empty() || line == "\r") {
            continue;
        }
        const auto row = hublane::clients::ParseRowLine(line);
        if (!row) {
            HandOffResult bad;
            bad.outcome = HandOffResult::Outcome::HelperFailed;
            bad.detail = "bad input line " + std::to_string(number);
            return Finish(bad);
        }
        rows.push_back(*row);
    }
    const auto windows = hublane::platform::CreateWin32WindowSystem();
    LineGauge gauge;
    if (emule && find) {
        return Finish(hublane::clients::EmuleHandOff(*windows, gauge, timeoutMs).Find());
    }
    if (emule) {
        return Finish(hublane::clients::EmuleHandOff(*windows, gauge, timeoutMs).Send(rows));
    }
    hublane::clients::DonkeyHandOff handOff(*windows, gauge, timeoutMs > 0 ? timeoutMs : 1);
    return Finish(handOff.SendToDonkey(rows));
}
