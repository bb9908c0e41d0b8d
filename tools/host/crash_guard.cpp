#include "tools/host/crash_guard.h"

#if defined(_WIN32)
#include <windows.h>

#include <cstdio>
#else
#include <signal.h>
#include <unistd.h>

#include <cstring>
#include <initializer_list>
#endif

namespace host {
namespace {
constexpr char kMessage[] = "brimtrace-host: the plug-in crashed";

#if defined(_WIN32)
LONG WINAPI onCrash(EXCEPTION_POINTERS* info) {
  const unsigned long code = info && info->ExceptionRecord ? info->ExceptionRecord->ExceptionCode : 0;
  std::fprintf(stderr, "%s (exception 0x%08lx)\n", kMessage, code);
  std::fflush(stderr);
  TerminateProcess(GetCurrentProcess(), kCrashExitCode);
  return EXCEPTION_EXECUTE_HANDLER;
}
#else
void onCrash(int signal) {
  // Only async-signal-safe calls here.
  const char* name = signal == SIGSEGV  ? " (segmentation fault)\n"
                     : signal == SIGBUS ? " (bus error)\n"
                     : signal == SIGFPE ? " (arithmetic exception)\n"
                     : signal == SIGILL ? " (illegal instruction)\n"
                                        : " (abort)\n";
  ssize_t ignored = write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
  ignored = write(STDERR_FILENO, name, std::strlen(name));
  (void)ignored;
  _exit(kCrashExitCode);
}
#endif
}  // namespace

void installCrashGuard() {
#if defined(_WIN32)
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  SetUnhandledExceptionFilter(onCrash);
#else
  struct sigaction action {};
  action.sa_handler = onCrash;
  sigemptyset(&action.sa_mask);
  for (int s : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) sigaction(s, &action, nullptr);
#endif
}

}  // namespace host
