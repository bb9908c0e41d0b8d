#include "tools/host/decode_ahead.h"

#include <algorithm>

namespace host {

DecodeAhead::DecodeAhead(AudioReader& reader, int64_t blockFrames, int64_t totalFrames)
    : reader_(reader), thread_([this, blockFrames, totalFrames] { run(blockFrames, totalFrames); }) {}

DecodeAhead::~DecodeAhead() {
  blocks_.stop();
  thread_.join();
}

void DecodeAhead::run(int64_t blockFrames, int64_t totalFrames) {
  for (int64_t remaining = totalFrames;;) {
    DecodedBlock* block = blocks_.fillable();
    if (block == nullptr) return;
    if (remaining > 0)
      reader_.decode(*block, std::min(blockFrames, remaining));
    else
      block->frames = 0;
    remaining -= std::max<int64_t>(block->frames, 0);
    const bool last = block->frames <= 0;  // the end, or an error: nothing follows
    blocks_.fill();
    if (last) return;
  }
}

const DecodedBlock& DecodeAhead::next() {
  if (current_ != nullptr) {
    if (current_->frames <= 0) return *current_;
    blocks_.release();
  }
  current_ = &blocks_.next();
  return *current_;
}

}  // namespace host
