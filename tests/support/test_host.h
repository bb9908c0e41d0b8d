// A VST 2.4 host for tests: loads the built plug-in library the way a host does,
// answers the plug-in's calls as scripted and records every call.
#pragma once
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "plugin/vst2/vst2.h"
#include "tests/support/alloc_count.h"
#include "tools/host/plugin_module.h"

// The built plug-in library, loaded with the platform's loader as a host loads it.
class PluginLibrary : public PluginModule {
public:
  explicit PluginLibrary(const std::string& path = builtPath());

  // The library this build made, as the platform's loader spells paths.
  static std::string builtPath();
};

// One call the plug-in made to the host, with a copy of the first event it sent.
struct HostCall {
  AEffect* effect;
  int32_t opcode;
  int32_t index;
  intptr_t value;
  void* ptr;
  float opt;
  int32_t eventCount;
  unsigned char firstEvent[48];
};

// The host side of the callback. One host is current at a time; its callback answers
// audioMasterVersion with 2400, audioMasterGetTime with timeInfo, audioMasterProcessEvents
// with 1 and everything else with 0, unless told otherwise.
class TestHost {
public:
  TestHost();
  ~TestHost();
  TestHost(const TestHost&) = delete;
  TestHost& operator=(const TestHost&) = delete;

  static audioMasterCallback callback();

  void answer(int32_t opcode, intptr_t value) { fixed_[opcode] = value; }
  void answerNullTime() { answer(audioMasterGetTime, 0); }
  // Consulted before the fixed answers; std::nullopt falls through to them.
  std::function<std::optional<intptr_t>(const HostCall&)> handler;

  VstTimeInfo timeInfo{};

  // Recording never allocates while fewer than kMaxCalls calls are held.
  static constexpr std::size_t kMaxCalls = 1 << 16;
  const std::vector<HostCall>& calls() const { return calls_; }
  std::vector<int32_t> opcodes() const;
  std::size_t count(int32_t opcode) const;
  void clear() { calls_.clear(); }

  intptr_t onCall(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);

private:
  std::vector<HostCall> calls_;
  std::map<int32_t, intptr_t> fixed_;
};

// An instance made through an entry of the library; closes itself unless closed already.
class Instance {
public:
  Instance(PluginLibrary::Entry entry, audioMasterCallback host = TestHost::callback())
      : effect_(entry ? entry(host) : nullptr) {}
  ~Instance() { close(); }
  Instance(const Instance&) = delete;
  Instance& operator=(const Instance&) = delete;

  AEffect* operator->() const { return effect_; }
  AEffect* get() const { return effect_; }
  explicit operator bool() const { return effect_ != nullptr; }

  intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                    float opt = 0) const {
    return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
  }
  // effOpen, sample rate, block size, resume: what hosts send before processing.
  void start(float sampleRate = 44100, int32_t blockSize = 512) const;
  intptr_t close() {
    if (!effect_) return 0;
    const intptr_t answer = dispatch(effClose);
    effect_ = nullptr;
    return answer;
  }

private:
  AEffect* effect_;
};
