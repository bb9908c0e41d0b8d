#include "tools/host/arguments.h"

namespace host {

// File names are bytes here, taken as they come.
std::vector<std::string> commandLineArguments(int argc, char** argv) {
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

}  // namespace host
