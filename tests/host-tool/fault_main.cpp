// brimtrace-host's main() around a command that fails as the tool itself might: an
// exception thrown on the main thread ("throw") or on a thread of its own ("thread"), or
// an abort ("abort"), each with an output reserved. No plug-in is involved.
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
        return 0;
      },
      std::cerr);
}
