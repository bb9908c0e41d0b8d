#include "tools/host/decode_ahead.h"

namespace host {

DecodeAhead::DecodeAhead(AudioReader& reader, int64_t blockFrames)
    : reader_(reader), thread_([this, blockFrames] { run(blockFrames); }) {}

DecodeAhead::~DecodeAhead() {
  blocks_.stop();
  thread_.join();
}

void DecodeAhead::run(int64_t blockFrames) {
  for (;;) {
    DecodedBlock* block = blocks_.fillable();
    if (block == nullptr) return;
    reader_.decode(*block, blockFrames);
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
