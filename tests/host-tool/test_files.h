// Scratch files for the host tool's tests, and paths the platform's loader understands.
#pragma once
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace host_test {

// A file name in the temporary folder, removed when the object goes.
class TempFile {
public:
  explicit TempFile(const std::string& suffix) {
    // A per-process random part: test executables that ctest runs side by side would
    // otherwise draw the same names from an unseeded generator.
    static const unsigned process = std::random_device{}();
    static std::atomic<int> counter{0};
    path_ = (std::filesystem::temp_directory_path() /
             ("brimtrace-host-test-" + std::to_string(process) + "-" + std::to_string(counter++) + suffix))
                .string();
  }
  ~TempFile() {
    std::error_code ec;
    std::filesystem::remove(path_, ec);
  }
  const std::string& path() const { return path_; }
  void write(const std::vector<unsigned char>& bytes) const {
    std::ofstream(path_, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  bool exists() const { return std::filesystem::exists(path_); }

private:
  std::string path_;
};

// A build path as the loader spells it: under Wine the Unix root is drive Z:.
inline std::string nativePath(std::string path) {
#if defined(_WIN32)
  if (!path.empty() && path[0] == '/') {
    for (char& c : path)
      if (c == '/') c = '\\';
    path = "Z:" + path;
  }
#endif
  return path;
}

}  // namespace host_test
