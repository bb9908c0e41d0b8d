// brimtrace-host's main() around a command that fails as the tool itself might: an
// exception thrown on the main thread ("throw") or on a thread of its own ("thread"), or
// an abort ("abort"); or one interrupted while it writes its output ("interrupt": SIGINT,
// Windows Ctrl-C; "break": SIGTERM, Windows Ctrl-Break). Each has an output reserved; no
// plug-in is involved.
#if defined(_WIN32)
#include <windows.h>
#else
#include <csignal>
#endif
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <stdexcept>
#include <string>
#include <thread>

#include "tools/host/crash_guard.h"
#include "tools/host/output_files.h"

int main(int argc, char** argv) {
  host::installCrashGuard();
  host::installInterruptCleanup();
  if (argc != 3) return 2;
  const std::string fault = argv[1], output = argv[2];
  return host::guardedMain(
      [&] {
        host::OutputFiles outputs({});
        std::string temporary, error;
        if (!outputs.add(output, temporary, error)) return 2;
        if (fault == "throw") throw std::runtime_error("invalid UTF-8 byte at index 3: 0xFF");
        if (fault == "thread") std::thread([] { throw std::runtime_error("a worker failed"); }).join();
        if (fault == "abort") std::abort();
        if (fault == "interrupt" || fault == "break") {
          std::FILE* file = std::fopen(temporary.c_str(), "wb");  // still open, as a writer keeps it
          std::fputs("partial", file);
          std::fflush(file);
#if defined(_WIN32)
          const DWORD event = fault == "interrupt" ? CTRL_C_EVENT : CTRL_BREAK_EVENT;
          if (!GenerateConsoleCtrlEvent(event, 0) &&
              !(AllocConsole() && GenerateConsoleCtrlEvent(event, 0))) {
            std::cerr << "no console to send the event to (error " << GetLastError() << ")\n";
            return 5;
          }
          Sleep(5000);
#else
          std::raise(fault == "interrupt" ? SIGINT : SIGTERM);
#endif
          std::cerr << "the interrupt did not end the process\n";
          return 4;
        }
        return 0;
      },
      std::cerr);
}
