// The image table and the image bridge: embedded resource first, the file beside the
// library second, each number tried once and a failure logged once; holders, stored
// attributes, and the 1:1 part copy handed to the drawing surface.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "gui/images.h"
#include "runtime/fablo.h"
#include "runtime/files.h"
#include "tests/support/fake_plugin.h"

namespace {

using brimtrace_test::FakePlugin;

int signals = 0;
void countSignal() { ++signals; }

std::string tempDir() {
#ifdef _WIN32
  const char* t = std::getenv("TEMP");
  std::string dir = t ? t : ".";
  return dir + "\\";
#else
  return "/tmp/";
#endif
}

// Sends the debug log to a file of the test's own and collects its lines.
struct LogCapture {
  LogCapture() : path(tempDir() + "brimtrace_images_test_" + std::to_string(counter++) + ".log") {
    std::remove(path.c_str());
    setDebugLogPath(path.c_str());
    setDebugLogSignal(&countSignal);
    signals = 0;
  }
  ~LogCapture() {
    setDebugLogPath(nullptr);
    setDebugLogSignal(nullptr);
    std::remove(path.c_str());
  }
  std::vector<std::string> lines() const {
    std::vector<std::string> out;
    FILE* f = std::fopen(path.c_str(), "r");
    if (!f) return out;
    char buf[1024];
    while (std::fgets(buf, sizeof buf, f)) {
      std::string line(buf);
      while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
      out.push_back(line);
    }
    std::fclose(f);
    return out;
  }
  static inline int counter = 0;
  std::string path;
};

bool fileExists(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f) std::fclose(f);
  return f != nullptr;
}

// The image table loads through the link's drawing: a plug-in link with a paint.
struct LinkedEffect : TFablo {
  LinkedEffect() { zelk = &plugin; }
  FakePlugin plugin;
};

TEST(ImageTable, ResourceComesFirstAndLoadsOnce) {
  LogCapture log;
  LinkedEffect fx;
  fx.fileNameAt(0) = "QUILLMERE_LogoTealGlow.PNG";
  ASSERT_FALSE(fileExists(resolvePath("QUILLMERE_LogoTealGlow.PNG")));  // so it cannot come from disk
  ImageEntry& first = fx.getImage(0);
  EXPECT_EQ(first.width, 99);
  EXPECT_EQ(first.height, 99);
  ASSERT_NE(first.holder, nullptr);
  Toolkit::CBitmap* bitmap = heldImage(first.holder)->bitmap;
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(bitmap->getResourceDescription().kind, Toolkit::CResourceDescription::kIntegerType);

  ImageEntry& again = fx.getImage(0);
  EXPECT_EQ(&again, &first);
  EXPECT_EQ(heldImage(again.holder)->bitmap, bitmap);  // not loaded again
  EXPECT_EQ(bitmap->refCount(), 1);
  EXPECT_TRUE(log.lines().empty());

  fx.fileNameAt(3) = "50x50square_top_ON.png";
  EXPECT_EQ(fx.getImage(3).width, 50);
  EXPECT_EQ(fx.getImage(3).height, 50);
}

TEST(ImageTable, NumberWithoutFileNameIsNotTriedUntilItHasOne) {
  LogCapture log;
  LinkedEffect fx;
  ImageEntry& e = fx.getImage(7);
  EXPECT_EQ(e.width, 0);
  EXPECT_EQ(e.height, 0);
  EXPECT_EQ(e.holder, nullptr);
  EXPECT_EQ(fx.fileNameTable.count(7), 0u);  // the lookup creates no file name
  EXPECT_TRUE(log.lines().empty());
  EXPECT_EQ(signals, 0);

  fx.fileNameAt(7) = "brimtrace_no_such_image.png";
  fx.getImage(7);
  EXPECT_EQ(log.lines(),
            std::vector<std::string>{"Unable to load: " + resolvePath("brimtrace_no_such_image.png")});
}

TEST(ImageTable, MissingResourceAndFileIsLoggedExactlyOnce) {
  LogCapture log;
  TFablo fx;
  FakePlugin plugin;
  fx.zelk = &plugin;
  fx.fileNameAt(5) = "50x50square_top_ON.png";  // no resource 5, no such file beside the library
  for (int i = 0; i < 3; ++i) {
    ImageEntry& e = fx.getImage(5);
    EXPECT_EQ(e.width, 0);
    EXPECT_EQ(e.height, 0);
    ASSERT_NE(e.holder, nullptr);  // the attempt is remembered
    EXPECT_EQ(heldImage(e.holder)->bitmap, nullptr);
    fx.drawImage(5, 1, 0, 0, 0);
  }
  std::vector<std::string> expected{"Unable to load: " + moduleDirectory() + "50x50square_top_ON.png"};
  EXPECT_EQ(log.lines(), expected);
  EXPECT_EQ(signals, 1);
  fx.zelk = nullptr;
}

TEST(ImageTable, FallsBackToTheFileBesideTheLibrary) {
  LogCapture log;
  const std::string name = "brimtrace_images_test_file.png";
  const std::string path = resolvePath(name);
  {
    auto bitmap = Toolkit::platform::makeBitmap(13, 7);
    ASSERT_TRUE(bitmap);
    ASSERT_TRUE(Toolkit::platform::writePng(*bitmap, path.c_str()));
  }
  {
    LinkedEffect fx;
    fx.fileNameAt(6) = name;
    ImageEntry& e = fx.getImage(6);
    EXPECT_EQ(e.width, 13);
    EXPECT_EQ(e.height, 7);
    ASSERT_TRUE(e.holder && heldImage(e.holder)->bitmap);
    EXPECT_EQ(heldImage(e.holder)->bitmap->getResourceDescription().kind,
              Toolkit::CResourceDescription::kNoType);
    // The decoded file is not held open while the image lives.
    EXPECT_EQ(std::remove(path.c_str()), 0);
  }
  std::remove(path.c_str());
  EXPECT_TRUE(log.lines().empty());
}

TEST(ImageBridge, LoadsKeepOnlySizedBitmaps) {
  ImageHolder* h = imageNew();
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(h->bitmap, nullptr);
  EXPECT_EQ(imageLoadResourceId(h, 2), 1);
  EXPECT_EQ(imageWidth(h), 99);
  EXPECT_EQ(imageLoadResourceId(h, 9), 0);  // the old bitmap is released, nothing kept
  EXPECT_EQ(h->bitmap, nullptr);
  EXPECT_EQ(imageWidth(h), 0);
  EXPECT_EQ(imageLoadResourceId(h, 65536 + 3), 1);  // low 16 bits: resource 3
  EXPECT_EQ(imageHeight(h), 50);
  EXPECT_EQ(imageLoadResourceName(h, "QUILLMERE_LogoTealGlow.PNG"), 0);
  EXPECT_EQ(imageLoadResourceName(h, nullptr), 0);
  EXPECT_EQ(imageLoadFile(h, nullptr), 0);
  EXPECT_EQ(imageLoadFile(h, resolvePath("brimtrace_no_such_image.png").c_str()), 0);
  EXPECT_EQ(h->bitmap, nullptr);

  const std::string junk = tempDir() + "brimtrace_not_a_png.png";
  FILE* f = std::fopen(junk.c_str(), "wb");
  ASSERT_TRUE(f);
  std::fputs("this is not an image", f);
  std::fclose(f);
  EXPECT_EQ(imageLoadFile(h, junk.c_str()), 0);
  std::remove(junk.c_str());
  EXPECT_EQ(imageFree(h), 1);
}

TEST(ImageBridge, NullHolderAnswersZeroEverywhere) {
  uint8_t r = 1;
  EXPECT_EQ(imageFree(nullptr), 0);
  EXPECT_EQ(imageLoadResourceId(nullptr, 0), 0);
  EXPECT_EQ(imageLoadResourceName(nullptr, "x"), 0);
  EXPECT_EQ(imageLoadFile(nullptr, "x"), 0);
  EXPECT_EQ(imageWidth(nullptr), 0);
  EXPECT_EQ(imageHeight(nullptr), 0);
  EXPECT_EQ(imageGetTransparentColor(nullptr, &r, &r, &r, &r), 0);
  EXPECT_EQ(r, 1);
  EXPECT_EQ(imageSetTransparentColor(nullptr, 1, 2, 3, 4), 0);
  EXPECT_EQ(imageGetNoAlpha(nullptr), 0);
  EXPECT_EQ(imageSetNoAlpha(nullptr, 1), 0);
  ImageHolder empty;
  EXPECT_EQ(imageGetNoAlpha(&empty), 0);
  EXPECT_EQ(imageSetNoAlpha(&empty, 1), 0);
}

TEST(ImageBridge, StoredAttributes) {
  ImageHolder* h = imageNew();
  ASSERT_EQ(imageLoadResourceId(h, 0), 1);
  uint8_t r = 0, g = 0, b = 0, a = 9;
  EXPECT_EQ(imageGetTransparentColor(h, &r, &g, &b, &a), 1);
  EXPECT_EQ(std::vector<int>({r, g, b, a}), std::vector<int>({255, 255, 255, 0}));
  EXPECT_EQ(imageSetTransparentColor(h, 0x101, 2, 3, 0x1FF), 1);  // low 8 bits
  EXPECT_EQ(imageGetTransparentColor(h, &r, nullptr, &b, &a), 1);
  EXPECT_EQ(std::vector<int>({r, b, a}), std::vector<int>({1, 3, 255}));
  EXPECT_EQ(imageGetNoAlpha(h), 1);
  EXPECT_EQ(imageSetNoAlpha(h, 0), 1);
  EXPECT_EQ(imageGetNoAlpha(h), 0);
  imageFree(h);
}

TEST(ImageBridge, DrawCopiesThePartOneToOne) {
  FakePlugin plugin;
  ImageHolder* h = imageNew();
  ASSERT_EQ(imageLoadResourceId(h, 0), 1);
  plugin.calls.clear();
  EXPECT_TRUE(imageDraw(h, &plugin, 10, 10, 60, 60, 20, 30));
  EXPECT_TRUE(imageDrawTransparent(h, &plugin, 10.9, 10.2, 60.5, 60.99, 20.7, 30.1));
  EXPECT_TRUE(imageDrawBlended(h, &plugin, 10, 10, 60, 60, 20, 30, 0x180));
  ASSERT_EQ(plugin.calls.size(), 3u);
  for (const auto& call : plugin.calls) EXPECT_EQ(call.op, "drawBitmap");
  EXPECT_EQ(plugin.calls[0].args, (std::vector<double>{10, 10, 20, 30, 50, 50, 255}));
  EXPECT_EQ(plugin.calls[1].args, (std::vector<double>{10, 10, 20, 30, 49, 50, 255}));
  EXPECT_EQ(plugin.calls[2].args, (std::vector<double>{10, 10, 20, 30, 50, 50, 128}));

  plugin.painting = false;
  EXPECT_FALSE(imageDraw(h, &plugin, 10, 10, 60, 60, 20, 30));
  plugin.painting = true;
  EXPECT_FALSE(imageDraw(h, nullptr, 10, 10, 60, 60, 20, 30));
  EXPECT_FALSE(imageDraw(nullptr, &plugin, 10, 10, 60, 60, 20, 30));
  ImageHolder empty;
  EXPECT_FALSE(imageDrawBlended(&empty, &plugin, 10, 10, 60, 60, 20, 30, 255));
  EXPECT_EQ(plugin.calls.size(), 3u);
  imageFree(h);
}

}  // namespace
