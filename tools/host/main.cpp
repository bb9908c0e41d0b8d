// brimtrace-host: a command-line VST 2.4 host for trying a plug-in without a DAW.
#include <iostream>
#include <string>
#include <vector>

#include "tools/host/commands.h"
#include "tools/host/crash_guard.h"

int main(int argc, char** argv) {
  host::installCrashGuard();
  std::vector<std::string> args(argv + 1, argv + argc);
  const int code = host::runHost(args, std::cout, std::cerr);
  std::cout.flush();
  return code;
}
