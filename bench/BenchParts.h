// What the benchmarks build an engine on: prompts that answer nothing, no class registry, no busy
// cursor, and the process's CPU time and memory.
#pragma once

#include <sys/resource.h>

#include <fstream>
#include <optional>
#include <string>

#include "platform/ClassRegistration.h"
#include "platform/UserPrompts.h"

namespace hublane::bench {

class NoPrompts : public platform::UserPrompts {
  public:
    void ShowError(const QString&, const QString&, bool) override {}
    std::optional<QString> ChooseOpenFile(const QString&) override { return std::nullopt; }
    std::optional<QString> ChooseFolder(const QString&, const QString&) override { return std::nullopt; }
    void ShowEscapedError(const QString&) override {}
};

class NoClasses : public platform::ClassRegistration {
  public:
    std::optional<QString> ReadDefaultIcon(const QString&) override { return std::nullopt; }
};

class NoOwner : public platform::BusyOwner {
  public:
    void SetBusyCursor(bool) override {}
};

inline double CpuMs() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000.0 +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000.0;
}

inline long PeakRssKb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

/// The resident memory now (Linux: VmRSS of /proc/self/status), 0 when unknown.
inline long RssKb() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            long kb = 0;
            status >> kb;
            return kb;
        }
        status.ignore(4096, '\n');
    }
    return 0;
}

}  // namespace hublane::bench
