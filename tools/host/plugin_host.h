// The host side of one plug-in instance: loads the library, makes the instance through
// its entry point, answers the plug-in's calls and closes it again. The VST 2.4 interface
// is the only way in, as for any DAW.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "plugin/vst2/vst2.h"
#include "tools/host/plugin_module.h"

namespace host {

class PluginHost {
public:
  // Loads `path` and makes an instance; null with a one-line reason in `error` when the
  // file is missing, is no loadable library, exports no VST 2.4 entry, or the plug-in
  // refuses (no effect record, or one without the VST magic).
  static std::unique_ptr<PluginHost> load(const std::string& path, std::string& error);
  ~PluginHost();  // effClose when still open, then unloads the library
  PluginHost(const PluginHost&) = delete;
  PluginHost& operator=(const PluginHost&) = delete;

  AEffect* effect() const { return effect_; }
  const char* entryName() const { return entryName_; }
  intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                    float opt = 0) const;
  // Copies a text answer (name, vendor...) through a generous, zeroed buffer: a plug-in
  // that writes past the VST 2.4 size cannot overrun the host.
  std::string text(int32_t opcode, int32_t index = 0) const;

  // What the host reports through audioMasterGetTime and friends.
  void setSampleRate(double rate);
  void setBlockSize(int32_t frames) { blockSize_ = frames; }
  void setPlaying(bool playing);
  void advance(int32_t frames);  // the transport moves on after a processed block
  // Host calls the plug-in made since the last question.
  bool takeDisplayUpdate();
  int64_t idleRequests() const { return idleRequests_; }

  intptr_t onCall(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);

private:
  PluginHost(const std::string& path);

  PluginModule module_;
  AEffect* effect_ = nullptr;
  const char* entryName_ = "";
  VstTimeInfo time_{};
  int32_t blockSize_ = 512;
  std::atomic<bool> displayUpdate_{false};  // set from the audio thread
  std::atomic<int64_t> idleRequests_{0};
};

}  // namespace host
