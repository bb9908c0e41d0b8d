// The GDI+ raster backend: what each seam call puts into pixels (aliased shapes
// only: Wine never antialiases lines), fonts, bitmaps, PNG in and out, and the
// start-up count that keeps GDI+ alive exactly as long as it has users.
#include <gtest/gtest.h>
#include <filesystem>

#include <cstdio>
#include <string>
#include <vector>

#include "gui/font_desc.h"
#include "gui/resources.h"
#include "gui/win/gdiplus_raster.h"

using namespace Toolkit;
using namespace Toolkit::win;

namespace {

constexpr PackedColor kRed = packColor(255, 0, 0, 255);
constexpr PackedColor kBlue = packColor(0, 0, 255, 255);

struct Canvas {
  explicit Canvas(int w = 40, int h = 40)
      : bitmap(platform::makeBitmap(w, h)), surface(platform::surfaceFor(*bitmap)) {}
  uint32_t at(int x, int y) const { return static_cast<GdiplusBitmap&>(*bitmap).pixel(x, y); }
  bool set(int x, int y) const { return at(x, y) >> 24 != 0; }
  std::unique_ptr<PlatformBitmap> bitmap;
  std::unique_ptr<RasterSurface> surface;
};

std::string tempPath(const char* name) {
  char dir[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, dir);
  return std::string(dir) + name;
}

TEST(GdiplusColor, PackedRgbaBecomesArgb) {
  EXPECT_EQ(toArgb(packColor(0x11, 0x22, 0x33, 0x44)), 0x44112233u);
  EXPECT_EQ(toArgb(kRed), 0xFFFF0000u);
}

TEST(GdiplusSurface, NewBitmapIsTransparentAndFillsAreExact) {
  Canvas c;
  ASSERT_TRUE(c.surface);
  EXPECT_EQ(c.at(0, 0), 0u);
  c.surface->setFillColor(packColor(10, 20, 30, 255));
  c.surface->fillRectangle(2, 3, 4, 5);
  EXPECT_EQ(c.at(2, 3), 0xFF0A141Eu);
  EXPECT_EQ(c.at(5, 7), 0xFF0A141Eu);
  EXPECT_FALSE(c.set(6, 7));
  EXPECT_FALSE(c.set(5, 8));
  EXPECT_FALSE(c.set(1, 3));
  EXPECT_EQ(static_cast<GdiplusSurface&>(*c.surface).graphicsStatus(), Gdiplus::Ok);
}

TEST(GdiplusSurface, OutlineAndLinesAreAliasedOnePixel) {
  Canvas c;
  c.surface->setPenColor(kRed);
  c.surface->drawRectangle(10, 10, 9, 4);  // covers 10..19 x 10..14
  for (int x = 10; x <= 19; ++x) EXPECT_TRUE(c.set(x, 10) && c.set(x, 14)) << x;
  for (int y = 10; y <= 14; ++y) EXPECT_TRUE(c.set(10, y) && c.set(19, y)) << y;
  EXPECT_FALSE(c.set(11, 11));
  EXPECT_FALSE(c.set(20, 10));
  EXPECT_FALSE(c.set(10, 15));

  c.surface->setPenColor(kBlue);
  c.surface->drawLine(0, 30, 9, 30);
  for (int x = 1; x <= 8; ++x) EXPECT_EQ(c.at(x, 30), 0xFF0000FFu) << x;
  EXPECT_FALSE(c.set(5, 29));
  EXPECT_FALSE(c.set(5, 31));
}

TEST(GdiplusSurface, DottedPenLeavesGaps) {
  Canvas c;
  c.surface->setPenColor(kRed);
  c.surface->setPenDotted(true);
  c.surface->drawLine(0, 5, 30, 5);
  c.surface->setPenDotted(false);
  c.surface->drawLine(0, 8, 30, 8);
  int dotted = 0, solid = 0;
  for (int x = 1; x < 30; ++x) {
    dotted += c.set(x, 5);
    solid += c.set(x, 8);
  }
  EXPECT_EQ(solid, 29);
  EXPECT_GT(dotted, 5);
  EXPECT_LT(dotted, 25);
}

TEST(GdiplusSurface, ClipReplacesThePreviousClip) {
  Canvas c;
  c.surface->setFillColor(kRed);
  c.surface->setClipRect(0, 0, 5, 5);
  c.surface->fillRectangle(0, 0, 40, 40);
  EXPECT_TRUE(c.set(4, 4));
  EXPECT_FALSE(c.set(5, 4));
  EXPECT_FALSE(c.set(4, 5));
  c.surface->setClipRect(20, 20, 10, 10);  // replaces, does not intersect
  c.surface->setFillColor(kBlue);
  c.surface->fillRectangle(0, 0, 40, 40);
  EXPECT_EQ(c.at(25, 25), 0xFF0000FFu);
  EXPECT_EQ(c.at(2, 2), 0xFFFF0000u);
  EXPECT_FALSE(c.set(10, 10));

  // A clip holding the whole surface (or more) lifts the earlier one everywhere...
  c.surface->setClipRect(-3, 0, 50, 40);
  c.surface->setFillColor(packColor(0, 255, 0, 255));
  c.surface->fillRectangle(0, 0, 40, 40);
  for (int xy : {0, 10, 39}) {
    EXPECT_EQ(c.at(xy, 0), 0xFF00FF00u) << xy;
    EXPECT_EQ(c.at(39, xy), 0xFF00FF00u) << xy;
  }
  // ...while one a pixel short of it still clips.
  c.surface->setClipRect(0, 0, 40, 39);
  c.surface->setFillColor(kBlue);
  c.surface->fillRectangle(0, 0, 40, 40);
  EXPECT_EQ(c.at(39, 38), 0xFF0000FFu);
  EXPECT_EQ(c.at(39, 39), 0xFF00FF00u);
}

TEST(GdiplusSurface, TranslucentFillKeepsItsAlpha) {
  Canvas c;
  c.surface->setFillColor(packColor(200, 100, 50, 128));
  c.surface->fillRectangle(0, 0, 4, 4);
  uint32_t p = c.at(1, 1);
  EXPECT_EQ(p >> 24, 128u);
  EXPECT_NEAR(int(p >> 16 & 255), 200, 1);
  EXPECT_NEAR(int(p >> 8 & 255), 100, 1);
  EXPECT_NEAR(int(p & 255), 50, 1);
}

TEST(GdiplusSurface, EllipsesArcsAndPolygons) {
  Canvas c(60, 60);
  c.surface->setFillColor(kRed);
  c.surface->fillEllipse(0, 0, 19, 19);
  EXPECT_TRUE(c.set(10, 10));
  EXPECT_FALSE(c.set(1, 1));
  EXPECT_FALSE(c.set(21, 10));

  // An arc closed by its chord: 0..180 degrees is the lower half (y grows downward).
  c.surface->fillArc(30, 0, 20, 20, 0, 180);
  EXPECT_TRUE(c.set(40, 16));
  EXPECT_FALSE(c.set(40, 4));
  c.surface->setPenColor(kBlue);
  c.surface->drawArc(30, 30, 20, 20, 180, 90);  // upper left quarter
  EXPECT_TRUE(c.set(30, 40) || c.set(31, 40));
  EXPECT_FALSE(c.set(50, 40) || c.set(49, 40));

  PointF tri[] = {{2, 30}, {22, 30}, {22, 50}};
  c.surface->fillPolygon(tri, 3);
  EXPECT_TRUE(c.set(18, 34));
  EXPECT_FALSE(c.set(6, 46));
}

TEST(GdiplusSurface, ClosedPolygonDrawsTheClosingEdgeOpenLinesDoNot) {
  Canvas c;
  PointF pts[] = {{2, 2}, {20, 2}, {20, 20}};
  c.surface->setPenColor(kRed);
  c.surface->drawLines(pts, 3);
  EXPECT_TRUE(c.set(20, 10));
  EXPECT_FALSE(c.set(11, 11));
  c.surface->drawPolygon(pts, 3);
  EXPECT_TRUE(c.set(11, 11));
}

// A memory device context with a 16 x 16 top-down 32-bit DIB selected into it.
struct DibContext {
  DibContext() {
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), 16, -16, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    dib = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (dib) old = SelectObject(dc, dib);
  }
  ~DibContext() {
    if (dib) {
      SelectObject(dc, old);
      DeleteObject(dib);
    }
    DeleteDC(dc);
  }
  uint32_t rgb(int x, int y) const { return static_cast<const uint32_t*>(bits)[y * 16 + x] & 0xFFFFFF; }
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP dib = nullptr;
  HGDIOBJ old = nullptr;
  void* bits = nullptr;
};

TEST(GdiplusSurface, DrawsOnADeviceContext) {
  DibContext target;
  ASSERT_TRUE(target.dib && target.bits);
  {
    GdiplusSurface surface(target.dc);
    ASSERT_NE(surface.graphics(), nullptr);
    Gdiplus::PixelOffsetMode mode{};
    Gdiplus::DllExports::GdipGetPixelOffsetMode(surface.graphics(), &mode);
    EXPECT_EQ(mode, Gdiplus::PixelOffsetModeNone);
    surface.setFillColor(kBlue);
    surface.fillRectangle(4, 4, 2, 2);
  }
  EXPECT_EQ(target.rgb(4, 4), 0x0000FFu);
  EXPECT_EQ(target.rgb(3, 3), 0u);
}

// A paint's device context clips to the update region by itself: a clip that holds the
// region but not the whole bitmap must still keep drawing inside that region, and a
// smaller one must still clip.
TEST(GdiplusSurface, DeviceContextClipRegionStillHolds) {
  DibContext target;
  ASSERT_TRUE(target.dib && target.bits);
  HRGN region = CreateRectRgn(2, 2, 10, 10);
  SelectClipRgn(target.dc, region);
  {
    GdiplusSurface surface(target.dc);
    surface.setFillColor(kBlue);
    surface.setClipRect(0, 0, 12, 12);  // holds the region
    surface.fillRectangle(0, 0, 16, 16);
    surface.setClipRect(0, 0, 5, 5);  // does not
    surface.setFillColor(kRed);
    surface.fillRectangle(0, 0, 16, 16);
  }
  EXPECT_EQ(target.rgb(9, 9), 0x0000FFu);
  EXPECT_EQ(target.rgb(4, 4), 0xFF0000u);
  EXPECT_EQ(target.rgb(5, 5), 0x0000FFu);
  EXPECT_EQ(target.rgb(1, 1), 0u);
  EXPECT_EQ(target.rgb(10, 10), 0u);
  EXPECT_EQ(target.rgb(11, 3), 0u);
  SelectClipRgn(target.dc, nullptr);
  DeleteObject(region);
}

TEST(GdiplusSurface, WithoutGraphicsEveryCallIsHarmless) {
  GdiplusSurface surface(static_cast<HDC>(nullptr));
  EXPECT_EQ(surface.graphics(), nullptr);
  surface.setFillColor(kRed);
  surface.fillRectangle(0, 0, 5, 5);
  surface.drawLine(0, 0, 5, 5);
  PointF p[] = {{0, 0}, {1, 1}};
  surface.drawLines(p, 2);
  EXPECT_EQ(surface.dpiY(), 96);
}

TEST(GdiplusFont, MeasuresAndDrawsAKnownFamily) {
  auto font = platform::makeFont("Arial", 12, 0);
  ASSERT_TRUE(font);
  EXPECT_TRUE(font->valid());
  double w = font->measure("Hello");
  EXPECT_GT(w, 15);
  EXPECT_LT(w, 45);
  EXPECT_GT(font->height(96), 12);
  EXPECT_LT(font->height(96), 16);
  EXPECT_GT(font->measure("Hello, world"), w);
  EXPECT_EQ(font->measure(""), 0);

  Canvas c(60, 20);
  c.surface->setTextColor(packColor(255, 255, 255, 255));
  c.surface->drawString(*font, "Hi", 2, 2);
  int lit = 0;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 60; ++x) lit += c.set(x, y);
  EXPECT_GT(lit, 10);
  for (int y = 0; y < 20; ++y) EXPECT_FALSE(c.set(40, y));  // "Hi" is narrow
}

TEST(GdiplusFont, MissingOrOverlongFamilyMeasuresZeroAndDrawsNothing) {
  std::string longName(300, 'A');
  for (const char* name : {"No Such Family Brimtrace", longName.c_str(), ""}) {
    auto font = platform::makeFont(name, 12, 0);
    ASSERT_TRUE(font);
    EXPECT_FALSE(font->valid());
    EXPECT_EQ(font->measure("Hello"), 0);
    EXPECT_EQ(font->height(96), 0);
    Canvas c(30, 20);
    c.surface->setTextColor(kRed);
    c.surface->drawString(*font, "Hello", 0, 0);
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 30; ++x) ASSERT_FALSE(c.set(x, y));
  }
}

TEST(GdiplusFont, TakesOneStyleOnly) {
  EXPECT_EQ(GdiplusFont("Arial", 12, 3).gdiplusStyle(), Gdiplus::FontStyleItalic);
  EXPECT_EQ(GdiplusFont("Arial", 12, 5).gdiplusStyle(), Gdiplus::FontStyleUnderline);
  EXPECT_EQ(GdiplusFont("Arial", 12, 1).gdiplusStyle(), Gdiplus::FontStyleBold);
  EXPECT_EQ(GdiplusFont("Arial", 12, 0).gdiplusStyle(), Gdiplus::FontStyleRegular);
}

TEST(GdiplusFont, StaysUsableWhenItsOwnUseStartsAndStopsGdiplus) {
  // A font description's platform font used outside any paint: each call starts GDI+
  // for itself and shuts it down again, and the next call still finds the font.
  ASSERT_EQ(GDIPlusGlobals::users(), 0);
  const PlatformFont* font = defaultFont->platformFont();
  ASSERT_NE(font, nullptr);
  double w = font->measure("abc");
  EXPECT_GT(w, 0);
  EXPECT_GT(font->height(96), 0);
  EXPECT_EQ(font->measure("abc"), w);
  EXPECT_TRUE(font->valid());
  EXPECT_FALSE(GDIPlusGlobals::running());
}

TEST(GdiplusFont, SurvivesAShutdownAndWorksAfterTheRestart) {
  ASSERT_EQ(GDIPlusGlobals::users(), 0);
  auto font = platform::makeFont("Arial", 12, 0);
  double before = font->measure("abc");  // made under a temporary start-up
  EXPECT_FALSE(GDIPlusGlobals::running());
  Canvas c;  // a new start-up
  EXPECT_TRUE(GDIPlusGlobals::running());
  EXPECT_EQ(font->measure("abc"), before);
  c.surface->drawString(*font, "abc", 0, 0);
}

TEST(GdiplusBitmap, PartIsCopiedOneToOne) {
  Canvas src(99, 99);
  auto* gsrc = static_cast<GdiplusBitmap*>(src.bitmap.get());
  for (int y = 0; y < 99; ++y)
    for (int x = 0; x < 99; ++x)
      Gdiplus::DllExports::GdipBitmapSetPixel(gsrc->handle(), x, y,
                                              0xFF000000u | uint32_t(x) << 16 | uint32_t(y) << 8 | 7);
  Canvas dst(80, 80);
  dst.surface->drawBitmap(*src.bitmap, 10, 10, 20, 30, 50, 50, 255);
  for (int y = 0; y < 80; ++y)
    for (int x = 0; x < 80; ++x) {
      bool inside = x >= 10 && x < 60 && y >= 10 && y < 60;
      uint32_t want = inside ? 0xFF000000u | uint32_t(x + 10) << 16 | uint32_t(y + 20) << 8 | 7 : 0;
      ASSERT_EQ(dst.at(x, y), want) << x << "," << y;
    }
}

TEST(GdiplusBitmap, BlendedDrawScalesOpacity) {
  Canvas src(10, 10);
  src.surface->setFillColor(packColor(255, 255, 255, 255));
  src.surface->fillRectangle(0, 0, 10, 10);
  Canvas dst(20, 20);
  dst.surface->setFillColor(packColor(0, 0, 0, 255));
  dst.surface->fillRectangle(0, 0, 20, 20);
  dst.surface->drawBitmap(*src.bitmap, 5, 5, 0, 0, 10, 10, 128);
  uint32_t p = dst.at(8, 8);
  EXPECT_EQ(p >> 24, 255u);
  EXPECT_NEAR(int(p & 255), 128, 2);
  EXPECT_EQ(dst.at(4, 4), 0xFF000000u);
  EXPECT_EQ(dst.at(15, 15), 0xFF000000u);
  dst.surface->drawBitmap(*src.bitmap, 0, 0, 0, 0, 0, 0, 128);  // empty part: nothing
}

// The tools hold file names as UTF-8: a name outside the code page is written as named.
TEST(GdiplusBitmap, PngIsWrittenUnderItsUtf8Name) {
  Canvas c(2, 2);
  const std::string path = tempPath("brimtrace_\xE5\x9B\xBE.png");  // U+56FE
  ASSERT_TRUE(platform::writePng(*c.bitmap, path.c_str()));
  const std::wstring wide = std::filesystem::u8path(path).wstring();
  EXPECT_TRUE(DeleteFileW(wide.c_str())) << "not written under its own name";
}

TEST(GdiplusBitmap, PngRoundTripLeavesTheFileFree) {
  Canvas c(7, 5);
  c.surface->setFillColor(packColor(1, 2, 3, 255));
  c.surface->fillRectangle(0, 0, 7, 5);
  c.surface->setFillColor(packColor(200, 0, 0, 100));
  c.surface->fillRectangle(6, 4, 1, 1);
  std::string path = tempPath("brimtrace_roundtrip.png");
  ASSERT_TRUE(platform::writePng(*c.bitmap, path.c_str()));
  auto back = platform::loadImageFile(path.c_str());
  ASSERT_TRUE(back);
  EXPECT_EQ(back->width(), 7);
  EXPECT_EQ(back->height(), 5);
  auto& g = static_cast<GdiplusBitmap&>(*back);
  EXPECT_EQ(g.pixel(0, 0), 0xFF010203u);
  EXPECT_EQ(g.pixel(6, 4), c.at(6, 4));
  EXPECT_TRUE(DeleteFileA(path.c_str())) << "the loaded image still holds the file";

  // The same bytes decode from memory.
  ASSERT_TRUE(platform::writePng(*c.bitmap, path.c_str()));
  FILE* f = std::fopen(path.c_str(), "rb");
  ASSERT_TRUE(f);
  std::vector<unsigned char> bytes(4096);
  bytes.resize(std::fread(bytes.data(), 1, bytes.size(), f));
  std::fclose(f);
  DeleteFileA(path.c_str());
  auto decoded = platform::decodePng(bytes.data(), bytes.size());
  ASSERT_TRUE(decoded);
  EXPECT_EQ(static_cast<GdiplusBitmap&>(*decoded).pixel(3, 3), 0xFF010203u);
  bytes.assign(64, 0x42);
  EXPECT_FALSE(platform::decodePng(bytes.data(), bytes.size()));
  EXPECT_FALSE(platform::decodePng(nullptr, 10));
  EXPECT_FALSE(platform::loadImageFile(tempPath("brimtrace_missing.png").c_str()));
  EXPECT_FALSE(platform::loadImageFile(nullptr));
}

TEST(GdiplusBitmap, EmbeddedImagesDecodeThroughTheResourceStream) {
  const int sizes[] = {99, 99, 99, 50};
  for (int n = 0; n < 4; ++n) {
    // English (United States) resources of type "DATA" in this module.
    EXPECT_TRUE(FindResourceExA(GetModuleHandleA(nullptr), "DATA", MAKEINTRESOURCEA(n),
                                MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)))
        << n;
    auto bytes = findEmbeddedResource(n, "DATA");
    auto bitmap = platform::decodePng(bytes.data(), bytes.size());
    ASSERT_TRUE(bitmap) << n;
    EXPECT_EQ(bitmap->width(), sizes[n]);
    EXPECT_EQ(bitmap->height(), sizes[n]);
  }
  auto logo =
      platform::decodePng(findEmbeddedResource(0, "DATA").data(), findEmbeddedResource(0, "DATA").size());
  EXPECT_EQ(static_cast<GdiplusBitmap&>(*logo).pixel(0, 0) >> 24, 255u);  // the logo tile is opaque
  auto overlay =
      platform::decodePng(findEmbeddedResource(1, "DATA").data(), findEmbeddedResource(1, "DATA").size());
  EXPECT_EQ(static_cast<GdiplusBitmap&>(*overlay).pixel(0, 0) >> 24, 0u);  // overlays are transparent
  EXPECT_FALSE(platformResourceBitmap(0));  // no bitmap resources of the platform's own type
}

TEST(GdiplusBitmap, NoBitmapForAnEmptySize) {
  EXPECT_FALSE(platform::makeBitmap(0, 10));
  EXPECT_FALSE(platform::makeBitmap(-10, 20));
}

TEST(GdiplusGlobals, RunsWhileAnyBitmapLives) {
  ASSERT_EQ(GDIPlusGlobals::users(), 0);
  auto a = platform::makeBitmap(2, 2);
  auto b = platform::makeBitmap(2, 2);
  EXPECT_EQ(GDIPlusGlobals::users(), 2);
  a.reset();
  EXPECT_TRUE(GDIPlusGlobals::running());
  b.reset();
  EXPECT_FALSE(GDIPlusGlobals::running());
  EXPECT_EQ(GDIPlusGlobals::users(), 0);
  auto c = platform::makeBitmap(2, 2);
  EXPECT_TRUE(GDIPlusGlobals::running());
}

}  // namespace
