// The C library's LC_NUMERIC switched, for a scope, to one whose decimal point is a
// comma, as in a host started under a German or French locale. On Linux the locale is
// made here (glibc's compiled LC_NUMERIC, written into a folder found through LOCPATH),
// so no installed locale is needed; Windows' C runtime has German.
#pragma once
#include <clocale>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "tests/support/environment.h"
#ifndef _WIN32
#include <unistd.h>
#endif

namespace brimtrace_test {

class CommaDecimals {
public:
  CommaDecimals() {
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    previous_ = previous ? previous : "C";
#ifdef _WIN32
    std::setlocale(LC_NUMERIC, "German_Germany.1252");
#else
    folder_ = std::filesystem::temp_directory_path() / ("brimtrace-comma-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder_ / "comma");
    // glibc's layout: the category's magic number, the count of items and each item's
    // offset, then the items: decimal point, thousands separator, grouping, the two
    // separators as wide characters, the character set.
    const uint32_t header[] = {0x20031114, 6, 0x20, 0x22, 0x23, 0x24, 0x28, 0x2c};
    const char items[] = {',', 0, 0, 0, ',', 0, 0, 0, 0, 0, 0, 0, 'U', 'T', 'F', '-', '8', 0};
    if (std::FILE* f = std::fopen((folder_ / "comma" / "LC_NUMERIC").string().c_str(), "wb")) {
      std::fwrite(header, 1, sizeof header, f);
      std::fwrite(items, 1, sizeof items, f);
      std::fclose(f);
    }
    const char* path = std::getenv("LOCPATH");
    if (path) previousPath_ = path;
    hadPath_ = path != nullptr;
    setVariable("LOCPATH", folder_.string().c_str());
    std::setlocale(LC_NUMERIC, "comma");
#endif
  }
  ~CommaDecimals() {
    std::setlocale(LC_NUMERIC, previous_.c_str());
#ifndef _WIN32
    setVariable("LOCPATH", hadPath_ ? previousPath_.c_str() : nullptr);
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
#endif
  }
  CommaDecimals(const CommaDecimals&) = delete;
  CommaDecimals& operator=(const CommaDecimals&) = delete;

  // Whether the C library now writes and reads numbers with a comma.
  static bool active() { return std::strcmp(std::localeconv()->decimal_point, ",") == 0; }

private:
  std::string previous_;
#ifndef _WIN32
  std::filesystem::path folder_;
  std::string previousPath_;
  bool hadPath_ = false;
#endif
};

}  // namespace brimtrace_test
