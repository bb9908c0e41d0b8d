// Turns a crash inside the plug-in into one line on stderr and exit code 3, instead of
// a core dump or a debugger dialog.
#pragma once

namespace host {
inline constexpr int kCrashExitCode = 3;
void installCrashGuard();
}  // namespace host
