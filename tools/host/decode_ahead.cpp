#include "tools/host/decode_ahead.h"

#include <algorithm>

namespace host {

DecodeAhead::DecodeAhead(AudioReader& reader, int64_t blockFrames, int64_t totalFrames)
    : reader_(reader), thread_([this, blockFrames, totalFrames] { run(blockFrames, totalFrames); }) {}

DecodeAhead::~DecodeAhead() {
  stop_.store(true, std::memory_order_relaxed);
  // Wakes a decoder waiting for a free slot; it sees the stop before it decodes again.
  released_.fetch_add(1, std::memory_order_release);
  released_.notify_one();
  thread_.join();
}

void DecodeAhead::run(int64_t blockFrames, int64_t totalFrames) {
  int64_t remaining = totalFrames;
  for (int64_t n = 0;; ++n) {
    for (int64_t r = released_.load(std::memory_order_acquire); n - r >= kSlots;
         r = released_.load(std::memory_order_acquire)) {
      if (stop_.load(std::memory_order_relaxed)) return;
      released_.wait(r, std::memory_order_acquire);
    }
    if (stop_.load(std::memory_order_relaxed)) return;
    DecodedBlock& block = slots_[static_cast<size_t>(n % kSlots)];
    if (remaining > 0)
      reader_.decode(block, std::min(blockFrames, remaining));
    else
      block.frames = 0;
    remaining -= std::max<int64_t>(block.frames, 0);
    decoded_.store(n + 1, std::memory_order_release);
    decoded_.notify_one();
    if (block.frames <= 0) return;  // the end, or an error: nothing follows
  }
}

const DecodedBlock& DecodeAhead::next() {
  if (current_ != nullptr) {
    if (current_->frames <= 0) return *current_;
    released_.fetch_add(1, std::memory_order_release);
    released_.notify_one();
  }
  const int64_t n = released_.load(std::memory_order_relaxed);
  for (int64_t d = decoded_.load(std::memory_order_acquire); d <= n;
       d = decoded_.load(std::memory_order_acquire))
    decoded_.wait(d, std::memory_order_acquire);
  current_ = &slots_[static_cast<size_t>(n % kSlots)];
  return *current_;
}

}  // namespace host
