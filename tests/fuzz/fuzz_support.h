// What the fuzz targets share: reading typed values from the fuzzer's bytes, a host
// callback, and buffers with guard bytes around them that must come back intact.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "plugin/vst2/instance.h"
#include "plugin/vst2/vst2.h"
#include "tests/support/in_process.h"

namespace fuzz {

// A fault the sanitizers cannot see (a wrong answer, a guard byte overwritten): report
// it and stop, so that libFuzzer keeps the input as a crasher.
[[noreturn]] inline void fail(const char* what, long long detail = 0) {
  std::fprintf(stderr, "fuzz check failed: %s (%lld)\n", what, detail);
  std::fflush(stderr);
  std::abort();
}
#define FUZZ_CHECK(condition, detail)                                           \
  do {                                                                          \
    if (!(condition)) ::fuzz::fail(#condition, static_cast<long long>(detail)); \
  } while (0)

// The fuzzer's bytes as a stream of values; past the end everything reads as zero.
class Input {
public:
  Input(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool empty() const { return at_ >= size_; }
  std::size_t remaining() const { return at_ < size_ ? size_ - at_ : 0; }

  template <class T>
  T take() {
    T value{};
    const std::size_t n = remaining() < sizeof(T) ? remaining() : sizeof(T);
    if (n) std::memcpy(&value, data_ + at_, n);
    at_ += sizeof(T);
    return value;
  }
  uint8_t byte() { return take<uint8_t>(); }
  // At most max bytes (fewer when the input ends).
  std::vector<uint8_t> bytes(std::size_t max) {
    const std::size_t n = remaining() < max ? remaining() : max;
    std::vector<uint8_t> out(data_ + at_, data_ + at_ + n);
    at_ += n;
    return out;
  }

private:
  const uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

// size usable bytes with guard bytes before and after, on the heap (so that the
// address sanitizer also watches beyond the guards).
class GuardedBuffer {
public:
  static constexpr std::size_t kGuard = 64;
  static constexpr uint8_t kGuardByte = 0xA5;

  explicit GuardedBuffer(std::size_t size, const std::vector<uint8_t>& fill = {})
      : size_(size), storage_(size + 2 * kGuard, kGuardByte) {
    for (std::size_t i = 0; i < size; ++i) storage_[kGuard + i] = i < fill.size() ? fill[i] : 0;
    before_ = storage_;
  }
  uint8_t* data() { return storage_.data() + kGuard; }
  std::size_t size() const { return size_; }

  bool guardsIntact() const {
    for (std::size_t i = 0; i < kGuard; ++i)
      if (storage_[i] != kGuardByte || storage_[kGuard + size_ + i] != kGuardByte) return false;
    return true;
  }
  bool unchanged() const { return storage_ == before_; }

private:
  std::size_t size_;
  std::vector<uint8_t> storage_, before_;
};

// The robustness tests' host: a playing transport, and the instance's dispatcher.
using brimtrace_test::dispatch;
using brimtrace_test::playingHost;

// Stereo blocks of both precisions through the instance; the outputs must equal the inputs.
inline void processBlock(AEffect* e, int32_t frames, bool doubles, uint32_t seed) {
  constexpr int32_t kMax = 64;
  const int32_t n = frames < 0 ? 0 : (frames > kMax ? kMax : frames);
  if (doubles) {
    double in[2][kMax], out[2][kMax];
    for (int32_t i = 0; i < n; ++i) {
      seed = seed * 1664525u + 1013904223u;
      in[0][i] = static_cast<int32_t>(seed) / 2147483648.0;
      in[1][i] = -in[0][i];
    }
    double* inputs[] = {in[0], in[1]};
    double* outputs[] = {out[0], out[1]};
    e->processDoubleReplacing(e, inputs, outputs, frames < kMax ? frames : kMax);
    FUZZ_CHECK(std::memcmp(in[0], out[0], n * sizeof(double)) == 0, n);
  } else {
    float in[2][kMax], out[2][kMax];
    for (int32_t i = 0; i < n; ++i) {
      seed = seed * 1664525u + 1013904223u;
      in[0][i] = static_cast<float>(static_cast<int32_t>(seed) / 2147483648.0);
      in[1][i] = -in[0][i];
    }
    float* inputs[] = {in[0], in[1]};
    float* outputs[] = {out[0], out[1]};
    e->processReplacing(e, inputs, outputs, frames < kMax ? frames : kMax);
    FUZZ_CHECK(std::memcmp(in[0], out[0], n * sizeof(float)) == 0, n);
  }
}

}  // namespace fuzz
