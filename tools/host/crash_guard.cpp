#include "tools/host/crash_guard.h"

#if defined(_WIN32)
#include <windows.h>

#include <csignal>
#include <cstdio>
#else
#include <signal.h>
#include <unistd.h>

#include <cstring>
#include <initializer_list>
#endif
#include <atomic>
#include <cstdlib>

#include "tools/host/temporary_table.h"

namespace host {

thread_local int InPlugin::depth_ = 0;

namespace {
constexpr char kPrefix[] = "brimtrace-host: ";
constexpr char kPluginCrashed[] = "the plug-in crashed";
constexpr char kToolFailed[] = "an internal error stopped the tool, outside the plug-in";
// Set when an exception left a call into the plug-in.
std::atomic<bool> pluginThrew{false};

#if defined(_WIN32)
LONG WINAPI onCrash(EXCEPTION_POINTERS* info) {
  const unsigned long code = info && info->ExceptionRecord ? info->ExceptionRecord->ExceptionCode : 0;
  const bool plugin = InPlugin::active();
  std::fprintf(stderr, "%s%s (exception 0x%08lx)\n", kPrefix, plugin ? kPluginCrashed : kToolFailed, code);
  std::fflush(stderr);
  temporaries::removeLive();
  TerminateProcess(GetCurrentProcess(), plugin ? kCrashExitCode : kInternalErrorExitCode);
  return EXCEPTION_EXECUTE_HANDLER;
}

void say(const char* what, const char* detail) {
  std::fprintf(stderr, "%s%s%s\n", kPrefix, what, detail);
  std::fflush(stderr);
}

// abort() raises the C runtime's SIGABRT, which is no structured exception.
void onAbort(int) {
  const bool plugin = InPlugin::active();
  say(plugin ? kPluginCrashed : kToolFailed, " (abort)");
  temporaries::removeLive();
  TerminateProcess(GetCurrentProcess(), plugin ? kCrashExitCode : kInternalErrorExitCode);
}
#else
void say(const char* what, const char* detail) {
  // Only async-signal-safe calls here.
  ssize_t ignored = write(STDERR_FILENO, kPrefix, sizeof kPrefix - 1);
  ignored = write(STDERR_FILENO, what, std::strlen(what));
  ignored = write(STDERR_FILENO, detail, std::strlen(detail));
  ignored = write(STDERR_FILENO, "\n", 1);
  (void)ignored;
}

void onCrash(int signal) {
  const char* name = signal == SIGSEGV  ? " (segmentation fault)"
                     : signal == SIGBUS ? " (bus error)"
                     : signal == SIGFPE ? " (arithmetic exception)"
                     : signal == SIGILL ? " (illegal instruction)"
                                        : " (abort)";
  const bool plugin = InPlugin::active();
  say(plugin ? kPluginCrashed : kToolFailed, name);
  temporaries::removeLive();
  _exit(plugin ? kCrashExitCode : kInternalErrorExitCode);
}
#endif

// An exception that nothing catches (one thrown on a thread of the tool's, or through a
// noexcept function) would otherwise end in abort, told as a crash.
[[noreturn]] void onTerminate() {
  const bool plugin = InPlugin::active();
  const char* what = "an exception nothing caught";
  if (auto current = std::current_exception()) {
    try {
      std::rethrow_exception(current);
    } catch (const std::exception& e) {
      what = e.what();
    } catch (...) {
    }
  }
  say(plugin ? "the plug-in crashed: " : "an internal error stopped the tool: ", what);
  temporaries::removeLive();
  _exit(plugin ? kCrashExitCode : kInternalErrorExitCode);
}

}  // namespace

InPlugin::~InPlugin() {
  --depth_;
  if (std::uncaught_exceptions() > exceptions_) pluginThrew = true;
}

void installCrashGuard() {
  std::set_terminate(onTerminate);
#if defined(_WIN32)
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  SetUnhandledExceptionFilter(onCrash);
  std::signal(SIGABRT, onAbort);
#else
  struct sigaction action {};
  action.sa_handler = onCrash;
  sigemptyset(&action.sa_mask);
  for (int s : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) sigaction(s, &action, nullptr);
#endif
}

int guardedMain(const std::function<int()>& body, std::ostream& err) {
  try {
    return body();
  } catch (const std::exception& e) {
    if (pluginThrew) {
      err << kPrefix << "the plug-in threw an exception: " << e.what() << "\n";
      return kCrashExitCode;
    }
    err << kPrefix << "an internal error stopped the tool: " << e.what() << "\n";
  } catch (...) {
    err << kPrefix << (pluginThrew ? "the plug-in threw an exception" : "an internal error stopped the tool")
        << "\n";
    if (pluginThrew) return kCrashExitCode;
  }
  return kInternalErrorExitCode;
}

}  // namespace host
