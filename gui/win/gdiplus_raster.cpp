#include "gui/win/gdiplus_raster.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <vector>

#include "gui/win/resource_stream.h"

namespace Toolkit::win {
namespace {

using Gdiplus::Ok;

// GDI+ takes one style: underline wins over italic, italic over bold.
int oneStyle(int bits) {
  if (bits & 4) return Gdiplus::FontStyleUnderline;
  if (bits & 2) return Gdiplus::FontStyleItalic;
  if (bits & 1) return Gdiplus::FontStyleBold;
  return Gdiplus::FontStyleRegular;
}

}  // namespace

// A decoded image keeps its source (file or stream) open; a 32-bit ARGB copy does
// not, and every bitmap then has the same pixel format.
std::unique_ptr<PlatformBitmap> argbCopyOf(GpBitmap* decoded) {
  UINT w = 0, h = 0;
  gp::GdipGetImageWidth(decoded, &w);
  gp::GdipGetImageHeight(decoded, &h);
  GpBitmap* copy = nullptr;
  if (w == 0 || h == 0 || w > INT_MAX || h > INT_MAX ||
      gp::GdipCloneBitmapAreaI(0, 0, INT(w), INT(h), PixelFormat32bppARGB, decoded, &copy) != Ok)
    copy = nullptr;
  gp::GdipDisposeImage(decoded);
  if (!copy) return nullptr;
  return std::make_unique<GdiplusBitmap>(copy);
}

WideText::WideText(std::string_view utf8) {
  local_[0] = 0;
  if (utf8.empty() || utf8.size() > INT_MAX / 2) return;
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
  if (n <= 0) return;  // not convertible: an empty text
  wchar_t* out = local_;
  if (n > int(std::size(local_))) {
    heap_.reset(new wchar_t[size_t(n)]);
    out = heap_.get();
  }
  length_ = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), out, n);
  if (length_ < 0) length_ = 0;
}

std::wstring widenPath(const char* path) {
  if (!path || !*path) return {};
  int n = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
  if (n > 0) {
    std::wstring wide(size_t(n), L'\0');
    if (MultiByteToWideChar(CP_ACP, 0, path, -1, wide.data(), n) == n) {
      wide.resize(size_t(n - 1));
      return wide;
    }
  }
  std::wstring wide;  // byte by byte, as ASCII would be widened anyway
  for (const char* p = path; *p; ++p) wide.push_back(wchar_t(static_cast<unsigned char>(*p)));
  return wide;
}

bool encoderClsid(const wchar_t* mimeType, CLSID& out) {
  UINT count = 0, bytes = 0;
  if (gp::GdipGetImageEncodersSize(&count, &bytes) != Ok || count == 0 || bytes == 0) return false;
  std::vector<unsigned char> buffer(bytes);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
  if (gp::GdipGetImageEncoders(count, bytes, codecs) != Ok) return false;
  for (UINT i = 0; i < count; ++i) {
    if (codecs[i].MimeType && std::wcscmp(codecs[i].MimeType, mimeType) == 0) {
      out = codecs[i].Clsid;
      return true;
    }
  }
  return false;
}

// ---- GdiplusFont ----

GdiplusFont::GdiplusFont(const char* family, double pixelSize, int style)
    : size_(float(pixelSize)), style_(oneStyle(style)) {
  std::memset(family_, 0, sizeof family_);
  // At most 199 characters, always terminated; an unconvertible name finds no family.
  if (family && std::mbstowcs(family_, family, std::size(family_) - 1) == size_t(-1)) family_[0] = 0;
  family_[std::size(family_) - 1] = 0;
}

GdiplusFont::~GdiplusFont() {
  GDIPlusGlobals::removeListener(this);
  if (font_) gp::GdipDeleteFont(font_);
}

void GdiplusFont::gdiplusShuttingDown() {
  if (font_) gp::GdipDeleteFont(font_);
  font_ = nullptr;
  tried_ = false;
}

GpFont* GdiplusFont::handle() const {
  if (!GDIPlusGlobals::running()) return nullptr;
  if (tried_) return font_;
  tried_ = true;
  GpFontFamily* family = nullptr;
  status_ = gp::GdipCreateFontFamilyFromName(family_, nullptr, &family);
  if (status_ == Ok && family) {
    status_ = gp::GdipCreateFont(family, size_, style_, Gdiplus::UnitPixel, &font_);
    if (status_ != Ok) font_ = nullptr;
    gp::GdipDeleteFontFamily(family);
  }
  // Asked about a missing family again after a restart, too.
  GDIPlusGlobals::addListener(const_cast<GdiplusFont*>(this));
  return font_;
}

bool GdiplusFont::valid() const {
  GdiplusRef running;
  return handle() != nullptr;
}

double GdiplusFont::measure(std::string_view utf8) const {
  GdiplusRef running;
  GpFont* font = handle();
  GpGraphics* g = GDIPlusGlobals::measuringGraphics();
  WideText text(utf8);
  if (!font || !g || text.length() == 0) return 0;
  Gdiplus::RectF layout(0, 0, 0, 0), box(0, 0, 0, 0);
  status_ =
      gp::GdipMeasureString(g, text.data(), text.length(), font, &layout, nullptr, &box, nullptr, nullptr);
  return status_ == Ok ? box.Width : 0;
}

double GdiplusFont::height(double dpiY) const {
  GdiplusRef running;
  GpFont* font = handle();
  if (!font) return 0;
  Gdiplus::REAL h = 0;
  status_ = gp::GdipGetFontHeightGivenDPI(font, Gdiplus::REAL(dpiY), &h);
  return status_ == Ok ? h : 0;
}

// ---- GdiplusBitmap ----

GdiplusBitmap::GdiplusBitmap(GpBitmap* owned) : bitmap_(owned) {
  UINT w = 0, h = 0;
  if (bitmap_ && gp::GdipGetImageWidth(bitmap_, &w) == Ok && gp::GdipGetImageHeight(bitmap_, &h) == Ok &&
      w <= INT_MAX && h <= INT_MAX) {
    width_ = int(w);
    height_ = int(h);
  }
}

GdiplusBitmap::~GdiplusBitmap() {
  if (bitmap_) gp::GdipDisposeImage(bitmap_);
}

const GdiplusBitmap* GdiplusBitmap::resampled(float factor) const {
  if (resampled_ && resampledFactor_ == factor) return resampled_.get();
  resampled_.reset();
  const int w = static_cast<int>(std::lround(width_ * double(factor)));
  const int h = static_cast<int>(std::lround(height_ * double(factor)));
  GpBitmap* big = nullptr;
  if (!bitmap_ || w <= 0 || h <= 0 ||
      gp::GdipCreateBitmapFromScan0(w, h, 0, PixelFormat32bppARGB, nullptr, &big) != Ok)
    return nullptr;
  auto copy = std::make_unique<GdiplusBitmap>(big);
  GpGraphics* g = nullptr;
  Gdiplus::GpImageAttributes* attributes = nullptr;
  if (gp::GdipGetImageGraphicsContext(big, &g) != Ok) return nullptr;
  gp::GdipSetInterpolationMode(g, Gdiplus::InterpolationModeHighQualityBilinear);
  gp::GdipSetPixelOffsetMode(g, Gdiplus::PixelOffsetModeHalf);
  gp::GdipSetCompositingMode(g, Gdiplus::CompositingModeSourceCopy);
  // Edge pixels repeated: the image's border does not fade into transparency.
  if (gp::GdipCreateImageAttributes(&attributes) == Ok)
    gp::GdipSetImageAttributesWrapMode(attributes, Gdiplus::WrapModeTileFlipXY, 0, FALSE);
  const GpStatus status = gp::GdipDrawImageRectRectI(g, bitmap_, 0, 0, w, h, 0, 0, width_, height_,
                                                     Gdiplus::UnitPixel, attributes, nullptr, nullptr);
  if (attributes) gp::GdipDisposeImageAttributes(attributes);
  gp::GdipDeleteGraphics(g);
  if (status != Ok) return nullptr;
  resampled_ = std::move(copy);
  resampledFactor_ = factor;
  return resampled_.get();
}

uint32_t GdiplusBitmap::pixel(int x, int y) const {
  ARGB c = 0;
  if (bitmap_) gp::GdipBitmapGetPixel(bitmap_, x, y, &c);
  return c;
}

// ---- GdiplusSurface ----

GdiplusSurface::GdiplusSurface(HDC dc, double scale) {
  if (dc) graphics_(gp::GdipCreateFromHDC(dc, &graphics_.handle));
  // The device context clips to its own region (a paint's update region) whatever
  // GDI+ does; a clip holding that region's box adds nothing.
  RECT box{};
  const int kind = dc ? GetClipBox(dc, &box) : ERROR;
  if (kind == SIMPLEREGION || kind == COMPLEXREGION) bounds_ = box;
  init(true, scale);
}

GdiplusSurface::GdiplusSurface(HWND window, double scale) {
  if (window) windowDc_ = GetDC(window);
  if (windowDc_) {
    window_ = window;
    RECT client{};
    if (GetClientRect(window, &client)) bounds_ = client;
    graphics_(gp::GdipCreateFromHDC(windowDc_, &graphics_.handle));
  }
  init(true, scale);
}

GdiplusSurface::GdiplusSurface(GdiplusBitmap& target, double scale) {
  if (target.handle()) graphics_(gp::GdipGetImageGraphicsContext(target.handle(), &graphics_.handle));
  bounds_ = RECT{0, 0, target.width(), target.height()};
  init(false, scale);
}

void GdiplusSurface::init(bool deviceSetup, double scale) {
  if (graphics_.status != Ok) graphics_.handle = nullptr;
  const bool scaled = scale != 1 && scale > 0 && scale <= 64;
  if (GpGraphics* g = graphics_.handle) {
    // Images are copied 1:1: at a factor they are resampled once beforehand.
    graphics_(gp::GdipSetInterpolationMode(g, Gdiplus::InterpolationModeLowQuality));
    graphics_(gp::GdipSetPageUnit(g, Gdiplus::UnitPixel));
    if (deviceSetup) graphics_(gp::GdipSetPixelOffsetMode(g, Gdiplus::PixelOffsetModeNone));
    if (scaled) {
      const auto f = Gdiplus::REAL(scale), shift = Gdiplus::REAL((scale - 1) / 2);
      if (gp::GdipCreateMatrix2(f, 0, 0, f, 0, 0, &areaMatrix_) != Ok) areaMatrix_ = nullptr;
      if (gp::GdipCreateMatrix2(f, 0, 0, f, shift, shift, &pathMatrix_) != Ok) pathMatrix_ = nullptr;
      if (areaMatrix_ && pathMatrix_) {
        scale_ = f;
        graphics_(gp::GdipSetWorldTransform(g, areaMatrix_));
        // One device pixel wide whatever the transformation.
        if (gp::GdipCreatePen1(0xFF000000u, 1 / f, Gdiplus::UnitWorld, &thinPen_) != Ok) thinPen_ = nullptr;
      }
    }
  }
  const ARGB black = 0xFF000000u;
  if (pen_(gp::GdipCreatePen1(black, 1.0f, Gdiplus::UnitWorld, &pen_.handle)) != Ok) pen_.handle = nullptr;
  updateCaps();
  if (fill_(gp::GdipCreateSolidFill(black, &fill_.handle)) != Ok) fill_.handle = nullptr;
  if (text_(gp::GdipCreateSolidFill(black, &text_.handle)) != Ok) text_.handle = nullptr;
}

void GdiplusSurface::transformFor(Space space) {
  if (scale_ == 1 || space == space_ || !graphics_.handle) return;
  space_ = space;
  if (space == Space::device)
    graphics_(gp::GdipResetWorldTransform(graphics_.handle));
  else
    graphics_(gp::GdipSetWorldTransform(graphics_.handle, space == Space::paths ? pathMatrix_ : areaMatrix_));
}

GdiplusSurface::~GdiplusSurface() {
  if (thinPen_) gp::GdipDeletePen(thinPen_);
  if (pathMatrix_) gp::GdipDeleteMatrix(pathMatrix_);
  if (areaMatrix_) gp::GdipDeleteMatrix(areaMatrix_);
  if (text_.handle) gp::GdipDeleteBrush(text_.handle);
  if (fill_.handle) gp::GdipDeleteBrush(fill_.handle);
  if (pen_.handle) gp::GdipDeletePen(pen_.handle);
  if (graphics_.handle) gp::GdipDeleteGraphics(graphics_.handle);
  if (windowDc_) ReleaseDC(window_, windowDc_);
}

void GdiplusSurface::setPenColor(PackedColor c) {
  if (pen_.handle) pen_(gp::GdipSetPenColor(pen_.handle, toArgb(c)));
  if (thinPen_) gp::GdipSetPenColor(thinPen_, toArgb(c));
}
void GdiplusSurface::setPenWidth(double w) {
  if (pen_.handle) pen_(gp::GdipSetPenWidth(pen_.handle, Gdiplus::REAL(w)));
  penWidth_ = w;
}
void GdiplusSurface::setPenDotted(bool dotted) {
  if (pen_.handle)
    pen_(gp::GdipSetPenDashStyle(pen_.handle, dotted ? Gdiplus::DashStyleDot : Gdiplus::DashStyleSolid));
  dotted_ = dotted;
  updateCaps();
}
void GdiplusSurface::setFillColor(PackedColor c) {
  if (fill_.handle) fill_(gp::GdipSetSolidFillColor(fill_.handle, toArgb(c)));
}
void GdiplusSurface::setTextColor(PackedColor c) {
  if (text_.handle) text_(gp::GdipSetSolidFillColor(text_.handle, toArgb(c)));
}
void GdiplusSurface::setAntialias(bool on) {
  if (GpGraphics* g = graphics_.handle)
    graphics_(gp::GdipSetSmoothingMode(g, on ? Gdiplus::SmoothingModeAntiAlias : Gdiplus::SmoothingModeNone));
  antialias_ = on;
  updateCaps();
}
void GdiplusSurface::updateCaps() {
  // At 1 an aliased line covers both end pixels by GDI+'s own rules. At a factor those
  // pixels are several device pixels wide: square ends reach over them, as they do on
  // cairo; antialiased and dotted lines end flat at their end points.
  if (scale_ == 1 || !pen_.handle) return;
  const auto cap = antialias_ || dotted_ ? Gdiplus::LineCapFlat : Gdiplus::LineCapSquare;
  pen_(gp::GdipSetPenStartCap(pen_.handle, cap));
  pen_(gp::GdipSetPenEndCap(pen_.handle, cap));
}
void GdiplusSurface::setClipRect(double x, double y, double w, double h) {
  GpGraphics* g = graphics_.handle;
  if (!g) return;
  // Every device pixel the rectangle touches, so that text clipped to its measured width
  // keeps its last letter at any factor.
  const PixelBox box = touchedPixels(x, y, w, h, scale_, double(1 << 29));  // widths fit an int
  // A clip that holds the whole surface clips nothing. Wine's GDI+ pays for a clip on
  // every later drawing call (about three times the cost of a line), so drop it instead.
  const bool wholeSurface = bounds_.right > bounds_.left && bounds_.bottom > bounds_.top &&
                            box.left <= bounds_.left && box.top <= bounds_.top &&
                            box.right >= bounds_.right && box.bottom >= bounds_.bottom;
  if (wholeSurface) {
    graphics_(gp::GdipResetClip(g));
    return;
  }
  // Set in device pixels: a rectangle set through a scaling transformation becomes a
  // path region, which Wine's GDI+ fills in again for every later drawing call.
  transformFor(Space::device);
  const int left = int(box.left), top = int(box.top);
  graphics_(gp::GdipSetClipRectI(g, left, top, int(box.right) - left, int(box.bottom) - top,
                                 Gdiplus::CombineModeReplace));
}
void GdiplusSurface::setTextAntialias(bool on) {
  if (GpGraphics* g = graphics_.handle)
    graphics_(gp::GdipSetTextRenderingHint(
        g, on ? Gdiplus::TextRenderingHintClearTypeGridFit : Gdiplus::TextRenderingHintSystemDefault));
}
double GdiplusSurface::dpiY() const {
  Gdiplus::REAL dpi = 96;
  if (graphics_.handle && gp::GdipGetDpiY(graphics_.handle, &dpi) != Ok) dpi = 96;
  return dpi;
}

// Wine's GDI+ draws every line aliased whatever the smoothing mode (measured): there the
// band of one-pixel lines gives the pixels of the wide pen at any smoothing.
static bool linesNeverSmoothed() {
  static const bool wine = [] {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
  }();
  return wine;
}

bool GdiplusSurface::strokesThin() const {
  return scale_ != 1 && thinPen_ && (!antialias_ || linesNeverSmoothed()) && !dotted_ && graphics_.handle &&
         std::isfinite(penWidth_) && penWidth_ < 64;
}

// Wine's GDI+ widens every pen over one device pixel into a path (about six times the
// cost of a line): an aliased line of the pen's device width is drawn instead as that
// many one-pixel lines side by side, each reaching over the end pixels as a square end
// would. The band covers the same device pixels.
void GdiplusSurface::strokeThin(float x1, float y1, float x2, float y2) {
  const double device = scale_ * (penWidth_ > 0 ? penWidth_ : 1);
  const int lines = std::max(1, static_cast<int>(std::lround(device)));
  const bool alongX = std::abs(x2 - x1) >= std::abs(y2 - y1);
  // Extension of each end and distance between the lines, in picture coordinates.
  // Antialiased lines end flat at their end points, as on cairo: consecutive segments
  // of a half-transparent trace then do not overlap.
  const float reach = antialias_ ? 0.f : float((lines - 1) / 2.0 / scale_), step = float(1 / scale_);
  auto out = [&](float from, float to, float& a, float& b) {
    const float dir = to >= from ? 1.f : -1.f;
    a = from - dir * reach;
    b = to + dir * reach;
  };
  float a1, a2;
  out(alongX ? x1 : y1, alongX ? x2 : y2, a1, a2);
  for (int i = 0; i < lines; ++i) {
    const float offset = (float(i) - float(lines - 1) / 2) * step;
    if (alongX)
      graphics_(gp::GdipDrawLine(graphics_.handle, thinPen_, a1, y1 + offset, a2, y2 + offset));
    else
      graphics_(gp::GdipDrawLine(graphics_.handle, thinPen_, x1 + offset, a1, x2 + offset, a2));
  }
}

void GdiplusSurface::drawLine(int x1, int y1, int x2, int y2) {
  transformFor(Space::paths);
  if (strokesThin()) return strokeThin(float(x1), float(y1), float(x2), float(y2));
  if (graphics_.handle && pen_.handle)
    graphics_(gp::GdipDrawLineI(graphics_.handle, pen_.handle, x1, y1, x2, y2));
}
void GdiplusSurface::fillRectangle(float x, float y, float w, float h) {
  transformFor(Space::areas);
  if (graphics_.handle && fill_.handle)
    graphics_(gp::GdipFillRectangle(graphics_.handle, fill_.handle, x, y, w, h));
}
void GdiplusSurface::drawRectangle(float x, float y, float w, float h) {
  transformFor(Space::paths);
  if (strokesThin() && w >= 0 && h >= 0) {
    strokeThin(x, y, x + w, y);
    strokeThin(x, y + h, x + w, y + h);
    strokeThin(x, y, x, y + h);
    strokeThin(x + w, y, x + w, y + h);
    return;
  }
  if (graphics_.handle && pen_.handle)
    graphics_(gp::GdipDrawRectangle(graphics_.handle, pen_.handle, x, y, w, h));
}
void GdiplusSurface::fillEllipse(int x, int y, int w, int h) {
  transformFor(Space::paths);
  if (graphics_.handle && fill_.handle)
    graphics_(gp::GdipFillEllipseI(graphics_.handle, fill_.handle, x, y, w, h));
}
void GdiplusSurface::drawEllipse(int x, int y, int w, int h) {
  transformFor(Space::paths);
  if (graphics_.handle && pen_.handle)
    graphics_(gp::GdipDrawEllipseI(graphics_.handle, pen_.handle, x, y, w, h));
}

void GdiplusSurface::fillArc(float x, float y, float w, float h, float start, float sweep) {
  transformFor(Space::paths);
  if (!graphics_.handle || !fill_.handle) return;
  GpPath* path = nullptr;
  if (graphics_(gp::GdipCreatePath(Gdiplus::FillModeAlternate, &path)) != Ok) return;
  if (graphics_(gp::GdipAddPathArc(path, x, y, w, h, start, sweep)) == Ok)
    graphics_(gp::GdipFillPath(graphics_.handle, fill_.handle, path));
  gp::GdipDeletePath(path);
}
void GdiplusSurface::drawArc(float x, float y, float w, float h, float start, float sweep) {
  transformFor(Space::paths);
  if (!graphics_.handle || !pen_.handle) return;
  GpPath* path = nullptr;
  if (graphics_(gp::GdipCreatePath(Gdiplus::FillModeAlternate, &path)) != Ok) return;
  if (graphics_(gp::GdipAddPathArc(path, x, y, w, h, start, sweep)) == Ok)
    graphics_(gp::GdipDrawPath(graphics_.handle, pen_.handle, path));
  gp::GdipDeletePath(path);
}

// The seam's points have GDI+'s point layout: two single-precision coordinates.
static_assert(sizeof(PointF) == sizeof(Gdiplus::GpPointF));
static const Gdiplus::GpPointF* asGdiplus(const PointF* pts) {
  return reinterpret_cast<const Gdiplus::GpPointF*>(pts);
}
void GdiplusSurface::fillPolygon(const PointF* pts, int count) {
  transformFor(Space::paths);
  if (graphics_.handle && fill_.handle && pts && count > 0)
    graphics_(gp::GdipFillPolygon(graphics_.handle, fill_.handle, asGdiplus(pts), count,
                                  Gdiplus::FillModeAlternate));
}
void GdiplusSurface::drawPolygon(const PointF* pts, int count) {
  transformFor(Space::paths);
  if (graphics_.handle && pen_.handle && pts && count > 0)
    graphics_(gp::GdipDrawPolygon(graphics_.handle, pen_.handle, asGdiplus(pts), count));
}
void GdiplusSurface::drawLines(const PointF* pts, int count) {
  transformFor(Space::paths);
  if (strokesThin() && pts && count > 1) {
    for (int i = 1; i < count; ++i) strokeThin(pts[i - 1].x, pts[i - 1].y, pts[i].x, pts[i].y);
    return;
  }
  if (graphics_.handle && pen_.handle && pts && count > 0)
    graphics_(gp::GdipDrawLines(graphics_.handle, pen_.handle, asGdiplus(pts), count));
}

void GdiplusSurface::drawString(const PlatformFont& font, std::string_view utf8, float x, float y) {
  transformFor(Space::areas);
  auto* gf = dynamic_cast<const GdiplusFont*>(&font);
  if (!graphics_.handle || !text_.handle || !gf) return;
  GpFont* handle = gf->handle();
  WideText text(utf8);
  if (!handle || text.length() == 0) return;
  Gdiplus::RectF layout(x, y, 0, 0);  // zero size: no wrapping, no clipping by the layout
  graphics_(gp::GdipDrawString(graphics_.handle, text.data(), text.length(), handle, &layout, nullptr,
                               text_.handle));
}

void GdiplusSurface::drawBitmap(const PlatformBitmap& bmp, int dx, int dy, int sx, int sy, int w, int h,
                                uint8_t alpha) {
  transformFor(Space::areas);
  auto* source = dynamic_cast<const GdiplusBitmap*>(&bmp);
  GpGraphics* g = graphics_.handle;
  if (!g || !source || !source->handle()) return;
  if (scale_ != 1) {
    // Resampling on every pass costs more than the rest of the picture under Wine: the
    // image is resampled once for the factor and copied 1:1 onto device pixels.
    if (const GdiplusBitmap* big = source->resampled(scale_)) {
      auto device = [&](int v) { return static_cast<int>(std::lround(v * double(scale_))); };
      const int left = device(dx), top = device(dy);
      transformFor(Space::device);
      source = big;
      w = device(dx + w) - left;
      h = device(dy + h) - top;
      sx = device(sx);
      sy = device(sy);
      dx = left;
      dy = top;
    }
  }
  if (alpha == 255) {
    graphics_(gp::GdipDrawImageRectRectI(g, source->handle(), dx, dy, w, h, sx, sy, w, h, Gdiplus::UnitPixel,
                                         nullptr, nullptr, nullptr));
    return;
  }
  // Constant opacity: copy the part into a temporary bitmap, then draw that with a
  // colour matrix that scales alpha only.
  Gdiplus::GpImageAttributes* attributes = nullptr;
  if (graphics_(gp::GdipCreateImageAttributes(&attributes)) != Ok) return;
  Gdiplus::ColorMatrix matrix{};
  for (int i = 0; i < 5; ++i) matrix.m[i][i] = 1;
  matrix.m[3][3] = alpha / 255.0f;
  graphics_(gp::GdipSetImageAttributesColorMatrix(attributes, Gdiplus::ColorAdjustTypeDefault, TRUE, &matrix,
                                                  nullptr, Gdiplus::ColorMatrixFlagsDefault));
  GpBitmap* part = nullptr;
  GpGraphics* partGraphics = nullptr;
  if (w > 0 && h > 0 && gp::GdipCreateBitmapFromScan0(w, h, 0, PixelFormat32bppARGB, nullptr, &part) == Ok) {
    if (gp::GdipGetImageGraphicsContext(part, &partGraphics) == Ok) {
      gp::GdipDrawImageRectRectI(partGraphics, source->handle(), 0, 0, w, h, sx, sy, w, h, Gdiplus::UnitPixel,
                                 nullptr, nullptr, nullptr);
      graphics_(gp::GdipDrawImageRectRectI(g, part, dx, dy, w, h, 0, 0, w, h, Gdiplus::UnitPixel, attributes,
                                           nullptr, nullptr));
      gp::GdipDeleteGraphics(partGraphics);
    }
    gp::GdipDisposeImage(part);
  }
  gp::GdipDisposeImageAttributes(attributes);
}

}  // namespace Toolkit::win

// ---- The platform factories of the raster seam ----
namespace Toolkit::platform {
using namespace Toolkit::win;

std::unique_ptr<PlatformFont> makeFont(const char* family, double pixelSize, int style) {
  return std::make_unique<GdiplusFont>(family, pixelSize, style);
}

std::unique_ptr<PlatformBitmap> decodePng(const void* bytes, std::size_t size) {
  if (!bytes || size == 0 || size > UINT32_MAX) return nullptr;
  GdiplusRef running;
  auto* stream = new ResourceStream(bytes, uint32_t(size));
  GpBitmap* decoded = nullptr;
  GpStatus status = gp::GdipCreateBitmapFromStreamICM(stream, &decoded);
  stream->Release();  // the decoder holds its own reference while it needs one
  if (status != Gdiplus::Ok || !decoded) return nullptr;
  return argbCopyOf(decoded);
}

std::unique_ptr<PlatformBitmap> loadImageFile(const char* path) {
  std::wstring wide = widenPath(path);
  if (wide.empty()) return nullptr;
  GdiplusRef running;
  GpBitmap* decoded = nullptr;
  if (gp::GdipCreateBitmapFromFile(wide.c_str(), &decoded) != Gdiplus::Ok || !decoded) return nullptr;
  return argbCopyOf(decoded);  // disposes the file's bitmap: the file is not held open
}

std::unique_ptr<PlatformBitmap> makeBitmap(int width, int height) {
  if (width <= 0 || height <= 0) return nullptr;
  GdiplusRef running;
  GpBitmap* bitmap = nullptr;
  if (gp::GdipCreateBitmapFromScan0(width, height, 0, PixelFormat32bppARGB, nullptr, &bitmap) != Gdiplus::Ok)
    return nullptr;
  return std::make_unique<GdiplusBitmap>(bitmap);
}

std::unique_ptr<RasterSurface> surfaceFor(PlatformBitmap& target, double scale) {
  auto* bitmap = dynamic_cast<GdiplusBitmap*>(&target);
  if (!bitmap) return nullptr;
  return std::make_unique<GdiplusSurface>(*bitmap, scale);
}

bool writePng(const PlatformBitmap& bmp, const char* path) {
  auto* bitmap = dynamic_cast<const GdiplusBitmap*>(&bmp);
  std::wstring wide;
  if (path && *path) {
    const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path, -1, nullptr, 0);
    wide.assign(size_t(std::max(n, 1)), L'\0');
    if (n <= 0 || MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path, -1, wide.data(), n) != n)
      wide = widenPath(path);  // not UTF-8: the code page's, as before
    else
      wide.resize(size_t(n - 1));
  }
  if (!bitmap || !bitmap->handle() || wide.empty()) return false;
  GdiplusRef running;
  CLSID png;
  if (!encoderClsid(L"image/png", png)) return false;
  return gp::GdipSaveImageToFile(bitmap->handle(), wide.c_str(), &png, nullptr) == Gdiplus::Ok;
}

}  // namespace Toolkit::platform
