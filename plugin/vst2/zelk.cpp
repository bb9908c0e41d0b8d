// The plug-in object: construction, destruction, the forwarding of host requests to
// the effect's hooks, and the calls the runtime makes to the host.
#include "plugin/vst2/zelk.h"

#include <cstring>

#include "plugin/vst2/text_copy.h"
#include "plugin/vst2/zelk_editor.h"
#include "runtime/fablo.h"

CZelk* CZelk::create(TFablo* effect, const EffectHooks& hooks, audioMasterCallback audioMaster,
                     int32_t numPrograms, int32_t numParams) {
  // A host that gives no callback, or answers 0 to the version query, cannot run the plug-in.
  if (!audioMaster || audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0) == 0) return nullptr;
  return new CZelk(effect, hooks, audioMaster, numPrograms, numParams);
}

CZelk::CZelk(TFablo* effect, const EffectHooks& hooks, audioMasterCallback audioMaster, int32_t numPrograms,
             int32_t numParams)
    : AudioEffectX(audioMaster, numPrograms, numParams), effect(effect), hooks(hooks), core_(effect) {
  canProcessReplacing();
  canDoubleReplacing();
  if (hooks.setup) hooks.setup(this);
}

CZelk::~CZelk() {
  // A host may destroy the plug-in with its editor still open: the window and the view
  // go first, while the effect they draw still exists.
  if (editor) editor->close();
  core_.releaseFonts();
  if (hooks.destroyEffect) hooks.destroyEffect(this);
  effect = nullptr;
  core_.forgetEffect();
  // The editor goes last, with the AudioEffect part.
}

void CZelk::open() {
  if (hooks.open) hooks.open(this);
}
void CZelk::close() {
  if (hooks.close) hooks.close(this);
}
void CZelk::suspend() {
  if (hooks.suspend) hooks.suspend(this);
}
void CZelk::resume() {
  AudioEffectX::resume();
  if (hooks.resume) hooks.resume(this);
}

void CZelk::processReplacing(float** inputs, float** outputs, int32_t frames) {
  if (hooks.processReplacing) hooks.processReplacing(this, inputs, outputs, frames);
}
void CZelk::processDoubleReplacing(double** inputs, double** outputs, int32_t frames) {
  if (hooks.processDoubleReplacing) hooks.processDoubleReplacing(this, inputs, outputs, frames);
}

void CZelk::setParameter(int32_t index, float value) {
  if (hooks.setParameter) hooks.setParameter(this, index, value);
}
float CZelk::getParameter(int32_t index) {
  return hooks.getParameter ? hooks.getParameter(this, index) : 0.f;
}

void CZelk::setProgramName(const char* name) {
  if (hooks.setProgramName) hooks.setProgramName(this, name);
}
void CZelk::getProgramName(char* name) {
  if (hooks.getProgramName) {
    hooks.getProgramName(this, name);
  } else {
    copyText(name, "", kVstMaxProgNameLen);
  }
}
void CZelk::getParameterLabel(int32_t index, char* label) {
  if (hooks.getParameterLabel) {
    hooks.getParameterLabel(this, index, label);
  } else {
    copyText(label, "", kVstMaxParamStrLen);
  }
}
void CZelk::getParameterDisplay(int32_t index, char* text) {
  if (hooks.getParameterDisplay) {
    hooks.getParameterDisplay(this, index, text);
  } else {
    copyText(text, "", kVstMaxParamStrLen);
  }
}
void CZelk::getParameterName(int32_t index, char* text) {
  if (hooks.getParameterName) {
    hooks.getParameterName(this, index, text);
  } else {
    copyText(text, "", kVstMaxParamStrLen);
  }
}

int32_t CZelk::getChunk(void** data, bool isPreset) {
  return hooks.getChunk ? hooks.getChunk(this, data, isPreset) : 0;
}
int32_t CZelk::setChunk(void* data, int32_t byteSize, bool isPreset) {
  return hooks.setChunk ? hooks.setChunk(this, data, byteSize, isPreset) : 0;
}

bool CZelk::getProgramNameIndexed(int32_t category, int32_t index, char* text) {
  return hooks.getProgramNameIndexed && hooks.getProgramNameIndexed(this, category, index, text);
}

int32_t CZelk::processEvents(VstEvents* events) {
  if (!events) return 0;
  // The host's list runs past the two slots VstEvents declares.
  VstEvent* const* list = events->events;
  for (int32_t i = 0; i < events->numEvents; ++i) {
    const VstEvent* event = list[i];
    if (!event || event->type != kVstMidiType) continue;
    VstMidiEvent midi;
    std::memcpy(&midi, event, sizeof midi);
    midiEventQueue.push(midi);
  }
  return 1;
}

bool CZelk::getEffectName(char* name) { return hooks.getEffectName && hooks.getEffectName(this, name); }
bool CZelk::getVendorString(char* text) { return hooks.getVendorString && hooks.getVendorString(this, text); }
bool CZelk::getProductString(char* text) {
  return hooks.getProductString && hooks.getProductString(this, text);
}
int32_t CZelk::getVendorVersion() { return hooks.getVendorVersion ? hooks.getVendorVersion(this) : 0; }

intptr_t CZelk::canDo(const char* text) {
  // Compared over 20 bytes, the question's terminating zero included; strncmp stops at
  // the host's terminator, so a shorter question is never read past its end.
  if (text && std::strncmp(text, "receiveVstMidiEvent", 20) == 0) {
    return cEffect.flags | effFlagsIsSynth;
  }
  return -1;
}

int32_t CZelk::timeInfoFilter(int32_t request) {
  constexpr int32_t map[][2] = {{kWantTempo, kVstTempoValid},
                                {kWantTimeSignature, kVstTimeSigValid},
                                {kWantPlaying, kVstTransportPlaying},
                                {kWantRecording, kVstTransportRecording},
                                {kWantPosition, kVstPpqPosValid}};
  int32_t filter = 0;
  for (const auto& m : map)
    if (request & m[0]) filter |= m[1];
  return filter;
}

bool CZelk::hostTime(int32_t request, HostTime& out) {
  const VstTimeInfo* info = getTimeInfo(timeInfoFilter(request));
  if (!info) return false;
  out.tempo = info->tempo;
  out.ppqPos = info->ppqPos;
  out.timeSigNumerator = info->timeSigNumerator;
  out.timeSigDenominator = info->timeSigDenominator;
  out.playing = (info->flags & kVstTransportPlaying) != 0;
  out.recording = (info->flags & kVstTransportRecording) != 0;
  return true;
}

void CZelk::repaintEditor() {
  if (auto* zelkEditor = dynamic_cast<CZelkEditor*>(editor)) zelkEditor->repaint();
}

bool CZelk::editorSize(int32_t& width, int32_t& height) const {
  const auto* zelkEditor = dynamic_cast<const CZelkEditor*>(editor);
  if (!zelkEditor) return false;
  width = zelkEditor->width();
  height = zelkEditor->height();
  return true;
}

bool CZelk::midiReceive(int32_t& deltaFrames, int32_t& data0, int32_t& data1, int32_t& data2) {
  VstMidiEvent event;
  if (!midiEventQueue.pop(event)) {
    deltaFrames = data0 = data1 = data2 = 0;
    return false;
  }
  deltaFrames = event.deltaFrames;
  data0 = static_cast<int8_t>(event.midiData[0]);
  data1 = static_cast<int8_t>(event.midiData[1]);
  data2 = static_cast<int8_t>(event.midiData[2]);
  return true;
}

bool CZelk::midiSend(int32_t deltaFrames, int32_t data0, int32_t data1, int32_t data2) {
  VstMidiEvent event{};
  event.type = kVstMidiType;
  event.byteSize = sizeof(VstMidiEvent);
  event.deltaFrames = deltaFrames;
  event.midiData[0] = static_cast<char>(data0);
  event.midiData[1] = static_cast<char>(data1);
  event.midiData[2] = static_cast<char>(data2);
  VstEvents list{};
  list.numEvents = 1;
  list.events[0] = reinterpret_cast<VstEvent*>(&event);
  return sendVstEventsToHost(&list);
}

bool CZelk::midiSendSysex(int32_t deltaFrames, const uint8_t* bytes, int32_t count) {
  if (!bytes || count <= 0) return false;
  VstMidiSysexEvent event{};
  event.type = kVstSysExType;
  event.byteSize = sizeof(VstMidiSysexEvent);
  event.deltaFrames = deltaFrames;
  event.dumpBytes = count;
  event.sysexDump = const_cast<char*>(reinterpret_cast<const char*>(bytes));
  VstEvents list{};
  list.numEvents = 1;
  list.events[0] = reinterpret_cast<VstEvent*>(&event);
  return sendVstEventsToHost(&list);
}
