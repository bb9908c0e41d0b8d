#include "tests/support/test_host.h"

#include <algorithm>

#include "tests/support/built_library.h"

std::string PluginLibrary::builtPath() { return brimtrace_test::builtLibraryPath(); }

PluginLibrary::PluginLibrary(const std::string& path) : PluginModule(path) {
  if (loaded()) alloc_count::watchModule(handle());
  brimtrace_test::keepHostLibrariesLoaded();
}

namespace {
TestHost* currentHost = nullptr;

intptr_t VST_CALLBACK hostCallback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                   float opt) {
  return currentHost ? currentHost->onCall(effect, opcode, index, value, ptr, opt) : 0;
}
}  // namespace

TestHost::TestHost() {
  calls_.reserve(kMaxCalls);
  timeInfo.sampleRate = 44100;
  timeInfo.tempo = 120;
  timeInfo.timeSigNumerator = 4;
  timeInfo.timeSigDenominator = 4;
  timeInfo.flags = kVstTempoValid | kVstTimeSigValid | kVstPpqPosValid;
  answer(audioMasterVersion, 2400);
  answer(audioMasterGetTime, reinterpret_cast<intptr_t>(&timeInfo));
  answer(audioMasterProcessEvents, 1);
  currentHost = this;
}

TestHost::~TestHost() {
  if (currentHost == this) currentHost = nullptr;
}

audioMasterCallback TestHost::callback() { return hostCallback; }

intptr_t TestHost::onCall(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                          float opt) {
  HostCall call{effect, opcode, index, value, ptr, opt, 0, {}};
  if (opcode == audioMasterProcessEvents && ptr) {
    const auto* events = static_cast<const VstEvents*>(ptr);
    call.eventCount = events->numEvents;
    if (events->numEvents > 0 && events->events[0]) {
      const auto* first = events->events[0];
      std::memcpy(call.firstEvent, first, first->type == kVstSysExType ? 48 : 32);
    }
  }
  if (calls_.size() < kMaxCalls) calls_.push_back(call);
  if (handler) {
    if (std::optional<intptr_t> answer = handler(call)) return *answer;
  }
  const auto it = fixed_.find(opcode);
  return it == fixed_.end() ? 0 : it->second;
}

std::vector<int32_t> TestHost::opcodes() const {
  std::vector<int32_t> result;
  for (const HostCall& c : calls_) result.push_back(c.opcode);
  return result;
}

std::size_t TestHost::count(int32_t opcode) const {
  return static_cast<std::size_t>(
      std::count_if(calls_.begin(), calls_.end(), [&](const HostCall& c) { return c.opcode == opcode; }));
}

void Instance::start(float sampleRate, int32_t blockSize) const {
  dispatch(effOpen);
  dispatch(effSetSampleRate, 0, 0, nullptr, sampleRate);
  dispatch(effSetBlockSize, 0, blockSize);
  dispatch(effMainsChanged, 0, 1);
}
