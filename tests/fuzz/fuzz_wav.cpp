// The built-in WAV reader (the Windows build's only one) on arbitrary bytes as a file:
// it refuses with a reason or reads, never beyond its buffers, answering frames within
// what the file holds and the header declares, in reads of several sizes. A file that ends
// before its declared length says so in warning(), and only then.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tools/host/wav_file.h"

#if defined(_WIN32)
#include <process.h>
#endif

namespace {

[[noreturn]] void fail(const char* what, long long detail) {
  std::fprintf(stderr, "fuzz check failed: %s (%lld)\n", what, detail);
  std::fflush(stderr);
  std::abort();
}
#define WAV_CHECK(condition, detail) \
  if (!(condition)) fail(#condition, static_cast<long long>(detail))

// The bytes as a file the reader can seek in: in memory on Linux, a scratch file where
// there is no fmemopen (msvcrt's tmpfile wants the drive's root).
std::FILE* asFile(const uint8_t* data, std::size_t size) {
#if defined(_WIN32)
  struct Scratch {
    std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("brimtrace-fuzz-wav-" + std::to_string(_getpid()));
    ~Scratch() {
      std::error_code ec;
      std::filesystem::remove(path, ec);
    }
  };
  static const Scratch scratch;
  std::FILE* f = std::fopen(scratch.path.string().c_str(), "w+b");
  if (f && (std::fwrite(data, 1, size, f) != size || std::fseek(f, 0, SEEK_SET) != 0)) {
    std::fclose(f);
    return nullptr;
  }
  return f;
#else
  static const uint8_t kEmpty = 0;
  return fmemopen(const_cast<uint8_t*>(size ? data : &kEmpty), size ? size : 1, "rb");
#endif
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size == 0) return 0;  // an empty stream is a one-byte one here; nothing to learn
  std::FILE* file = asFile(data, size);
  if (!file) return 0;
  std::string error;
  std::unique_ptr<host::AudioReader> reader = host::openWavReader(file, "fuzz.wav", error);
  if (!reader) {
    WAV_CHECK(!error.empty(), 0);
    return 0;
  }
  const int channels = reader->channels();
  WAV_CHECK(channels >= 1 && channels <= 1024, channels);
  WAV_CHECK(reader->sampleRate() >= 1, 0);
  const int64_t declared = reader->frames();
  WAV_CHECK(declared >= host::kUnknownFrames, declared);
  const bool pcm = reader->encoding() != host::SampleEncoding::Float32 &&
                   reader->encoding() != host::SampleEncoding::Float64;

  // Read sizes from the bytes themselves: single frames, odd blocks and large ones.
  const int64_t sizes[] = {1, 1 + static_cast<int64_t>(size % 61), 512, 3};
  int64_t total = 0;
  for (int round = 0;; ++round) {
    const int64_t count = sizes[round % 4];
    std::vector<double> out(static_cast<std::size_t>(count * channels));  // exact: ASan sees overruns
    const int64_t n = reader->read(out.data(), count);
    WAV_CHECK(n >= -1 && n <= count, n);
    if (n < 0) {
      WAV_CHECK(!reader->error().empty(), 0);
      return 0;
    }
    if (n == 0) break;
    for (int64_t i = 0; i < n * channels; ++i) {
      const double v = out[static_cast<std::size_t>(i)];
      if (pcm) WAV_CHECK(v >= -1.0 && v < 1.0, i);
    }
    total += n;
    // Every frame read is bytes of the input: a reader looping on its own would overrun.
    WAV_CHECK(total <= static_cast<int64_t>(size), total);
  }
  WAV_CHECK(reader->read(nullptr, 0) == 0, 0);
  if (declared != host::kUnknownFrames) {
    WAV_CHECK(total <= declared, total);
    WAV_CHECK(reader->warning().empty() == (total == declared), total);
  } else {
    WAV_CHECK(reader->warning().empty(), total);
  }
  return 0;
}
