// How the tool ends when something goes wrong beyond a command's own error handling: a
// crash inside the plug-in is one line on stderr and exit code 3, instead of a core dump
// or a debugger dialog; a crash, abort or stray exception of the tool itself says so
// (exit 1). Either way the live temporaries are removed.
#pragma once
#include <exception>
#include <functional>
#include <ostream>

namespace host {

inline constexpr int kCrashExitCode = 3;
inline constexpr int kInternalErrorExitCode = 1;

void installCrashGuard();

// Marks the calling thread as running the plug-in's code (loading it, a call into it,
// unloading it) for the guard's lifetime, so that a crash meanwhile is told as the plug-in's.
class InPlugin {
public:
  InPlugin() : exceptions_(std::uncaught_exceptions()) { ++depth_; }
  ~InPlugin();
  InPlugin(const InPlugin&) = delete;
  InPlugin& operator=(const InPlugin&) = delete;
  static bool active() { return depth_ > 0; }

private:
  int exceptions_;
  static thread_local int depth_;
};

// main()'s body: runs `body` and turns an exception it throws into one line on `err` and
// exit code 1 (3 when the plug-in threw it). Catching here unwinds the stack, so that
// OutputFiles remove their temporaries.
int guardedMain(const std::function<int()>& body, std::ostream& err);

}  // namespace host
