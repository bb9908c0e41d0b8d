// The LV2 state restore from arbitrary bytes: the chunk property handed back with any
// size up to the host's buffer, of the chunk's type or a foreign one, or missing, the
// marker forced in or not, with blocks run between. After each restore a save must hold
// exactly the values the restores so far covered (non-finite ones as 0), in the one
// chunk property with its type and flags, and the host's bytes stay untouched.
#include <lv2/atom/atom.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <cmath>
#include <string>

#include "plugin/lv2/lv2_instance.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

constexpr uint32_t kMarkerBits = 0xC47A0000u;  // -1000.0f
enum : LV2_URID { kChunkKey = 1, kChunkType, kIntType, kOther };

LV2_URID mapUri(LV2_URID_Map_Handle, const char* uri) {
  const std::string u = uri;
  if (u == lv2_uris::kChunk) return kChunkKey;
  if (u == LV2_ATOM__Chunk) return kChunkType;
  if (u == LV2_ATOM__Int) return kIntType;
  return kOther;
}

struct Handed {  // what the host hands back on restore
  const void* data = nullptr;
  size_t size = 0;
  uint32_t key = kChunkKey, type = kChunkType;
};
struct Saved {
  int count = 0;
  uint32_t key = 0, type = 0, flags = 0;
  std::vector<uint8_t> bytes;
};

const void* retrieve(LV2_State_Handle h, uint32_t key, size_t* size, uint32_t* type, uint32_t* flags) {
  const auto* handed = static_cast<const Handed*>(h);
  if (key != handed->key || !handed->data) return nullptr;
  *size = handed->size, *type = handed->type, *flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
  return handed->data;
}
LV2_State_Status store(LV2_State_Handle h, uint32_t key, const void* value, size_t size, uint32_t type,
                       uint32_t flags) {
  auto* saved = static_cast<Saved*>(h);
  ++saved->count;
  saved->key = key, saved->type = type, saved->flags = flags;
  saved->bytes.assign(static_cast<const uint8_t*>(value), static_cast<const uint8_t*>(value) + size);
  return LV2_STATE_SUCCESS;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace fuzz;
  Input in(data, size);
  const uint8_t setup = in.byte();
  LV2_URID_Map map{nullptr, mapUri};
  const LV2_Feature mapFeature{LV2_URID__map, &map};
  const LV2_Feature* features[] = {&mapFeature, nullptr};
  Lv2Instance* instance = Lv2Instance::create(44100 + setup, features);
  FUZZ_CHECK(instance != nullptr, 0);
  if (setup & 1) instance->activate();

  float expected[65] = {};
  const int rounds = 1 + (setup >> 4) % 4;
  for (int round = 0; round < rounds && !in.empty(); ++round) {
    const uint8_t mode = in.byte();
    std::vector<uint8_t> bytes = in.bytes(in.take<uint16_t>() % 1200);
    if ((mode & 1) && bytes.size() >= 4) std::memcpy(bytes.data(), &kMarkerBits, 4);
    GuardedBuffer buffer(bytes.size(), bytes);
    Handed handed;
    handed.data = (mode & 2) ? nullptr : buffer.data();
    handed.size = (mode & 4) ? in.take<uint16_t>() % (bytes.size() + 1) : bytes.size();
    if (mode & 8) handed.type = (mode & 16) ? kIntType : kOther;
    if ((mode & 24) == 24) handed.key = kOther;  // another property than the chunk
    FUZZ_CHECK(instance->restore(retrieve, &handed) == LV2_STATE_SUCCESS, mode);
    FUZZ_CHECK(buffer.unchanged(), handed.size);

    const bool taken = handed.data && handed.key == kChunkKey && handed.type == kChunkType;
    if (taken && handed.size >= 4) {
      uint32_t first;
      std::memcpy(&first, buffer.data(), 4);
      if (first == kMarkerBits) {
        const size_t floats = handed.size / 4;
        for (size_t k = 1; k < floats && k <= 64; ++k) {
          std::memcpy(&expected[k], buffer.data() + 4 * k, 4);
          if (!std::isfinite(expected[k])) expected[k] = 0.0f;  // the store rule
        }
      }
    }

    Saved saved;
    FUZZ_CHECK(instance->save(store, &saved) == LV2_STATE_SUCCESS, 0);
    FUZZ_CHECK(saved.count == 1 && saved.key == kChunkKey && saved.type == kChunkType, saved.count);
    FUZZ_CHECK(saved.flags == (LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE), saved.flags);
    FUZZ_CHECK(saved.bytes.size() == 260, saved.bytes.size());
    FUZZ_CHECK(std::memcmp(saved.bytes.data(), &kMarkerBits, 4) == 0, 0);
    for (int k = 1; k <= 64; ++k)
      FUZZ_CHECK(std::memcmp(saved.bytes.data() + 4 * k, &expected[k], 4) == 0, k);

    if (mode & 64) {  // a block between restores, in place; it passes through unchanged
      float left[64], right[64];
      const uint32_t frames = in.byte() % 65;
      for (uint32_t i = 0; i < frames; ++i) right[i] = -(left[i] = static_cast<float>(i) / 64.0f);
      instance->connect(0, left), instance->connect(1, right), instance->connect(2, left),
          instance->connect(3, right);
      instance->run(frames);
      for (uint32_t i = 0; i < frames; ++i) FUZZ_CHECK(left[i] == static_cast<float>(i) / 64.0f, i);
    }
  }
  if (setup & 1) instance->deactivate();
  delete instance;
  return 0;
}
