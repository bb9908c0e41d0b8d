// One LV2 instance of Brimtrace: the effect, its sections (plugin/shared), the four audio
// ports, the state chunk, and the runtime's link to a host that has no callback: LV2
// hands the rate at instantiation and the ports before each run, and the UI reaches
// the instance directly (instance-access), so the link answers from what it was given.
#pragma once
#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <memory>

#include "gui/paint_link.h"
#include "plugin/shared/effect_core.h"

class TFabloEffect;

namespace lv2_uris {
inline constexpr const char* kPlugin = "https://quillmere.example/plugins/brimtrace";
inline constexpr const char* kUi = "https://quillmere.example/plugins/brimtrace#ui";
inline constexpr const char* kChunk = "https://quillmere.example/plugins/brimtrace#chunk";
}  // namespace lv2_uris

class Lv2Instance final : public PaintLink, public PaintTarget {
public:
  enum Port : uint32_t { kInLeft, kInRight, kOutLeft, kOutRight, kPortCount };

  // Null when the host lacks urid:map or the instance cannot be made.
  static Lv2Instance* create(double sampleRate, const LV2_Feature* const* features);
  ~Lv2Instance();

  void connect(uint32_t port, void* data);
  void activate();
  void run(uint32_t frames);
  void deactivate();
  LV2_State_Status save(LV2_State_Store_Function store, LV2_State_Handle handle);
  LV2_State_Status restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle);

  EffectCore& core() { return core_; }
  TFabloEffect& effect() { return *effect_; }

  // PluginLink, with the paint of the UI (PaintLink).
  float storedSampleRate() const override { return sampleRate_; }
  int32_t storedBlockSize() const override { return blockSize_; }
  int32_t inputCount() const override { return 2; }
  // No time:Position port: the effect reads the transport but its picture does not use it.
  bool hostTime(int32_t, HostTime&) override { return false; }
  void updateDisplay() override {}           // no parameters to refresh
  void setInitialDelay(int32_t) override {}  // no latency port: the effect adds none
  void repaintEditor() override { core_.repaintEditor(); }
  bool editorSize(int32_t& width, int32_t& height) const override { return core_.editorSize(width, height); }
  Toolkit::CDrawContext* drawContext() const override { return drawContext_; }
  std::vector<Toolkit::CFontDesc*>& fontCache() override { return core_.fontCache(); }
  void setDrawContext(Toolkit::CDrawContext* context) override { drawContext_ = context; }

private:
  Lv2Instance(std::unique_ptr<TFabloEffect> effect, double sampleRate, LV2_URID chunk, LV2_URID atomChunk);

  std::unique_ptr<TFabloEffect> effect_;
  EffectCore core_;
  float* ports_[kPortCount] = {};
  float sampleRate_;
  int32_t blockSize_ = 1024;  // the runtime's default: LV2 needs no block size
  LV2_URID chunkKey_, chunkType_;
  Toolkit::CDrawContext* drawContext_ = nullptr;
};
