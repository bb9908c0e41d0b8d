// The audio thread raises the peaks and the counter while the editor thread pushes them
// into the history. Under ThreadSanitizer this proves the sharing race-free; in any build
// it checks that no peak is left behind and the history holds only measured values.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "effect/fablo_effect.h"
#include "tests/support/recording_link.h"

TEST(SharedPeaks, AudioAndEditorThreadsShareWithoutARace) {
  RecordingLink link;
  TFabloEffect fx;
  fx.zelk = &link;
  fx.reset();
  fx.onInit();  // creates the history block before the threads start

  std::atomic<bool> audioDone{false}, editorStarted{false};
  std::atomic<int> pushes{0};
  std::thread editor([&] {
    editorStarted = true;
    while (!audioDone.load()) {
      fx.pushHistory();
      pushes.fetch_add(1);
    }
  });
  std::thread audio([&] {
    while (!editorStarted.load()) std::this_thread::yield();
    // A square wave whose slews change between 1 and 2: new peaks keep coming. It runs
    // until the editor has pushed many times meanwhile (bounded, for a starved editor).
    for (int i = 0; i < 200000 || (pushes.load() < 2000 && i < 200000000); ++i) {
      const double level = (i % 2 ? 1 : -1) * (0.5 + 0.49 * ((i / 7) % 2));
      fx.channelSample[0] = level;
      fx.channelSample[1] = -level;
      fx.onSample();
    }
    audioDone = true;
  });
  audio.join();
  editor.join();
  fx.pushHistory();  // whatever the last interval left

  EXPECT_GT(pushes.load(), 0);
  EXPECT_EQ(fx.peakLeft.load(), 0);
  EXPECT_EQ(fx.peakRight.load(), 0);
  EXPECT_EQ(fx.frameSampleCount.load(), 0);
  double largest = 0;
  for (int k = 0; k < 100; ++k) {
    const double l = fx.memory.cell(0, k), r = fx.memory.cell(100, k);
    ASSERT_TRUE(l >= 0 && l < 2) << k;
    ASSERT_TRUE(r >= 0 && r < 2) << k;
    largest = std::max(largest, l);
  }
  EXPECT_GT(largest, 1.0);
}
