// The effect record's entries and the dispatcher: every host request other than audio
// and direct parameter access arrives here and ends in a virtual operation or a fixed answer.
#include "plugin/vst2/audio_effect.h"

#include <cstring>

#include "plugin/vst2/text_copy.h"

namespace {

AudioEffect* owner(AEffect* e) { return e ? static_cast<AudioEffect*>(e->object) : nullptr; }

intptr_t VST_CALLBACK dispatchEntry(AEffect* e, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                    float opt) {
  AudioEffect* fx = owner(e);
  if (!fx) return 0;
  // Nothing may unwind into the host: a failed allocation becomes an answer of 0.
  try {
    if (opcode == effClose) {
      fx->dispatcher(effClose, index, value, ptr, opt);
      delete fx;
      return 1;
    }
    return fx->dispatcher(opcode, index, value, ptr, opt);
  } catch (...) {
    return 0;
  }
}

// The key modifiers that effEditKeyDown and effEditKeyUp carry in opt: the low 8 bits of
// its integer value. An option no 32-bit integer can hold (NaN, infinities, huge values)
// carries none; converting it would be undefined.
uint8_t modifierByte(float opt) {
  const double d = opt;
  if (!(d > -2147483649.0 && d < 2147483648.0)) return 0;
  return static_cast<uint8_t>(static_cast<int32_t>(d) & 0xFF);
}

void VST_CALLBACK processEntry(AEffect*, float**, float**, int32_t) {}

void VST_CALLBACK processReplacingEntry(AEffect* e, float** inputs, float** outputs, int32_t frames) {
  if (AudioEffect* fx = owner(e)) fx->processReplacing(inputs, outputs, frames);
}

void VST_CALLBACK processDoubleReplacingEntry(AEffect* e, double** inputs, double** outputs, int32_t frames) {
  if (AudioEffect* fx = owner(e)) fx->processDoubleReplacing(inputs, outputs, frames);
}

void VST_CALLBACK setParameterEntry(AEffect* e, int32_t index, float value) {
  try {
    if (AudioEffect* fx = owner(e)) fx->setParameter(index, value);
  } catch (...) {
  }
}

float VST_CALLBACK getParameterEntry(AEffect* e, int32_t index) {
  AudioEffect* fx = owner(e);
  return fx ? fx->getParameter(index) : 0.f;
}

}  // namespace

AEffEditor::AEffEditor(AudioEffect* effect) : effect(effect) {
  if (effect) effect->setEditor(this);
}

AudioEffect::AudioEffect(audioMasterCallback audioMaster, int32_t numPrograms, int32_t numParams)
    : audioMaster(audioMaster), numPrograms(numPrograms), numParams(numParams) {
  std::memset(&cEffect, 0, sizeof cEffect);
  cEffect.magic = kEffectMagic;
  cEffect.dispatcher = dispatchEntry;
  cEffect.process = processEntry;
  cEffect.setParameter = setParameterEntry;
  cEffect.getParameter = getParameterEntry;
  cEffect.numPrograms = numPrograms;
  cEffect.numParams = numParams;
  cEffect.ioRatio = 1.f;
  cEffect.object = this;
  cEffect.version = 1;
  cEffect.processReplacing = processReplacingEntry;
  cEffect.processDoubleReplacing = processDoubleReplacingEntry;
  canProcessReplacing();
}

AudioEffect::~AudioEffect() { delete editor; }

void AudioEffect::setEditor(AEffEditor* newEditor) {
  editor = newEditor;
  setFlag(effFlagsHasEditor, newEditor != nullptr);
}

intptr_t AudioEffect::callHost(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) const {
  if (!audioMaster) return 0;
  return audioMaster(const_cast<AEffect*>(&cEffect), opcode, index, value, ptr, opt);
}

intptr_t AudioEffect::dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
  char* text = static_cast<char*>(ptr);
  switch (opcode) {
    case effOpen:
      open();
      return 0;
    case effClose:
      close();
      return 0;
    case effSetProgram:
      // Only programs that exist can become current.
      if (value >= 0 && value < numPrograms) curProgram = static_cast<int32_t>(value);
      return 0;
    case effGetProgram:
      return curProgram;
    case effSetProgramName:
      if (text) setProgramName(text);
      return 0;
    case effGetProgramName:
      if (text) getProgramName(text);
      return 0;
    case effGetParamLabel:
      if (text) getParameterLabel(index, text);
      return 0;
    case effGetParamDisplay:
      if (text) getParameterDisplay(index, text);
      return 0;
    case effGetParamName:
      if (text) getParameterName(index, text);
      return 0;
    case effSetSampleRate:
      sampleRate = opt;
      return 0;
    case effSetBlockSize:
      blockSize = static_cast<int32_t>(value);
      return 0;
    case effMainsChanged:
      if (value == 0) {
        suspend();
      } else {
        resume();
      }
      return 0;
    case effEditGetRect: {
      if (!editor || !ptr) return 0;
      ERect* rect = nullptr;
      const bool ok = editor->getRect(&rect);
      *static_cast<ERect**>(ptr) = rect;
      return ok ? 1 : 0;
    }
    case effEditOpen:
      return editor && editor->open(ptr) ? 1 : 0;
    case effEditClose:
      if (editor) editor->close();
      return 0;
    case effEditIdle:
      if (editor) editor->idle();
      return 0;
    case effIdentify:
      return 0x4E764566;  // the characters N, v, E, f
    case effGetChunk:
      return ptr ? getChunk(static_cast<void**>(ptr), index != 0) : 0;
    case effSetChunk:
      // The size arrives pointer-sized; refuse what no 32-bit chunk size can be, and null data.
      if (value < 0 || value > INT32_MAX || (!ptr && value > 0)) return 0;
      return setChunk(ptr, static_cast<int32_t>(value), index != 0);
    default:
      return 0;
  }
}

intptr_t AudioEffectX::dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
  char* text = static_cast<char*>(ptr);
  switch (opcode) {
    case effProcessEvents:
      return processEvents(static_cast<VstEvents*>(ptr));
    case effCanBeAutomated:
      return 1;
    case effGetProgramNameIndexed:
      return text && getProgramNameIndexed(static_cast<int32_t>(value), index, text) ? 1 : 0;
    case effGetPlugCategory:
      return 0;
    case effGetEffectName:
      return text && getEffectName(text) ? 1 : 0;
    case effGetVendorString:
      return text && getVendorString(text) ? 1 : 0;
    case effGetProductString:
      return text && getProductString(text) ? 1 : 0;
    case effGetVendorVersion:
      return getVendorVersion();
    case effCanDo:
      return text ? canDo(text) : -1;
    case effGetVstVersion:
      return 2400;
    case effEditKeyDown:
    case effEditKeyUp: {
      if (!editor) return 0;
      VstKeyCode key{index, static_cast<uint8_t>(value & 0xFF), modifierByte(opt)};
      const int32_t handled = opcode == effEditKeyDown ? editor->onKeyDown(key) : editor->onKeyUp(key);
      return handled > 0 ? 1 : 0;
    }
    case effSetEditKnobMode:
      return editor && editor->setKnobMode(static_cast<int32_t>(value)) ? 1 : 0;
    case effGetCurrentMidiProgram:
      return -1;
    case effGetSpeakerArrangement:
      // Both arguments point at pointer slots the host wants filled; there is no arrangement.
      if (value) *reinterpret_cast<void**>(value) = nullptr;
      if (ptr) *static_cast<void**>(ptr) = nullptr;
      return 0;
    case effVendorSpecific:
      // Only the display factor announcement is taken; every other request answers 0.
      return index == kVendorScaleIndex && value == kVendorScaleValue && editor &&
                     editor->setContentScale(opt)
                 ? 1
                 : 0;
    case effSetTotalSampleToProcess:
      return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uintptr_t>(value)));
    default:
      return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
  }
}

void AudioEffectX::resume() {
  if (canDo("receiveVstMidiEvent") == 1) callHost(audioMasterWantMidi, 0, 1);
}
