// A file decoded on a thread of its own, a few blocks ahead of the caller who converts
// and measures them: copying the samples out of the page cache and unpacking them then
// overlap the measuring, which takes about as long. The blocks cross between the threads
// as the decoder hands them over (16-bit samples take a quarter of the room of the doubles
// they become), and few of them, so the handing over costs little.
#pragma once
#include <cstdint>
#include <thread>

#include "tools/host/audio_io.h"
#include "tools/host/slot_ring.h"

namespace host {

class DecodeAhead {
public:
  // Decodes the file in blocks of `blockFrames` until the reader says the end or an error,
  // whatever length the header declared (a file may hold more or fewer, or not say).
  // Until the decoding has ended the reader's decode() belongs to the decoding thread.
  DecodeAhead(AudioReader& reader, int64_t blockFrames);
  ~DecodeAhead();  // stops the decoding, however far it got
  DecodeAhead(const DecodeAhead&) = delete;
  DecodeAhead& operator=(const DecodeAhead&) = delete;

  // The next block, valid until the next call: frames 0 at the end, -1 on an error (the
  // reader's error() says which). After either, every call answers the same block.
  const DecodedBlock& next();

private:
  void run(int64_t blockFrames);

  AudioReader& reader_;
  SlotRing<DecodedBlock, 4> blocks_;
  const DecodedBlock* current_ = nullptr;  // the caller's
  std::thread thread_;
};

}  // namespace host
