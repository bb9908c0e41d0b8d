// The built plug-in library in a host window: audio with known slews goes through
// processReplacing while the host idles the editor every 10 ms, and the window's pixels
// show both traces at the rows those slews give. The library can be unloaded and loaded
// again after its editor was open.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

#include "tests/editor/host_window.h"
#include "tests/support/test_host.h"

using namespace brimtrace_test;

namespace {

constexpr int kBlock = 512;

// Feeds square waves whose sample-to-sample slew is leftSlew and rightSlew, idling the
// editor between blocks, about every 10 ms.
void runWithSlews(const Instance& fx, HostWindow& window, double leftSlew, double rightSlew, int idles) {
  std::vector<float> inL(kBlock), inR(kBlock), outL(kBlock), outR(kBlock);
  for (int i = 0; i < kBlock; ++i) {
    const float sign = (i % 2) ? -0.5f : 0.5f;
    inL[static_cast<size_t>(i)] = sign * static_cast<float>(leftSlew);
    inR[static_cast<size_t>(i)] = sign * static_cast<float>(rightSlew);
  }
  float* in[2] = {inL.data(), inR.data()};
  float* out[2] = {outL.data(), outR.data()};
  for (int i = 0; i < idles; ++i) {
    fx->processReplacing(fx.get(), in, out, kBlock);
    fx.dispatch(effEditIdle);
    window.pump();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

// The canvas row of a slew value on the logarithmic scale (0.00001 at 400, 3.4 at 0).
double rowOf(double slew) {
  const double f = (std::log10(slew) - std::log10(0.00001)) / (std::log10(3.4) - std::log10(0.00001));
  return (1 - f) * 400;
}

bool greyish(uint32_t p) {  // the white trace at half opacity over black
  const int r = p >> 16 & 0xFF, g = p >> 8 & 0xFF, b = p & 0xFF;
  return r > 60 && std::abs(r - g) < 16 && std::abs(r - b) < 16;
}
bool reddish(uint32_t p) {  // the red trace at half opacity
  const int r = p >> 16 & 0xFF, g = p >> 8 & 0xFF, b = p & 0xFF;
  return r > 60 && g < 24 && b < 24;
}

// Rows of column x (away from the frame lines) whose pixels pass the test.
std::vector<int> rowsWhere(const std::vector<uint32_t>& image, int width, int x, bool (*test)(uint32_t)) {
  std::vector<int> rows;
  for (int y = 4; y < 396; ++y)
    if (test(image[static_cast<size_t>(y * width + x)])) rows.push_back(y);
  return rows;
}

struct EditorInLibrary : ::testing::Test {
  TestHost host;
  void SetUp() override { REQUIRE_WINDOWS(); }
};

}  // namespace

TEST_F(EditorInLibrary, TracesOfKnownSlewsAppearAtTheirRows) {
  PluginLibrary library;
  ASSERT_TRUE(library.loaded()) << library.error();
  HostWindow window;
  ASSERT_TRUE(window.ok());
  Instance fx(library.entry());
  ASSERT_TRUE(fx);
  fx.start(44100, kBlock);
  ASSERT_EQ(fx.dispatch(effEditOpen, 0, 0, window.handle()), 1);

  runWithSlews(fx, window, 0.1, 0.001, 120);
  const std::vector<uint32_t> image = window.grab();
  ASSERT_EQ(image.size(), 400u * 400u);
  // Columns of the newest 15 entries: passes come about 30 a second.
  for (int x : {340, 380}) {
    SCOPED_TRACE(x);
    const std::vector<int> white = rowsWhere(image, 400, x, greyish);
    const std::vector<int> red = rowsWhere(image, 400, x, reddish);
    ASSERT_FALSE(white.empty());
    ASSERT_FALSE(red.empty());
    // One thin line each, where the scale puts 0.1 (110.7) and 0.001 (255.4).
    EXPECT_NEAR(white.front(), rowOf(0.1), 2);
    EXPECT_NEAR(white.back(), rowOf(0.1), 2);
    EXPECT_NEAR(red.front(), rowOf(0.001), 2);
    EXPECT_NEAR(red.back(), rowOf(0.001), 2);
  }
  // The black background surrounds them.
  EXPECT_EQ(image[200 * 400 + 380], 0u);

  fx.dispatch(effEditClose);
  EXPECT_EQ(window.childCount(), 0);
}

TEST_F(EditorInLibrary, UnloadAndLoadAgainAfterTheEditorWasOpen) {
  HostWindow window;
  ASSERT_TRUE(window.ok());
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    PluginLibrary library;
    ASSERT_TRUE(library.loaded()) << library.error();
    Instance fx(library.entry());
    ASSERT_TRUE(fx);
    fx.start(44100, kBlock);
    ASSERT_EQ(fx.dispatch(effEditOpen, 0, 0, window.handle()), 1);
    runWithSlews(fx, window, 0.5, 0.5, 10);
    EXPECT_EQ(window.childCount(), 1);
    fx.dispatch(effEditClose);
    fx.close();
  }
  EXPECT_EQ(window.childCount(), 0);
}
