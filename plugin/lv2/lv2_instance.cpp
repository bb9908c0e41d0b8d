#include "plugin/lv2/lv2_instance.h"

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/options/options.h>

#include <cstring>

#include "plugin/shared/block_runner.h"
#include "plugin/shared/brimtrace_effect.h"

namespace {
const void* feature(const LV2_Feature* const* features, const char* uri) {
  for (; features && *features; ++features)
    if (std::strcmp((*features)->URI, uri) == 0) return (*features)->data;
  return nullptr;
}
}  // namespace

Lv2Instance* Lv2Instance::create(double sampleRate, const LV2_Feature* const* features) {
  const auto* map = static_cast<const LV2_URID_Map*>(feature(features, LV2_URID__map));
  if (!map) return nullptr;
  // An exception must not reach the host: a failed allocation refuses the instance.
  try {
    auto* instance =
        new Lv2Instance(makeBrimtraceEffect(), sampleRate, map->map(map->handle, lv2_uris::kChunk),
                        map->map(map->handle, LV2_ATOM__Chunk));
    // The block size the runtime reports, when the host gives one.
    const LV2_URID maxBlock = map->map(map->handle, LV2_BUF_SIZE__maxBlockLength);
    const LV2_URID atomInt = map->map(map->handle, LV2_ATOM__Int);
    const auto* options = static_cast<const LV2_Options_Option*>(feature(features, LV2_OPTIONS__options));
    for (; options && options->key; ++options)
      if (options->key == maxBlock && options->type == atomInt && options->size == sizeof(int32_t) &&
          options->value)
        instance->blockSize_ = *static_cast<const int32_t*>(options->value);
    instance->core_.open();
    return instance;
  } catch (...) {
    return nullptr;
  }
}

Lv2Instance::Lv2Instance(std::unique_ptr<TFabloEffect> effect, double sampleRate, LV2_URID chunk,
                         LV2_URID atomChunk)
    : effect_(std::move(effect)),
      core_(effect_.get()),
      sampleRate_(static_cast<float>(sampleRate)),
      chunkKey_(chunk),
      chunkType_(atomChunk) {
  effect_->zelk = this;
}

Lv2Instance::~Lv2Instance() {
  core_.close();
  core_.releaseFonts();
  effect_->zelk = nullptr;
}

void Lv2Instance::connect(uint32_t port, void* data) {
  if (port < kPortCount) ports_[port] = static_cast<float*>(data);
}

void Lv2Instance::activate() { core_.resume(); }
void Lv2Instance::deactivate() { core_.suspend(); }

void Lv2Instance::run(uint32_t frames) {
  float* const inputs[2] = {ports_[kInLeft], ports_[kInRight]};
  float* const outputs[2] = {ports_[kOutLeft], ports_[kOutRight]};
  const auto count = static_cast<int32_t>(frames > INT32_MAX ? INT32_MAX : frames);
  runEffectBlock(effect_.get(), 2, inputs, outputs, count);
}

LV2_State_Status Lv2Instance::save(LV2_State_Store_Function store, LV2_State_Handle handle) {
  if (!store) return LV2_STATE_ERR_UNKNOWN;
  std::lock_guard<std::recursive_mutex> section(core_.sectionLock());  // the chunk lives in the effect
  void* data = nullptr;
  const uint32_t size = core_.saveState(&data);
  if (size == 0 || !data) return LV2_STATE_SUCCESS;  // nothing to keep, as VST 2.4 gives no chunk
  return store(handle, chunkKey_, data, size, chunkType_, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
}

LV2_State_Status Lv2Instance::restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle) {
  if (!retrieve) return LV2_STATE_ERR_UNKNOWN;
  size_t size = 0;
  uint32_t type = 0, flags = 0;
  const void* data = retrieve(handle, chunkKey_, &size, &type, &flags);
  // A missing or foreign value leaves the state as it is; the chunk's own rules do the rest.
  if (!data || type != chunkType_ || size > INT32_MAX) return LV2_STATE_SUCCESS;
  core_.restoreState(data, static_cast<int32_t>(size));
  return LV2_STATE_SUCCESS;
}
