// CZelk: the generic plug-in object. It answers the host through the AudioEffectX
// machinery and reaches the effect only through its EffectHooks table; it is also
// the runtime's link to the host and the editor (PluginLink).
#pragma once
#include <atomic>
#include <cstdint>
#include <vector>

#include "gui/paint_link.h"
#include "plugin/shared/effect_core.h"
#include "plugin/vst2/audio_effect.h"
#include "plugin/vst2/effect_hooks.h"
#include "plugin/vst2/midi_queue.h"

class TFablo;

class CZelk : public AudioEffectX, public PaintLink {
public:
  // Asks the host for its version first: without a host callback, or when the host
  // answers 0, no plug-in object is made and null is returned (the effect stays the caller's).
  static CZelk* create(TFablo* effect, const EffectHooks& hooks, audioMasterCallback audioMaster,
                       int32_t numPrograms, int32_t numParams);
  ~CZelk() override;

  // AudioEffect / AudioEffectX operations, forwarded to the hooks.
  void open() override;
  void close() override;
  void suspend() override;
  void resume() override;
  void processReplacing(float** inputs, float** outputs, int32_t frames) override;
  void processDoubleReplacing(double** inputs, double** outputs, int32_t frames) override;
  void setParameter(int32_t index, float value) override;
  float getParameter(int32_t index) override;
  void setProgramName(const char* name) override;
  void getProgramName(char* name) override;
  void getParameterLabel(int32_t index, char* label) override;
  void getParameterDisplay(int32_t index, char* text) override;
  void getParameterName(int32_t index, char* text) override;
  int32_t getChunk(void** data, bool isPreset) override;
  int32_t setChunk(void* data, int32_t byteSize, bool isPreset) override;
  bool getProgramNameIndexed(int32_t category, int32_t index, char* text) override;
  int32_t processEvents(VstEvents* events) override;
  bool getEffectName(char* name) override;
  bool getVendorString(char* text) override;
  bool getProductString(char* text) override;
  int32_t getVendorVersion() override;
  intptr_t canDo(const char* text) override;

  // PluginLink, with the paint of the editor (PaintLink).
  float storedSampleRate() const override { return sampleRate; }
  int32_t storedBlockSize() const override { return blockSize; }
  int32_t inputCount() const override { return cEffect.numInputs; }
  bool hostTime(int32_t request, HostTime& out) override;
  void updateDisplay() override { AudioEffectX::updateDisplay(); }
  void setInitialDelay(int32_t samples) override { AudioEffect::setInitialDelay(samples); }
  void repaintEditor() override;
  bool editorSize(int32_t& width, int32_t& height) const override;
  Toolkit::CDrawContext* drawContext() const override { return drawContext_; }
  std::vector<Toolkit::CFontDesc*>& fontCache() override { return core_.fontCache(); }
  bool midiReceive(int32_t& deltaFrames, int32_t& data0, int32_t& data1, int32_t& data2) override;
  bool midiSend(int32_t deltaFrames, int32_t data0, int32_t data1, int32_t data2) override;
  bool midiSendSysex(int32_t deltaFrames, const uint8_t* bytes, int32_t count) override;

  // The host's time-information flags for a runtime request (HostTimeRequest bits).
  static int32_t timeInfoFilter(int32_t request);

  TFablo* getEffect() const { return effect; }
  const EffectHooks& getHooks() const { return hooks; }
  // Set by the view only while a paint is in progress.
  void setDrawContext(Toolkit::CDrawContext* context) { drawContext_ = context; }
  const MidiEventQueue& midiQueue() const { return midiEventQueue; }

  // Channels the audio bridge copies: the record's channel count, read at the first
  // block and kept by this instance; more than channelSample holds (64) copies none.
  int32_t bridgeChannels() {
    int32_t n = bridgeChannels_.load(std::memory_order_relaxed);
    if (n < 0) {
      n = cEffect.numInputs < cEffect.numOutputs ? cEffect.numInputs : cEffect.numOutputs;
      if (n < 0 || n > kMaxBridgeChannels) n = 0;
      bridgeChannels_.store(n, std::memory_order_relaxed);
    }
    return n;
  }
  static constexpr int32_t kMaxBridgeChannels = 64;

  // The sections the dispatcher (open, resume, suspend, state save and restore, close)
  // and the editor (paint, idle, mouse) run on the effect, under their lock.
  EffectCore& core() { return core_; }
  std::recursive_mutex& sectionLock() { return core_.sectionLock(); }

private:
  CZelk(TFablo* effect, const EffectHooks& hooks, audioMasterCallback audioMaster, int32_t numPrograms,
        int32_t numParams);

  TFablo* effect;
  Toolkit::CDrawContext* drawContext_ = nullptr;
  MidiEventQueue midiEventQueue;
  EffectHooks hooks;
  std::atomic<int32_t> bridgeChannels_{-1};
  EffectCore core_;
};
