// Replays a fuzz target's seed inputs and every crasher found so far, in the ordinary
// builds (and so under the sanitizers of linux-asan and on Windows): a crasher once
// fixed stays fixed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size);

namespace {

std::filesystem::path inputsRoot() {
  std::string path = BRIMTRACE_FUZZ_DIR;
#if defined(_WIN32)
  if (!path.empty() && path[0] == '/') path = "Z:" + path;  // the Unix side under Wine
#endif
  return std::filesystem::path(path);
}

// Every crasher; of the seeds, under Wine (where each instance costs far more) a share.
#if defined(_WIN32)
constexpr std::size_t kSeedShare = 4;
#else
constexpr std::size_t kSeedShare = 1;
#endif

TEST(FuzzReplay, SeedsAndCrashersRunClean) {
  int replayed = 0;
  for (const char* kind : {"corpus", "crashers"}) {
    const auto dir = inputsRoot() / kind / BRIMTRACE_FUZZ_TARGET;
    if (!std::filesystem::is_directory(dir)) continue;
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
      if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    const std::size_t step = std::string(kind) == "corpus" ? kSeedShare : 1;
    for (std::size_t i = 0; i < files.size(); i += step) {
      const std::filesystem::path& path = files[i];
      std::ifstream file(path, std::ios::binary);
      const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), {});
      SCOPED_TRACE(path.string());
      LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
      ++replayed;
    }
  }
  EXPECT_GT(replayed, 0) << "no inputs under " << inputsRoot().string();
}

}  // namespace
