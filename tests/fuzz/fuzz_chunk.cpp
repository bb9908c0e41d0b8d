// State restore from arbitrary bytes: effSetChunk with sizes from very negative to the
// whole buffer (never more than the buffer the host owns), null data with sizes of 0 and
// less, the marker forced in or not. After each restore a save must hold exactly the
// slider values that the restores so far covered, and the host's bytes stay untouched.
#include <cmath>

#include "tests/fuzz/fuzz_support.h"

namespace {

constexpr uint32_t kMarkerBits = 0xC47A0000u;  // -1000.0f

uint32_t bitsOf(float f) {
  uint32_t b;
  std::memcpy(&b, &f, 4);
  return b;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace fuzz;
  Input in(data, size);
  const uint8_t setup = in.byte();
  AEffect* e = createBrimtraceInstance(playingHost);
  FUZZ_CHECK(e != nullptr, 0);
  if (setup & 1) dispatch(e, effOpen, 0, 0, nullptr, 0);
  if (setup & 2) dispatch(e, effMainsChanged, 0, 1, nullptr, 0);

  float expected[65] = {};  // sliders 1..64 as a save must show them
  const int rounds = 1 + (setup >> 4) % 4;
  for (int round = 0; round < rounds && !in.empty(); ++round) {
    const uint8_t mode = in.byte();
    std::vector<uint8_t> bytes = in.bytes(in.take<uint16_t>() % 1200);
    if ((mode & 1) && bytes.size() >= 4) std::memcpy(bytes.data(), &kMarkerBits, 4);
    GuardedBuffer buffer(bytes.size(), bytes);

    intptr_t byteSize = 0;
    switch ((mode >> 1) & 3) {
      case 0:
        byteSize = static_cast<intptr_t>(bytes.size());
        break;
      case 1:
        byteSize = static_cast<intptr_t>(in.take<uint16_t>() % (bytes.size() + 1));
        break;
      case 2:
        byteSize = -1 - static_cast<intptr_t>(in.take<uint32_t>());
        break;
      default:
        byteSize = in.take<int64_t>() | INT64_MIN;
        break;  // anything negative
    }
    // Null data only where the size asks for no bytes.
    void* ptr = (mode & 8) && byteSize <= 0 ? nullptr : buffer.data();
    const intptr_t answer = dispatch(e, effSetChunk, (mode >> 4) & 1, byteSize, ptr, 0);
    FUZZ_CHECK(buffer.unchanged(), byteSize);
    // A size no chunk can have is refused; any other comes back as given.
    FUZZ_CHECK(answer == (byteSize >= 0 ? byteSize : 0), answer);

    if (byteSize >= 4 && ptr) {
      uint32_t first;
      std::memcpy(&first, buffer.data(), 4);
      if (first == kMarkerBits) {
        const intptr_t floats = byteSize / 4;
        for (intptr_t k = 1; k < floats && k <= 64; ++k) {
          std::memcpy(&expected[k], buffer.data() + 4 * k, 4);
          if (!std::isfinite(expected[k])) expected[k] = 0.0f;  // the store rule
        }
      }
    }

    void* saved = nullptr;
    GuardedBuffer slot(sizeof(void*));
    const intptr_t savedSize = dispatch(e, effGetChunk, mode >> 5 & 1, 0, slot.data(), 0);
    FUZZ_CHECK(slot.guardsIntact(), savedSize);
    FUZZ_CHECK(savedSize == 260, savedSize);
    std::memcpy(&saved, slot.data(), sizeof saved);
    const auto* floats = static_cast<const float*>(saved);
    FUZZ_CHECK(bitsOf(floats[0]) == kMarkerBits, bitsOf(floats[0]));
    for (int k = 1; k <= 64; ++k) {
      FUZZ_CHECK(bitsOf(floats[k]) == bitsOf(expected[k]), k);
    }
    if (mode & 64) processBlock(e, in.byte() % 70 - 3, mode & 128, round);
  }
  FUZZ_CHECK(dispatch(e, effClose, 0, 0, nullptr, 0) == 1, 0);
  return 0;
}
