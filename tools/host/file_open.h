// Files by UTF-8 name on every platform: Windows opens them by their wide (UTF-16) names,
// so that any name it can hold works whatever the ANSI code page; elsewhere names are bytes.
#pragma once
#include <cstdio>
#include <string>

namespace host {

// fopen's answer and errno; a name that is not UTF-8 fails on Windows with EINVAL.
std::FILE* openFile(const std::string& utf8Path, const char* mode);

}  // namespace host
