// The two plug-in base classes behind the host interface: AudioEffect keeps the effect
// record, the stored host values and the basic requests; AudioEffectX adds the
// extended requests and the wrappers around calls to the host.
#pragma once
#include <cstdint>

#include "plugin/vst2/aeff_editor.h"
#include "plugin/vst2/vst2.h"

class AudioEffect {
public:
  AudioEffect(audioMasterCallback audioMaster, int32_t numPrograms, int32_t numParams);
  virtual ~AudioEffect();  // deletes the editor
  AudioEffect(const AudioEffect&) = delete;
  AudioEffect& operator=(const AudioEffect&) = delete;

  virtual intptr_t dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);
  virtual void open() {}
  virtual void close() {}
  virtual void suspend() {}
  virtual void resume() {}
  virtual void processReplacing(float** /*inputs*/, float** /*outputs*/, int32_t /*frames*/) {}
  virtual void processDoubleReplacing(double** /*inputs*/, double** /*outputs*/, int32_t /*frames*/) {}
  virtual void setParameter(int32_t /*index*/, float /*value*/) {}
  virtual float getParameter(int32_t /*index*/) { return 0; }
  // Text operations write into host buffers of the interface's fixed sizes.
  virtual void setProgramName(const char* /*name*/) {}
  virtual void getProgramName(char* name) { name[0] = 0; }
  virtual void getParameterLabel(int32_t /*index*/, char* label) { label[0] = 0; }
  virtual void getParameterDisplay(int32_t /*index*/, char* text) { text[0] = 0; }
  virtual void getParameterName(int32_t /*index*/, char* text) { text[0] = 0; }
  virtual int32_t getChunk(void** /*data*/, bool /*isPreset*/) { return 0; }
  virtual int32_t setChunk(void* /*data*/, int32_t /*byteSize*/, bool /*isPreset*/) { return 0; }

  AEffect* getAeffect() { return &cEffect; }
  const AEffect* getAeffect() const { return &cEffect; }
  // Setting an editor reports it to the host (flag 0x1); null clears the flag.
  void setEditor(AEffEditor* newEditor);
  AEffEditor* getEditor() const { return editor; }
  float getSampleRate() const { return sampleRate; }
  int32_t getBlockSize() const { return blockSize; }
  int32_t getProgram() const { return curProgram; }

  void setNumInputs(int32_t inputs) { cEffect.numInputs = inputs; }
  void setNumOutputs(int32_t outputs) { cEffect.numOutputs = outputs; }
  void setUniqueID(int32_t id) { cEffect.uniqueID = id; }
  void setInitialDelay(int32_t delay) { cEffect.initialDelay = delay; }
  void canProcessReplacing(bool state = true) { setFlag(effFlagsCanReplacing, state); }
  void canDoubleReplacing(bool state = true) { setFlag(effFlagsCanDoubleReplacing, state); }
  void programsAreChunks(bool state = true) { setFlag(effFlagsProgramChunks, state); }

  // One call to the host; answers 0 without a host callback.
  intptr_t callHost(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                    float opt = 0) const;

protected:
  void setFlag(int32_t flag, bool state) {
    cEffect.flags = state ? (cEffect.flags | flag) : (cEffect.flags & ~flag);
  }

  audioMasterCallback audioMaster;
  AEffEditor* editor = nullptr;
  float sampleRate = 44100.f;
  int32_t blockSize = 1024;
  int32_t numPrograms;
  int32_t numParams;
  int32_t curProgram = 0;
  AEffect cEffect;
};

class AudioEffectX : public AudioEffect {
public:
  using AudioEffect::AudioEffect;

  intptr_t dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) override;
  // Asks the host for MIDI only when the plug-in answers exactly 1 to receiving MIDI events.
  void resume() override;

  virtual bool getProgramNameIndexed(int32_t /*category*/, int32_t /*index*/, char* /*text*/) {
    return false;
  }
  virtual int32_t processEvents(VstEvents* /*events*/) { return 0; }
  virtual bool getEffectName(char* /*name*/) { return false; }
  virtual bool getVendorString(char* /*text*/) { return false; }
  virtual bool getProductString(char* /*text*/) { return false; }
  virtual int32_t getVendorVersion() { return 0; }
  virtual intptr_t canDo(const char* /*text*/) { return 0; }

  // Host calls.
  int32_t getMasterVersion() const { return static_cast<int32_t>(callHost(audioMasterVersion)); }
  VstTimeInfo* getTimeInfo(int32_t filter) const {
    return reinterpret_cast<VstTimeInfo*>(callHost(audioMasterGetTime, 0, filter));
  }
  bool sendVstEventsToHost(VstEvents* events) const {
    return callHost(audioMasterProcessEvents, 0, 0, events) == 1;
  }
  bool updateDisplay() const { return callHost(audioMasterUpdateDisplay) != 0; }
  void masterIdle() const { callHost(audioMasterIdle); }
};
