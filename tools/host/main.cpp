// brimtrace-host: a command-line VST 2.4 host for trying a plug-in without a DAW.
#include <iostream>
#include <string>
#include <vector>

#include "tools/host/arguments.h"
#include "tools/host/commands.h"
#include "tools/host/crash_guard.h"
#include "tools/host/output_files.h"

int main(int argc, char** argv) {
  host::installCrashGuard();
  host::installInterruptCleanup();
  const std::vector<std::string> args = host::commandLineArguments(argc, argv);
  const int code = host::guardedMain([&] { return host::runHost(args, std::cout, std::cerr); }, std::cerr);
  std::cout.flush();
  return code;
}
