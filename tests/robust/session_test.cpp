// A whole host session, as a DAW makes it: load the library, make and open an instance,
// process audio of both precisions, open the editor in a window and let it paint, close
// it, save and restore the state, suspend, close and unload. Run under valgrind memcheck
// (test robust_session_valgrind), where any invalid access, use of uninitialised memory
// or definite leak fails it. It loads the library itself, with no allocation counting in
// between, so that valgrind sees the heap as it is.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "plugin/vst2.h"
#include "tests/editor/host_window.h"

#ifndef BRIMTRACE_PLUGIN_PATH
#error "BRIMTRACE_PLUGIN_PATH must name the built plug-in library"
#endif

namespace {

VstTimeInfo timeInfo{};

intptr_t VST_CALLBACK host(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
  if (opcode == audioMasterVersion) return 2400;
  if (opcode == audioMasterGetTime) return reinterpret_cast<intptr_t>(&timeInfo);
  return 0;
}

intptr_t dispatch(AEffect* e, int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                  float opt = 0) {
  return e->dispatcher(e, opcode, index, value, ptr, opt);
}

template <class Sample>
void process(AEffect* e, int blocks) {
  constexpr int kFrames = 512;
  std::vector<Sample> in0(kFrames), in1(kFrames), out0(kFrames), out1(kFrames);
  Sample* inputs[] = {in0.data(), in1.data()};
  Sample* outputs[] = {out0.data(), out1.data()};
  for (int b = 0; b < blocks; ++b) {
    for (int i = 0; i < kFrames; ++i) {
      in0[i] = static_cast<Sample>(((b * kFrames + i) % 97) / 97.0 - 0.5);
      in1[i] = -in0[i];
    }
    if constexpr (sizeof(Sample) == 4)
      e->processReplacing(e, inputs, outputs, kFrames);
    else
      e->processDoubleReplacing(e, inputs, outputs, kFrames);
    ASSERT_EQ(0, std::memcmp(in0.data(), out0.data(), kFrames * sizeof(Sample)));
  }
}

TEST(Session, LoadOpenProcessEditSaveRestoreCloseUnload) {
  timeInfo.tempo = 120;
  timeInfo.timeSigNumerator = timeInfo.timeSigDenominator = 4;
  timeInfo.flags = kVstTransportPlaying | kVstTempoValid | kVstTimeSigValid;

  // Hosts on Linux draw with cairo and fontconfig themselves, so both stay loaded when
  // the plug-in is unloaded; unloaded with it, their process-wide caches would be lost.
  for (const char* shared : {"libcairo.so.2", "libfontconfig.so.1"})
    ASSERT_NE(dlopen(shared, RTLD_NOW | RTLD_GLOBAL | RTLD_NODELETE), nullptr) << dlerror();

  void* library = dlopen(BRIMTRACE_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  auto entry = reinterpret_cast<AEffect* (*)(audioMasterCallback)>(dlsym(library, "VSTPluginMain"));
  ASSERT_NE(entry, nullptr);
  AEffect* e = entry(host);
  ASSERT_NE(e, nullptr);

  dispatch(e, effOpen);
  dispatch(e, effSetSampleRate, 0, 0, nullptr, 48000);
  dispatch(e, effSetBlockSize, 0, 512);
  dispatch(e, effMainsChanged, 0, 1);
  process<float>(e, 50);
  process<double>(e, 10);

  if (brimtrace_test::windowsAvailable()) {
    brimtrace_test::HostWindow window;
    ASSERT_TRUE(window.ok());
    ERect* rect = nullptr;
    ASSERT_EQ(dispatch(e, effEditGetRect, 0, 0, &rect), 1);
    ASSERT_EQ(dispatch(e, effEditOpen, 0, 0, window.handle()), 1);
    // Painted when the red frame line along the top edge shows.
    ASSERT_TRUE(brimtrace_test::waitFor(
        [&] {
          const uint32_t p = window.pixel(200, 0);
          return (p >> 16 & 0xFF) > 200 && (p >> 8 & 0xFF) < 60;
        },
        [&] {
          process<float>(e, 1);
          dispatch(e, effEditIdle);
        },
        20000))
        << "the editor never painted";
    for (int i = 0; i < 5; ++i) {
      process<float>(e, 2);
      dispatch(e, effEditIdle);
    }
    dispatch(e, effEditClose);
  } else {
    std::printf("no display: the session runs without the editor\n");
  }

  void* chunk = nullptr;
  const intptr_t size = dispatch(e, effGetChunk, 0, 0, &chunk);
  ASSERT_EQ(size, 260);
  const std::vector<uint8_t> saved(static_cast<uint8_t*>(chunk), static_cast<uint8_t*>(chunk) + size);
  ASSERT_EQ(dispatch(e, effSetChunk, 0, size, const_cast<uint8_t*>(saved.data())), size);
  chunk = nullptr;
  ASSERT_EQ(dispatch(e, effGetChunk, 0, 0, &chunk), size);
  EXPECT_EQ(0, std::memcmp(chunk, saved.data(), saved.size()));
  process<float>(e, 5);

  dispatch(e, effMainsChanged, 0, 0);
  EXPECT_EQ(dispatch(e, effClose), 1);
  EXPECT_EQ(dlclose(library), 0);
}

}  // namespace
