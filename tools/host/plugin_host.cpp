#include "tools/host/plugin_host.h"

#include <cstring>
#include <filesystem>
#include <vector>

#include "tools/host/crash_guard.h"

namespace host {
namespace {

// The host the callback answers for. One instance per process at a time: the callback
// cannot tell hosts apart before the entry has returned the effect record.
PluginHost* currentHost = nullptr;

intptr_t VST_CALLBACK hostCallback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                   float opt) {
  return currentHost ? currentHost->onCall(effect, opcode, index, value, ptr, opt) : 0;
}

constexpr int32_t kHostVstVersion = 2400;
// Text answers get this much room, far beyond the largest VST 2.4 buffer (64 bytes).
constexpr size_t kTextRoom = 1024;

bool fileExists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(std::filesystem::u8path(path), ec);
}

}  // namespace

PluginHost::PluginHost(const std::string& path) : module_(path) {
  time_.sampleRate = 44100;
  time_.tempo = 120;
  time_.timeSigNumerator = 4;
  time_.timeSigDenominator = 4;
  time_.flags = kVstTempoValid | kVstTimeSigValid | kVstPpqPosValid | kVstBarsValid;
}

std::unique_ptr<PluginHost> PluginHost::load(const std::string& path, std::string& error) {
  if (!fileExists(path)) {
    error = "no plug-in file " + path;
    return nullptr;
  }
  std::unique_ptr<PluginHost> host;
  {
    InPlugin in;  // loading runs the library's initialisers
    host.reset(new PluginHost(path));
  }
  if (!host->module_.loaded()) {
    error = "cannot load " + path + ": " + host->module_.error();
    return nullptr;
  }
  const char* name = nullptr;
  PluginModule::Entry entry = host->module_.findEntry(&name);
  if (!entry) {
    error = path + " is not a VST 2.4 plug-in: it exports neither VSTPluginMain nor main";
    return nullptr;
  }
  host->entryName_ = name;
  currentHost = host.get();
  AEffect* effect = nullptr;
  {
    InPlugin in;
    effect = entry(hostCallback);
  }
  if (!effect) {
    error = "the plug-in in " + path + " refused to start (" + name + " returned no effect)";
    return nullptr;
  }
  if (effect->magic != kEffectMagic || !effect->dispatcher) {
    error = path + " is not a VST 2.4 plug-in: its effect record " +
            (effect->magic != kEffectMagic ? "lacks the VstP magic" : "has no dispatcher");
    return nullptr;  // not ours to close: without a dispatcher there is no effClose
  }
  host->effect_ = effect;
  return host;
}

PluginHost::~PluginHost() {
  if (effect_) dispatch(effClose);
  effect_ = nullptr;
  InPlugin in;  // unloading runs the library's finalisers
  module_.unload();
  if (currentHost == this) currentHost = nullptr;
}

intptr_t PluginHost::dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) const {
  InPlugin in;
  return effect_ ? effect_->dispatcher(effect_, opcode, index, value, ptr, opt) : 0;
}

std::string PluginHost::text(int32_t opcode, int32_t index) const {
  std::vector<char> buffer(kTextRoom, 0);
  dispatch(opcode, index, 0, buffer.data());
  buffer.back() = 0;
  return buffer.data();
}

void PluginHost::setSampleRate(double rate) { time_.sampleRate = rate; }

void PluginHost::setPlaying(bool playing) {
  time_.flags =
      (time_.flags & ~kVstTransportPlaying) | kVstTransportChanged | (playing ? kVstTransportPlaying : 0);
}

void PluginHost::advance(int32_t frames) {
  time_.samplePos += frames;
  time_.flags &= ~kVstTransportChanged;
}

bool PluginHost::takeDisplayUpdate() { return displayUpdate_.exchange(false); }

intptr_t PluginHost::onCall(AEffect* /*effect*/, int32_t opcode, int32_t /*index*/, intptr_t /*value*/,
                            void* ptr, float /*opt*/) {
  switch (opcode) {
    case audioMasterVersion:
      return kHostVstVersion;
    case audioMasterCurrentId:
      return effect_ ? effect_->uniqueID : 0;
    case audioMasterIdle:
      ++idleRequests_;
      return 0;
    case audioMasterGetTime: {
      const double seconds = time_.samplePos / time_.sampleRate;
      time_.nanoSeconds = seconds * 1e9;
      time_.ppqPos = seconds * time_.tempo / 60.0;
      time_.barStartPos = static_cast<double>(static_cast<int64_t>(time_.ppqPos / 4.0)) * 4.0;
      return reinterpret_cast<intptr_t>(&time_);
    }
    case audioMasterGetSampleRate:
      return static_cast<intptr_t>(time_.sampleRate);
    case audioMasterGetBlockSize:
      return blockSize_;
    case audioMasterUpdateDisplay:
      displayUpdate_ = true;
      return 1;
    case audioMasterGetCurrentProcessLevel:
      return 0;  // unknown: offline and editor alike
    case audioMasterGetAutomationState:
      return 1;  // automation off
    case audioMasterGetVendorString:
      if (ptr) std::strcpy(static_cast<char*>(ptr), "Brimtrace");
      return ptr ? 1 : 0;
    case audioMasterGetProductString:
      if (ptr) std::strcpy(static_cast<char*>(ptr), "brimtrace-host");
      return ptr ? 1 : 0;
    case audioMasterGetVendorVersion:
      return 1;
    case audioMasterCanDo: {
      const char* question = static_cast<const char*>(ptr);
      if (!question) return 0;
      for (const char* yes : {"sendVstTimeInfo", "supplyIdle"})
        if (std::strcmp(question, yes) == 0) return 1;
      return 0;
    }
    default:
      return 0;  // no MIDI, no automation, no window resizing
  }
}

}  // namespace host
