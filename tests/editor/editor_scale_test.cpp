// The built plug-in library's editor at a display factor, in a real host window: where
// the factor comes from (BRIMTRACE_SCALE, the host's announcement, the screen's
// resolution) and in which order, the rectangle it reports, and the picture it draws
// for a known signal: the same picture at the factor's resolution, with crisp lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <thread>
#include <vector>

#include "runtime/fablo.h"
#include "tests/editor/host_window.h"
#include "tests/support/environment.h"
#include "tests/support/test_host.h"
#ifdef _WIN32
#include <windows.h>
#else
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#endif

using namespace brimtrace_test;

namespace {

constexpr int kBlock = 512;
constexpr int kPicture = TFablo::kEditorWidth;  // the picture's side in its own coordinates

struct ScaleVariable : brimtrace_test::ScopedVariable {
  explicit ScaleVariable(const char* value) : ScopedVariable("BRIMTRACE_SCALE", value) {}
};

std::pair<int, int> editorRect(const Instance& fx) {
  ERect* rect = nullptr;
  if (fx.dispatch(effEditGetRect, 0, 0, &rect) != 1 || !rect) return {0, 0};
  return {rect->right - rect->left, rect->bottom - rect->top};
}

intptr_t announce(const Instance& fx, float factor, int32_t index = kVendorScaleIndex,
                  intptr_t value = kVendorScaleValue) {
  return fx.dispatch(effVendorSpecific, index, value, nullptr, factor);
}

// 50 Hz squares: the left one of slew 0.01, the right one of slew 1; the host idles the
// editor between blocks, about every 10 ms.
void runSquares(const Instance& fx, HostWindow& window, int idles) {
  std::vector<float> inL(kBlock), inR(kBlock), outL(kBlock), outR(kBlock);
  float* in[2] = {inL.data(), inR.data()};
  float* out[2] = {outL.data(), outR.data()};
  int64_t n = 0;
  for (int i = 0; i < idles; ++i) {
    for (int k = 0; k < kBlock; ++k, ++n) {
      const float sign = (n / 441) % 2 ? -0.5f : 0.5f;  // half a period is 441 samples at 44.1 kHz
      inL[static_cast<size_t>(k)] = sign * 0.01f;
      inR[static_cast<size_t>(k)] = sign;
    }
    fx->processReplacing(fx.get(), in, out, kBlock);
    fx.dispatch(effEditIdle);
    window.pump();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

struct Rgb {
  int r, g, b;
};
Rgb rgb(uint32_t p) { return {int(p >> 16 & 0xFF), int(p >> 8 & 0xFF), int(p & 0xFF)}; }
bool reddish(uint32_t p) {  // the red trace at half opacity
  const Rgb c = rgb(p);
  return c.r > 60 && c.g < 24 && c.b < 24;
}
bool greyish(uint32_t p) {  // the white trace at half opacity
  const Rgb c = rgb(p);
  return c.r > 60 && std::abs(c.r - c.g) < 16 && std::abs(c.r - c.b) < 16;
}
bool yellowish(uint32_t p) {  // the ceiling and captions
  const Rgb c = rgb(p);
  return c.r > 60 && std::abs(c.r - c.g) < 24 && c.b < 24;
}

struct Image {
  std::vector<uint32_t> pixels;
  int side;
  uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y * side + x)]; }
  // First and last row of column x (between rows y0 and y1) whose pixel passes test.
  std::pair<int, int> rows(int x, int y0, int y1, bool (*test)(uint32_t)) const {
    int first = -1, last = -1;
    for (int y = y0; y <= y1; ++y)
      if (test(at(x, y))) {
        if (first < 0) first = y;
        last = y;
      }
    return {first, last};
  }
  // Height of the ink in a box of yellow text (rows from first to last lit).
  int inkHeight(int x0, int y0, int x1, int y1) const {
    int first = -1, last = -1;
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x)
        if (yellowish(at(x, y))) {
          if (first < 0) first = y;
          last = y;
        }
    return first < 0 ? 0 : last - first + 1;
  }
};

struct EditorScale : ::testing::Test {
  TestHost host;
  void SetUp() override {
    REQUIRE_WINDOWS();
    brimtrace_test::setVariable("BRIMTRACE_SCALE", nullptr);
  }
  void TearDown() override { brimtrace_test::setVariable("BRIMTRACE_SCALE", nullptr); }

  // Opens the library's editor in a window of the size it reports, plays the squares,
  // and takes the window's pixels.
  Image drawSquares(double factor) {
    PluginLibrary library;
    EXPECT_TRUE(library.loaded()) << library.error();
    Instance fx(library.entry());
    fx.start(44100, kBlock);
    const auto [width, height] = editorRect(fx);
    const int side = static_cast<int>(std::lround(kPicture * factor));
    EXPECT_EQ(width, side);
    EXPECT_EQ(height, side);
    HostWindow window(side, side);
    EXPECT_TRUE(window.ok());
    EXPECT_EQ(fx.dispatch(effEditOpen, 0, 0, window.handle()), 1);
    runSquares(fx, window, 120);
    Image image{window.grab(), side};
    fx.dispatch(effEditClose);
    return image;
  }
};

}  // namespace

TEST_F(EditorScale, FactorsFromTheEnvironmentDrawTheSamePictureAtTheirResolution) {
  int captionHeight = 0;
  for (const double factor : {1.0, 2.0, 1.5}) {
    SCOPED_TRACE(factor);
    const ScaleVariable variable(factor == 1 ? nullptr : factor == 2 ? "2" : "1.5");
    const Image image = drawSquares(factor);
    const int side = image.side;
    ASSERT_EQ(image.pixels.size(), static_cast<size_t>(side * side));
    auto device = [&](double picture) { return static_cast<int>(picture * factor); };

    // The newest entries: the right trace where the scale puts 1 (row 38.4 of the
    // picture), the left one where it puts 0.01 (183.1), each a band as thick as the
    // factor makes one pixel.
    for (const int x : {device(340), device(380)}) {
      SCOPED_TRACE(x);
      const auto red = image.rows(x, 2, side - 3, reddish);
      EXPECT_NEAR(red.first, 38.43 * factor, 2);
      EXPECT_NEAR(red.second - red.first + 1, factor, 1);
      const auto white = image.rows(x, 2, side - 3, greyish);
      EXPECT_NEAR(white.first, 183.06 * factor, 2);
      EXPECT_NEAR(white.second - white.first + 1, factor, 1);
    }
    // The red frame fills the outermost rows and columns.
    for (const int k : {side / 4, side / 2, side - side / 4}) {
      EXPECT_EQ(image.at(k, 0), 0xFF0000u) << k;
      EXPECT_EQ(image.at(k, side - 1), 0xFF0000u) << k;
      EXPECT_EQ(image.at(0, k), 0xFF0000u) << k;
      EXPECT_EQ(image.at(side - 1, k), 0xFF0000u) << k;
    }
    // The ceiling (row 16 of the picture) lies on the rows the factor gives it; at a
    // whole factor it is a crisp band, every row equally lit.
    const int ceilingTop = device(16), ceilingBottom = static_cast<int>(std::ceil(17 * factor)) - 1;
    const int x = device(250);
    EXPECT_TRUE(yellowish(image.at(x, ceilingTop)));
    EXPECT_EQ(image.at(x, ceilingTop - 1), 0u);
    EXPECT_EQ(image.at(x, ceilingBottom + 1), 0u);
    if (factor == 2) {
      EXPECT_EQ(image.at(x, ceilingTop), image.at(x, ceilingBottom));
      EXPECT_EQ(ceilingBottom, 33);
    }
    // Text is drawn at the size: "LEFT channel = White" is factor times as tall.
    const int height = image.inkHeight(device(10), device(350), device(190), device(369));
    if (factor == 1)
      captionHeight = height;
    else
      EXPECT_NEAR(height, captionHeight * factor, 2);
    EXPECT_GT(height, 0);
  }
}

TEST_F(EditorScale, TheHostsAnnouncementIsTakenAndTheVariableOverridesIt) {
  PluginLibrary library;
  ASSERT_TRUE(library.loaded()) << library.error();
  Instance fx(library.entry());
  fx.start(44100, kBlock);
  EXPECT_EQ(editorRect(fx), std::make_pair(400, 400));
  EXPECT_EQ(announce(fx, 1.5f), 1);
  EXPECT_EQ(editorRect(fx), std::make_pair(600, 600));
  // Other requests, and factors outside 1 to 4, are not taken.
  EXPECT_EQ(announce(fx, 2.f, kVendorScaleIndex, 0), 0);
  EXPECT_EQ(announce(fx, 2.f, 0, kVendorScaleValue), 0);
  EXPECT_EQ(announce(fx, 0.5f), 0);
  EXPECT_EQ(announce(fx, 4.5f), 0);
  EXPECT_EQ(announce(fx, std::nanf("")), 0);
  EXPECT_EQ(editorRect(fx), std::make_pair(600, 600));
  {
    const ScaleVariable variable("2");
    EXPECT_EQ(editorRect(fx), std::make_pair(800, 800));
  }
  for (const char* ignored : {"5", "0.5", "2x", "", "two"}) {
    const ScaleVariable variable(ignored);
    EXPECT_EQ(editorRect(fx), std::make_pair(600, 600)) << ignored;
  }

  // An open editor follows a new announcement.
  HostWindow window(800, 800);
  ASSERT_TRUE(window.ok());
  ASSERT_EQ(fx.dispatch(effEditOpen, 0, 0, window.handle()), 1);
  EXPECT_EQ(announce(fx, 2.f), 1);
  EXPECT_EQ(editorRect(fx), std::make_pair(800, 800));
  runSquares(fx, window, 20);
  EXPECT_EQ(window.pixel(799, 400), 0xFF0000u);  // the frame's right column
  fx.dispatch(effEditClose);
}

#ifdef _WIN32
TEST_F(EditorScale, AMoveToAScreenOfAnotherResolutionResizesThroughTheHost) {
  PluginLibrary library;
  ASSERT_TRUE(library.loaded()) << library.error();
  Instance fx(library.entry());
  fx.start(44100, kBlock);
  HostWindow window(800, 800);
  ASSERT_TRUE(window.ok());
  ASSERT_EQ(fx.dispatch(effEditOpen, 0, 0, window.handle()), 1);
  HWND child = GetWindow(static_cast<HWND>(window.handle()), GW_CHILD);
  ASSERT_NE(child, nullptr);
  host.clear();
  // What Windows sends when the window lands on a 150 % monitor.
  RECT suggested{0, 0, 600, 600};
  SendMessageW(child, 0x02E0, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(editorRect(fx), std::make_pair(600, 600));
  ASSERT_EQ(host.count(audioMasterSizeWindow), 1u);
  for (const HostCall& call : host.calls()) {
    if (call.opcode == audioMasterSizeWindow) {
      EXPECT_TRUE(call.index == 600 && call.value == 600);
    }
  }
  RECT client{};
  GetClientRect(child, &client);
  EXPECT_EQ(client.right, 600);
  fx.dispatch(effEditClose);

  // A host that announced its factor keeps it.
  EXPECT_EQ(announce(fx, 1.f), 1);
  ASSERT_EQ(fx.dispatch(effEditOpen, 0, 0, window.handle()), 1);
  child = GetWindow(static_cast<HWND>(window.handle()), GW_CHILD);
  host.clear();
  SendMessageW(child, 0x02E0, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(editorRect(fx), std::make_pair(400, 400));
  EXPECT_EQ(host.count(audioMasterSizeWindow), 0u);
  fx.dispatch(effEditClose);
}

// Runs only in a Wine prefix of its own whose screen is at 192 DPI (a 200 % display):
// ctest's editor_scale_dpi192_test selects it there, editor_scale_test leaves it out.
TEST_F(EditorScale, ScreenAt192DpiGivesFactorTwo) {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  ASSERT_EQ(dpi, 192) << "not run in the 192-DPI prefix";
  const Image image = drawSquares(2);
  EXPECT_EQ(image.at(799, 400), 0xFF0000u);
}
#else
TEST_F(EditorScale, XftDpiOfTheXResourcesGivesTheFactor) {
  HostWindow window(600, 600);
  ASSERT_TRUE(window.ok());
  auto* display = static_cast<Display*>(window.display());
  const Window root = DefaultRootWindow(display);
  const char resources[] = "Xft.antialias:\t1\nXft.dpi:\t144\n";
  XChangeProperty(display, root, XA_RESOURCE_MANAGER, XA_STRING, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(resources), sizeof resources - 1);
  XSync(display, False);
  {
    PluginLibrary library;
    ASSERT_TRUE(library.loaded()) << library.error();
    Instance fx(library.entry());
    fx.start(44100, kBlock);
    EXPECT_EQ(editorRect(fx), std::make_pair(600, 600));
    ASSERT_EQ(fx.dispatch(effEditOpen, 0, 0, window.handle()), 1);
    runSquares(fx, window, 20);
    EXPECT_EQ(window.pixel(599, 300), 0xFF0000u);  // the frame's right column
    fx.dispatch(effEditClose);
  }
  XDeleteProperty(display, root, XA_RESOURCE_MANAGER);
  XSync(display, False);
}
#endif
