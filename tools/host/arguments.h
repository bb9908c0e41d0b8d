// The command line's arguments after the program's name, as UTF-8: Windows hands them over
// as wide characters (the ANSI argv loses every name outside its code page).
#pragma once
#include <string>
#include <vector>

namespace host {
std::vector<std::string> commandLineArguments(int argc, char** argv);
}  // namespace host
