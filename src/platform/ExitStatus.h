// The exit statuses every program of the project ends with.
#pragma once

namespace hublane::platform {

/// Done.
inline constexpr int kExitOk = 0;
/// Failed; the reason is on standard error.
inline constexpr int kExitFailure = 1;
/// No answer came (a probe, a request to another copy).
inline constexpr int kExitNoAnswer = 2;
/// The command line is wrong; the reason and the usage line are on standard error.
inline constexpr int kExitUsage = 64;

}  // namespace hublane::platform
