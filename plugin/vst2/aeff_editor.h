// Base of a plug-in editor: what the dispatcher's editor requests reach.
#pragma once
#include <cstdint>

#include "plugin/vst2/vst2.h"

class AudioEffect;

class AEffEditor {
public:
  // Registers itself with the plug-in, which then owns it and reports an editor to the host.
  explicit AEffEditor(AudioEffect* effect);
  virtual ~AEffEditor() = default;
  AEffEditor(const AEffEditor&) = delete;
  AEffEditor& operator=(const AEffEditor&) = delete;

  virtual bool getRect(ERect** rect) {
    *rect = nullptr;
    return false;
  }
  virtual bool open(void* parent) {
    systemWindow = parent;
    return false;
  }
  virtual void close() { systemWindow = nullptr; }
  virtual void idle() {}
  // Key events: an answer above 0 means the editor handled the key.
  virtual int32_t onKeyDown(VstKeyCode& /*key*/) { return -1; }
  virtual int32_t onKeyUp(VstKeyCode& /*key*/) { return -1; }
  virtual bool setKnobMode(int32_t /*mode*/) { return false; }
  // A host's announcement of its display factor; false when the editor does not take it.
  virtual bool setContentScale(float /*factor*/) { return false; }

  AudioEffect* getEffect() const { return effect; }

protected:
  AudioEffect* effect;
  void* systemWindow = nullptr;
};
