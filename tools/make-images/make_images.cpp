// Draws the plug-in's four images and writes them as PNG files:
//   make-images <output folder>
// The artwork is drawn from geometry alone (text included, with a small stroke
// font below), so every run gives the same pictures whatever fonts are installed.
// Each written file is read back and its size and PNG colour type checked.
#include <cairo.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

// ---- A stroke font: glyphs on a grid with the baseline at 0, x-height 3, caps 5. ----
struct Stroke {
  enum Kind { Line, Arc } kind;
  std::vector<double> v;  // Line: x0 y0 x1 y1 ...; Arc: cx cy r a0 a1 (degrees, counter-clockwise)
};
struct Glyph {
  char c;
  double width;
  std::vector<Stroke> strokes;
};

Stroke L(std::vector<double> v) { return {Stroke::Line, std::move(v)}; }
Stroke A(double cx, double cy, double r, double a0, double a1) { return {Stroke::Arc, {cx, cy, r, a0, a1}}; }

const std::vector<Glyph>& glyphs() {
  static const std::vector<Glyph> table = {
      {'a', 2.6, {A(1.3, 1.5, 1.3, 0, 360), L({2.6, 3, 2.6, 0})}},
      {'c', 2.6, {A(1.45, 1.5, 1.5, 45, 315)}},
      {'e', 2.9, {L({0.05, 1.5, 2.9, 1.5}), A(1.45, 1.5, 1.45, 0, 320)}},
      {'i', 0, {L({0, 0, 0, 3}), L({0, 4.1, 0, 4.3})}},
      {'l', 0, {L({0, 0, 0, 5})}},
      {'m',
       3.2,
       {L({0, 0, 0, 3}), L({0, 2.2, 0.5, 2.9, 1.1, 3, 1.6, 2.5, 1.6, 0}),
        L({1.6, 2.5, 2.1, 3, 2.7, 2.9, 3.2, 2.3, 3.2, 0})}},
      {'p', 2.7, {L({0, 3, 0, -2}), A(1.3, 1.5, 1.4, 0, 360)}},
      {'q', 2.7, {L({2.7, 3, 2.7, -2}), A(1.4, 1.5, 1.4, 0, 360)}},
      {'r', 2.0, {L({0, 0, 0, 3}), L({0, 2.0, 0.6, 2.8, 1.4, 3, 2.0, 2.8})}},
      {'t', 1.8, {L({0.7, 4.4, 0.7, 0.6, 1.0, 0.05, 1.8, 0}), L({0, 3, 1.8, 3})}},
      {'u', 2.4, {L({0, 3, 0, 1.2}), A(1.2, 1.2, 1.2, 180, 360), L({2.4, 1.2, 2.4, 3}), L({2.4, 3, 2.4, 0})}},
      {'x', 2.6, {L({0, 0, 2.6, 3}), L({0, 3, 2.6, 0})}},
      {'.', 0, {L({0, 0, 0, 0.2})}},
      {'B',
       3.3,
       {L({1.8, 0, 0, 0, 0, 5, 1.8, 5}), A(1.8, 3.8, 1.2, -90, 90), L({0, 2.6, 2.0, 2.6}),
        A(2.0, 1.3, 1.3, -90, 90)}},
  };
  return table;
}

const Glyph* glyphFor(char c) {
  for (const Glyph& g : glyphs())
    if (g.c == c) return &g;
  return nullptr;
}

constexpr double kGap = 1.2;  // space between glyphs, in grid units

double textWidth(const char* text) {
  double w = 0;
  for (const char* p = text; *p; ++p)
    if (const Glyph* g = glyphFor(*p)) w += g->width + (p[1] ? kGap : 0);
  return w;
}

// Adds the text's strokes to the current path; (x, y) is the start of the baseline.
void textPath(cairo_t* cr, const char* text, double x, double y, double scale) {
  for (const char* p = text; *p; ++p) {
    const Glyph* g = glyphFor(*p);
    if (!g) continue;
    for (const Stroke& s : g->strokes) {
      if (s.kind == Stroke::Line) {
        cairo_move_to(cr, x + s.v[0] * scale, y - s.v[1] * scale);
        for (size_t i = 2; i + 1 < s.v.size(); i += 2)
          cairo_line_to(cr, x + s.v[i] * scale, y - s.v[i + 1] * scale);
      } else {
        // Counter-clockwise in grid units is clockwise on screen (y grows downward).
        cairo_new_sub_path(cr);
        cairo_arc_negative(cr, x + s.v[0] * scale, y - s.v[1] * scale, s.v[2] * scale, -s.v[3] * kPi / 180,
                           -s.v[4] * kPi / 180);
      }
    }
    x += (g->width + kGap) * scale;
  }
}

// Text with a soft halo: wide faint strokes under a crisp one.
void glowText(cairo_t* cr, const char* text, double x, double y, double scale, double r, double g, double b) {
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  const double halo[][2] = {{5.0, 0.10}, {3.4, 0.18}, {2.2, 0.30}};
  for (const auto& h : halo) {
    cairo_new_path(cr);
    textPath(cr, text, x, y, scale);
    cairo_set_source_rgba(cr, r, g, b, h[1]);
    cairo_set_line_width(cr, h[0] * scale * 0.35);
    cairo_stroke(cr);
  }
  cairo_new_path(cr);
  textPath(cr, text, x, y, scale);
  cairo_set_source_rgba(cr, 0.92, 1.0, 0.98, 1.0);
  cairo_set_line_width(cr, 0.42 * scale);
  cairo_stroke(cr);
}

// ---- The four pictures ----

// 0: opaque logo tile: dark teal ground, a glowing ring and a quill. The ring leaves
// the top rows to the caption overlay and the bottom rows to the link text and the
// version number that the editor writes at (15, 85).
constexpr double kRingX = 49.5, kRingY = 45, kRingR = 26;
void drawLogo(cairo_t* cr) {
  cairo_pattern_t* ground = cairo_pattern_create_linear(0, 0, 0, 99);
  cairo_pattern_add_color_stop_rgb(ground, 0, 0.02, 0.07, 0.08);
  cairo_pattern_add_color_stop_rgb(ground, 1, 0.03, 0.15, 0.17);
  cairo_set_source(cr, ground);
  cairo_paint(cr);
  cairo_pattern_destroy(ground);

  cairo_pattern_t* glow = cairo_pattern_create_radial(kRingX, kRingY, 2, kRingX, kRingY, 44);
  cairo_pattern_add_color_stop_rgba(glow, 0, 0.25, 0.95, 0.85, 0.75);
  cairo_pattern_add_color_stop_rgba(glow, 0.45, 0.05, 0.60, 0.58, 0.35);
  cairo_pattern_add_color_stop_rgba(glow, 1, 0.0, 0.20, 0.22, 0.0);
  cairo_set_source(cr, glow);
  cairo_paint(cr);
  cairo_pattern_destroy(glow);

  // Ring with a halo.
  for (int i = 3; i >= 0; --i) {
    cairo_new_path(cr);
    cairo_arc(cr, kRingX, kRingY, kRingR, 0, 2 * kPi);
    cairo_set_source_rgba(cr, 0.35, 1.0, 0.90, i == 0 ? 0.9 : 0.12);
    cairo_set_line_width(cr, i == 0 ? 1.6 : 1.6 + 2.2 * i);
    cairo_stroke(cr);
  }

  // Quill: a curved vane around a shaft, tip at the lower left, drawn for a ring of
  // radius 30 and scaled into this one.
  cairo_translate(cr, kRingX, kRingY);
  cairo_scale(cr, kRingR / 30, kRingR / 30);
  cairo_translate(cr, -49.5, -47);
  auto vane = [cr] {
    cairo_new_path(cr);
    cairo_move_to(cr, 34, 68);
    cairo_curve_to(cr, 38, 50, 52, 30, 70, 22);
    cairo_curve_to(cr, 68, 38, 58, 54, 40, 64);
    cairo_close_path(cr);
  };
  vane();
  cairo_set_source_rgba(cr, 0.45, 1.0, 0.92, 0.25);
  cairo_set_line_width(cr, 6);
  cairo_stroke(cr);
  vane();
  cairo_pattern_t* feather = cairo_pattern_create_linear(34, 68, 70, 22);
  cairo_pattern_add_color_stop_rgb(feather, 0, 0.55, 1.0, 0.93);
  cairo_pattern_add_color_stop_rgb(feather, 1, 0.90, 1.0, 0.98);
  cairo_set_source(cr, feather);
  cairo_fill(cr);
  cairo_pattern_destroy(feather);
  // Barbs: thin dark cuts across the vane.
  cairo_set_source_rgba(cr, 0.03, 0.25, 0.27, 0.7);
  cairo_set_line_width(cr, 0.8);
  for (int i = 0; i < 6; ++i) {
    double t = 0.18 + 0.12 * i;
    double sx = 34 + (70 - 34) * t, sy = 68 + (22 - 68) * t;
    cairo_move_to(cr, sx, sy);
    cairo_line_to(cr, sx + 7 - i * 0.6, sy + 2.5);
  }
  cairo_stroke(cr);
  // Shaft and nib.
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_source_rgb(cr, 0.95, 1.0, 0.99);
  cairo_set_line_width(cr, 1.3);
  cairo_move_to(cr, 28, 76);
  cairo_curve_to(cr, 40, 56, 54, 38, 70, 22);
  cairo_stroke(cr);
}

// 1: overlay: one line of link text near the bottom.
void drawLinkText(cairo_t* cr) {
  const char* text = "quillmere.example";
  double scale = 1.55;
  double x = (99 - textWidth(text) * scale) / 2;
  glowText(cr, text, x, 83, scale, 0.3, 0.95, 0.9);
}

// 2: overlay: the product caption near the top.
void drawCaption(cairo_t* cr) {
  const char* text = "Brimtrace";
  double scale = 2.4;
  double x = (99 - textWidth(text) * scale) / 2;
  glowText(cr, text, x, 17, scale, 0.3, 0.95, 0.9);
}

// 3: a glowing square, lit.
void drawSquare(cairo_t* cr) {
  auto square = [cr](double inset) {
    double r = 5, x0 = inset, y0 = inset, x1 = 50 - inset, y1 = 50 - inset;
    cairo_new_path(cr);
    cairo_arc(cr, x1 - r, y0 + r, r, -kPi / 2, 0);
    cairo_arc(cr, x1 - r, y1 - r, r, 0, kPi / 2);
    cairo_arc(cr, x0 + r, y1 - r, r, kPi / 2, kPi);
    cairo_arc(cr, x0 + r, y0 + r, r, kPi, 3 * kPi / 2);
    cairo_close_path(cr);
  };
  for (int i = 6; i >= 1; --i) {  // halo, fading outward
    square(10);
    cairo_set_source_rgba(cr, 0.2, 0.95, 0.85, 0.07);
    cairo_set_line_width(cr, 2.6 * i);
    cairo_stroke(cr);
  }
  square(10);
  cairo_pattern_t* lit = cairo_pattern_create_radial(25, 22, 1, 25, 25, 20);
  cairo_pattern_add_color_stop_rgba(lit, 0, 0.85, 1.0, 0.97, 0.95);
  cairo_pattern_add_color_stop_rgba(lit, 1, 0.10, 0.75, 0.70, 0.85);
  cairo_set_source(cr, lit);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(lit);
  cairo_set_source_rgba(cr, 0.9, 1.0, 0.98, 1.0);
  cairo_set_line_width(cr, 1.2);
  cairo_stroke(cr);
}

// ---- Writing and checking ----

struct Picture {
  const char* fileName;
  int size;
  bool opaque;  // written as 8-bit RGB (colour type 2), else 8-bit RGBA (type 6)
  void (*draw)(cairo_t*);
};

const Picture kPictures[] = {
    {"QUILLMERE_LogoTealGlow.PNG", 99, true, drawLogo},
    {"QUILLMERE_WebLinkText.png", 99, false, drawLinkText},
    {"QUILLMERE_LogoTealGlow_Brimtrace.png", 99, false, drawCaption},
    {"50x50square_top_ON.png", 50, false, drawSquare},
};

uint32_t bigEndian(const unsigned char* p) { return uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

// Reads the header chunk: width, height, bit depth 8 and colour type as asked.
bool checkHeader(const std::string& path, const Picture& pic) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  unsigned char h[29] = {};
  size_t n = std::fread(h, 1, sizeof h, f);
  std::fclose(f);
  static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (n != sizeof h || std::memcmp(h, signature, 8) != 0 || std::memcmp(h + 12, "IHDR", 4) != 0) return false;
  int colourType = pic.opaque ? 2 : 6;
  return bigEndian(h + 16) == uint32_t(pic.size) && bigEndian(h + 20) == uint32_t(pic.size) && h[24] == 8 &&
         h[25] == colourType;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
    return 2;
  }
  std::string folder = argv[1];
  if (!folder.empty() && folder.back() != '/') folder += '/';
  int failures = 0;
  for (const Picture& pic : kPictures) {
    // cairo writes RGB for an RGB24 surface and RGBA for an ARGB32 one with transparency.
    cairo_surface_t* s =
        cairo_image_surface_create(pic.opaque ? CAIRO_FORMAT_RGB24 : CAIRO_FORMAT_ARGB32, pic.size, pic.size);
    cairo_t* cr = cairo_create(s);
    pic.draw(cr);
    cairo_destroy(cr);
    std::string path = folder + pic.fileName;
    cairo_status_t st = cairo_surface_write_to_png(s, path.c_str());
    cairo_surface_destroy(s);
    if (st != CAIRO_STATUS_SUCCESS || !checkHeader(path, pic)) {
      std::fprintf(stderr, "make-images: %s: not written as a %dx%d %s PNG\n", path.c_str(), pic.size,
                   pic.size, pic.opaque ? "RGB" : "RGBA");
      ++failures;
    } else {
      std::printf("%s\n", path.c_str());
    }
  }
  return failures ? 1 : 0;
}
