#include "gui/linux/cairo_surface.h"

#include <algorithm>
#include <cmath>

#include "gui/linux/cairo_font.h"

namespace Toolkit {

namespace {

// cairo keeps coordinates in 24.8 fixed point; beyond about 8 million they wrap.
constexpr double kLimit = 4194304.0;
constexpr double kPi = 3.14159265358979323846;

bool inRange(double v) { return v >= -kLimit && v <= kLimit; }
double clampRange(double v) { return std::clamp(v, -kLimit, kLimit); }

// Cuts the segment to the safe square (Liang-Barsky); false when nothing is left.
bool clipSegment(double& x1, double& y1, double& x2, double& y2) {
  double t0 = 0, t1 = 1;
  const double dx = x2 - x1, dy = y2 - y1;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {x1 + kLimit, kLimit - x1, y1 + kLimit, kLimit - y1};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0)
      t0 = std::max(t0, t);
    else
      t1 = std::min(t1, t);
    if (t0 > t1) return false;
  }
  const double ox = x1, oy = y1;
  x1 = ox + t0 * dx;
  y1 = oy + t0 * dy;
  x2 = ox + t1 * dx;
  y2 = oy + t1 * dy;
  return true;
}

double channel(PackedColor c, int shift) { return ((c >> shift) & 0xFF) / 255.0; }

}  // namespace

// ---- CairoBitmap ----

CairoBitmap::CairoBitmap(cairo_surface_t* image) : image_(image) {}
CairoBitmap::~CairoBitmap() { cairo_surface_destroy(image_); }
int CairoBitmap::width() const { return cairo_image_surface_get_width(image_); }
int CairoBitmap::height() const { return cairo_image_surface_get_height(image_); }

uint32_t CairoBitmap::pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width() || y >= height()) return 0;
  cairo_surface_flush(image_);
  const unsigned char* row =
      cairo_image_surface_get_data(image_) + y * cairo_image_surface_get_stride(image_);
  return reinterpret_cast<const uint32_t*>(row)[x];
}

// ---- CairoSurface ----

CairoSurface::CairoSurface(cairo_surface_t* target, double scale) : cr_(cairo_create(target)) { init(scale); }

CairoSurface::CairoSurface(cairo_t* cr, double scale) : cr_(cairo_reference(cr)) { init(scale); }

void CairoSurface::init(double scale) {
  pen_ = fill_ = text_ = packColor(0, 0, 0, 255);
  cairo_set_antialias(cr_, CAIRO_ANTIALIAS_NONE);
  cairo_set_operator(cr_, CAIRO_OPERATOR_OVER);
  cairo_reset_clip(cr_);
  // At 1 the transformation stays untouched, so every pixel is as it always was.
  scaled_ = scale != 1 && std::isfinite(scale) && scale > 0;
  if (scaled_) cairo_scale(cr_, scale, scale);
}

CairoSurface::~CairoSurface() { cairo_destroy(cr_); }

void CairoSurface::source(PackedColor c) {
  cairo_set_source_rgba(cr_, channel(c, 0), channel(c, 8), channel(c, 16), channel(c, 24));
}

void CairoSurface::setAntialias(bool on) {
  antialias_ = on;
  cairo_set_antialias(cr_, on ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
}

void CairoSurface::setClipRect(double x, double y, double w, double h) {
  cairo_reset_clip(cr_);
  cairo_new_path(cr_);
  // Set in device pixels, every one the rectangle touches: through the factor cairo
  // would keep only those whose centres an edge inside a pixel leaves inside. (Not
  // through cairo_save: restoring would drop the clip too.)
  double left = x, top = y, right = x + w, bottom = y + h;
  cairo_user_to_device(cr_, &left, &top);
  cairo_user_to_device(cr_, &right, &bottom);
  const PixelBox box = touchedPixels(left, top, right - left, bottom - top, 1, kLimit);
  cairo_matrix_t user;
  cairo_get_matrix(cr_, &user);
  cairo_identity_matrix(cr_);
  cairo_rectangle(cr_, box.left, box.top, box.right - box.left, box.bottom - box.top);
  cairo_set_antialias(cr_, CAIRO_ANTIALIAS_NONE);
  cairo_clip(cr_);
  cairo_set_antialias(cr_, antialias_ ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
  cairo_set_matrix(cr_, &user);
}

void CairoSurface::stroke() {
  // A pen of width 0 still draws one pixel wide, as the Windows pen does.
  const double width = penWidth_ > 0 && std::isfinite(penWidth_) ? std::min(penWidth_, kLimit) : 1;
  cairo_set_line_width(cr_, width);
  if (dotted_) {
    const double dash[2] = {width, width};
    cairo_set_dash(cr_, dash, 2, 0);
  } else {
    cairo_set_dash(cr_, nullptr, 0, 0);
  }
  // Aliased solid lines include both end pixels; antialiased ones end flat at the
  // end points' centres.
  cairo_set_line_cap(cr_, antialias_ || dotted_ ? CAIRO_LINE_CAP_BUTT : CAIRO_LINE_CAP_SQUARE);
  cairo_set_line_join(cr_, CAIRO_LINE_JOIN_MITER);
  source(pen_);
  cairo_stroke(cr_);
}

void CairoSurface::drawLine(int x1, int y1, int x2, int y2) {
  double ax = x1 + 0.5, ay = y1 + 0.5, bx = x2 + 0.5, by = y2 + 0.5;
  if (!clipSegment(ax, ay, bx, by)) return;
  cairo_new_path(cr_);
  cairo_move_to(cr_, ax, ay);
  cairo_line_to(cr_, bx, by);
  stroke();
}

void CairoSurface::fillRectangle(float x, float y, float w, float h) {
  if (!(w > 0 && h > 0)) return;
  const double left = clampRange(x), top = clampRange(y);
  cairo_new_path(cr_);
  cairo_rectangle(cr_, left, top, clampRange(double(x) + w) - left, clampRange(double(y) + h) - top);
  source(fill_);
  cairo_fill(cr_);
}

void CairoSurface::drawRectangle(float x, float y, float w, float h) {
  if (!(w >= 0 && h >= 0) || !inRange(x) || !inRange(y) || !inRange(double(x) + w) || !inRange(double(y) + h))
    return;
  cairo_new_path(cr_);
  cairo_rectangle(cr_, x + 0.5, y + 0.5, w, h);
  stroke();
}

bool CairoSurface::ellipsePath(double x, double y, double w, double h, double start, double sweep) {
  // A zero-size ellipse would make the transformation singular.
  if (w == 0 || h == 0 || !inRange(x) || !inRange(y) || !inRange(x + w) || !inRange(y + h) ||
      !std::isfinite(start) || !std::isfinite(sweep))
    return false;
  cairo_new_path(cr_);
  cairo_save(cr_);
  cairo_translate(cr_, x + 0.5 + w / 2, y + 0.5 + h / 2);
  cairo_scale(cr_, w / 2, h / 2);
  const double a0 = start * kPi / 180, a1 = (start + sweep) * kPi / 180;
  cairo_arc(cr_, 0, 0, 1, a0, a1);
  cairo_restore(cr_);
  return true;
}

void CairoSurface::fillEllipse(int x, int y, int w, int h) {
  if (w <= 0 || h <= 0 || !ellipsePath(x, y, w, h, 0, 360)) return;
  cairo_close_path(cr_);
  source(fill_);
  cairo_fill(cr_);
}

void CairoSurface::drawEllipse(int x, int y, int w, int h) {
  if (w <= 0 || h <= 0 || !ellipsePath(x, y, w, h, 0, 360)) return;
  cairo_close_path(cr_);
  stroke();
}

// Filling the single arc closes it with its chord, as filling an arc path does on Windows.
void CairoSurface::fillArc(float x, float y, float w, float h, float start, float sweep) {
  if (!ellipsePath(x, y, w, h, start, sweep)) return;
  source(fill_);
  cairo_fill(cr_);
}

void CairoSurface::drawArc(float x, float y, float w, float h, float start, float sweep) {
  if (!ellipsePath(x, y, w, h, start, sweep)) return;
  stroke();
}

bool CairoSurface::polygonPath(const PointF* pts, int count, bool close) {
  if (!pts || count < 2) return false;
  for (int i = 0; i < count; ++i)
    if (!inRange(pts[i].x) || !inRange(pts[i].y)) return false;
  cairo_new_path(cr_);
  cairo_move_to(cr_, pts[0].x + 0.5, pts[0].y + 0.5);
  for (int i = 1; i < count; ++i) cairo_line_to(cr_, pts[i].x + 0.5, pts[i].y + 0.5);
  if (close) cairo_close_path(cr_);
  return true;
}

void CairoSurface::fillPolygon(const PointF* pts, int count) {
  if (!polygonPath(pts, count, true)) return;
  cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_EVEN_ODD);
  source(fill_);
  cairo_fill(cr_);
}

void CairoSurface::drawPolygon(const PointF* pts, int count) {
  if (polygonPath(pts, count, true)) stroke();
}

void CairoSurface::drawLines(const PointF* pts, int count) {
  if (polygonPath(pts, count, false)) stroke();
}

void CairoSurface::drawString(const PlatformFont& font, std::string_view utf8, float x, float y) {
  const auto* cf = dynamic_cast<const CairoFont*>(&font);
  if (!cf || !cf->valid() || utf8.empty() || !inRange(x) || !inRange(y)) return;
  const CairoText text(utf8);
  cairo_font_options_t* options = cairo_font_options_create();
  // Greyscale is the nearest to a ClearType hint on a surface with alpha.
  cairo_font_options_set_antialias(options, textAntialias_ ? CAIRO_ANTIALIAS_GRAY : CAIRO_ANTIALIAS_DEFAULT);
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_set_font_options(cr_, options);
  cairo_font_options_destroy(options);
  cairo_set_font_face(cr_, cf->face());
  cairo_set_font_size(cr_, cf->size());
  source(text_);
  // (x, y) is the top of the line box; glyphs sit on the baseline an ascent below.
  const double baseline = y + cf->ascent();
  cairo_new_path(cr_);
  cairo_move_to(cr_, x, baseline);
  cairo_show_text(cr_, text.c_str());
  if (cf->underlined()) {
    const double thickness = std::max(1.0, cf->size() / 14);
    cairo_new_path(cr_);
    cairo_rectangle(cr_, x, baseline + std::max(1.0, cf->size() / 10), cf->measure(utf8), thickness);
    cairo_fill(cr_);
  }
}

void CairoSurface::drawBitmap(const PlatformBitmap& bmp, int dx, int dy, int sx, int sy, int w, int h,
                              uint8_t alpha) {
  const auto* cb = dynamic_cast<const CairoBitmap*>(&bmp);
  if (!cb || w <= 0 || h <= 0 || !inRange(dx) || !inRange(dy) || !inRange(double(dx) - sx) ||
      !inRange(double(dy) - sy))
    return;
  cairo_save(cr_);
  cairo_new_path(cr_);
  cairo_rectangle(cr_, dx, dy, std::min<double>(w, kLimit), std::min<double>(h, kLimit));
  cairo_set_antialias(cr_, CAIRO_ANTIALIAS_NONE);
  cairo_clip(cr_);
  cairo_set_source_surface(cr_, cb->surface(), double(dx) - sx, double(dy) - sy);
  // 1:1 copies stay exact; at a factor the image is resampled smoothly, its edge
  // pixels repeated so that its border does not fade.
  cairo_pattern_set_filter(cairo_get_source(cr_), scaled_ ? CAIRO_FILTER_BILINEAR : CAIRO_FILTER_NEAREST);
  if (scaled_) cairo_pattern_set_extend(cairo_get_source(cr_), CAIRO_EXTEND_PAD);
  if (alpha == 255)
    cairo_paint(cr_);
  else
    cairo_paint_with_alpha(cr_, alpha / 255.0);
  cairo_restore(cr_);
}

}  // namespace Toolkit
