// A whole host session, as a DAW makes it: load the library, make and open an instance,
// process audio of both precisions, open the editor in a window and let it paint, close
// it, save and restore the state, suspend, close and unload. Run under valgrind memcheck
// (test robust_session_valgrind), where any invalid access, use of uninitialised memory
// or definite leak fails it. It loads the library itself, with no allocation counting in
// between, so that valgrind sees the heap as it is.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "plugin/vst2/vst2.h"
#include "tests/editor/host_window.h"
#include "tests/support/built_library.h"
#include "tests/support/playing_host.h"
#include "tools/host/plugin_module.h"

namespace {

using brimtrace_test::dispatch;

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
  ASSERT_TRUE(brimtrace_test::keepHostLibrariesLoaded());
  PluginModule library(brimtrace_test::builtLibraryPath());
  ASSERT_TRUE(library.loaded()) << library.error();
  const auto entry = library.entry();
  ASSERT_NE(entry, nullptr);
  AEffect* e = brimtrace_test::startInstance(entry);
  ASSERT_NE(e, nullptr);
  process<float>(e, 50);
  process<double>(e, 10);

  const bool withEditor = brimtrace_test::windowsAvailable();
  if (withEditor) {
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
    ASSERT_FALSE(brimtrace_test::windowsRequired()) << "no display to open the editor in (CI)";
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
  EXPECT_TRUE(library.unload());
  // Everything else ran; the list of skips still shows that the editor did not.
  if (!withEditor) GTEST_SKIP() << "no display: the session ran without the editor";
}

}  // namespace
