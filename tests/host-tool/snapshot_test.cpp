// snapshot opens the editor in a real window (Linux: a private Xvfb, since the test
// clears DISPLAY; Wine: the display xvfb-run gives), feeds it sound while idling it, and
// saves what the editor drew.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "tests/host-tool/png_file.h"
#include "tests/host-tool/test_files.h"
#include "tools/host/commands.h"

using namespace host;
using host_test::loadPng;
using host_test::nativePath;
using host_test::Png;
using host_test::TempFile;

namespace {

int run(std::vector<std::string> args, std::string& out, std::string& err) {
  std::ostringstream o, e;
  const int code = runHost(args, o, e);
  out = o.str();
  err = e.str();
  return code;
}

class Snapshot : public ::testing::Test {
protected:
  void SetUp() override {
#if !defined(_WIN32)
    unsetenv("DISPLAY");  // the tool must bring its own X server
#endif
  }
};

}  // namespace

TEST_F(Snapshot, CapturesWhatTheEditorDrewAfterSoundAndIdleCalls) {
  // The fake editor turns from red to green once it has heard sound and had ten idle
  // calls: green proves the audio thread and the idle calls both reached it.
  TempFile png(".png");
  std::string out, err;
  const std::string plugin = nativePath(std::string(FAKE_PLUGIN_DIR) + "/fake_working" + FAKE_SUFFIX);
  ASSERT_EQ(run({"snapshot", plugin, "--png", png.path(), "--seconds", "0.5"}, out, err), 0) << err;
  EXPECT_NE(out.find("saved the 120 x 120 editor to"), std::string::npos) << out;
  Png image;
  ASSERT_TRUE(loadPng(png.path(), image));
  ASSERT_EQ(image.width, 120);
  ASSERT_EQ(image.height, 120);
  EXPECT_EQ(image.at(60, 60), 0x28A05Au);
  EXPECT_EQ(image.at(0, 0), 0x28A05Au);
  EXPECT_EQ(image.at(119, 119), 0x28A05Au);

  // A second run in the same process makes a fresh window (and on Linux a fresh server).
  ASSERT_EQ(run({"snapshot", plugin, "--png", png.path(), "--seconds", "0.3"}, out, err), 0) << err;
}

TEST_F(Snapshot, TheBuiltPluginsEditorDrawsIntoTheWindow) {
  TempFile png(".png");
  std::string out, err;
  const std::string plugin = nativePath(BRIMTRACE_PLUGIN);
  // An editor that opens no window, or none the host can capture, fails here.
  ASSERT_EQ(run({"snapshot", plugin, "--png", png.path(), "--seconds", "1"}, out, err), 0) << err;
  Png image;
  ASSERT_TRUE(loadPng(png.path(), image));
  EXPECT_EQ(image.width, 400);
  EXPECT_EQ(image.height, 400);
  // Something was drawn: the picture is not one flat colour.
  size_t differing = 0;
  for (uint32_t p : image.pixels) differing += p != image.pixels[0];
  EXPECT_GT(differing, image.pixels.size() / 100);
}
