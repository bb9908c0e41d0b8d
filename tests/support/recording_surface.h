// A RasterSurface that records every call with its arguments, so tests can check the
// exact coordinates and settings a drawing context hands to a platform.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

#include "gui/raster.h"

namespace brimtrace_test {

using Toolkit::PackedColor;

struct Call {
  std::string op;
  std::vector<double> args;
  std::string text;  // drawString only
  const Toolkit::PlatformFont* font = nullptr;

  std::string str() const {
    std::string s = op;
    const bool colour = op.find("Color") != std::string::npos;
    for (double a : args) {
      char buf[40];
      if (colour)
        std::snprintf(buf, sizeof buf, " %08x", static_cast<unsigned>(a));  // AABBGGRR
      else
        std::snprintf(buf, sizeof buf, " %.9g", a);
      s += buf;
    }
    if (!text.empty()) s += " \"" + text + "\"";
    return s;
  }
};

class RecordingSurface : public Toolkit::RasterSurface {
public:
  std::vector<Call>* log;  // outlives the surface, which the context owns
  explicit RecordingSurface(std::vector<Call>* sink) : log(sink) {}

  void setPenColor(PackedColor c) override { add("setPenColor", {double(c)}); }
  void setPenWidth(double w) override { add("setPenWidth", {w}); }
  void setPenDotted(bool d) override { add("setPenDotted", {double(d)}); }
  void setFillColor(PackedColor c) override { add("setFillColor", {double(c)}); }
  void setTextColor(PackedColor c) override { add("setTextColor", {double(c)}); }
  void setAntialias(bool on) override { add("setAntialias", {double(on)}); }
  void setClipRect(double x, double y, double w, double h) override { add("setClipRect", {x, y, w, h}); }
  void setTextAntialias(bool on) override { add("setTextAntialias", {double(on)}); }
  double dpiY() const override { return 96; }

  void drawLine(int x1, int y1, int x2, int y2) override {
    add("drawLine", {double(x1), double(y1), double(x2), double(y2)});
  }
  void fillRectangle(float x, float y, float w, float h) override { add("fillRectangle", {x, y, w, h}); }
  void drawRectangle(float x, float y, float w, float h) override { add("drawRectangle", {x, y, w, h}); }
  void fillEllipse(int x, int y, int w, int h) override {
    add("fillEllipse", {double(x), double(y), double(w), double(h)});
  }
  void drawEllipse(int x, int y, int w, int h) override {
    add("drawEllipse", {double(x), double(y), double(w), double(h)});
  }
  void fillArc(float x, float y, float w, float h, float s, float sw) override {
    add("fillArc", {x, y, w, h, s, sw});
  }
  void drawArc(float x, float y, float w, float h, float s, float sw) override {
    add("drawArc", {x, y, w, h, s, sw});
  }
  void fillPolygon(const Toolkit::PointF* p, int n) override { points("fillPolygon", p, n); }
  void drawPolygon(const Toolkit::PointF* p, int n) override { points("drawPolygon", p, n); }
  void drawLines(const Toolkit::PointF* p, int n) override { points("drawLines", p, n); }
  void drawString(const Toolkit::PlatformFont& f, std::string_view s, float x, float y) override {
    log->push_back({"drawString", {x, y}, std::string(s), &f});
  }
  void drawBitmap(const Toolkit::PlatformBitmap&, int dx, int dy, int sx, int sy, int w, int h,
                  uint8_t alpha) override {
    add("drawBitmap", {double(dx), double(dy), double(sx), double(sy), double(w), double(h), double(alpha)});
  }

private:
  void add(const char* op, std::vector<double> args) { log->push_back({op, std::move(args), {}, nullptr}); }
  void points(const char* op, const Toolkit::PointF* p, int n) {
    std::vector<double> a;
    for (int i = 0; i < n; ++i) {
      a.push_back(p[i].x);
      a.push_back(p[i].y);
    }
    add(op, std::move(a));
  }
};

// Calls as readable lines, for exact sequence checks.
inline std::vector<std::string> lines(const std::vector<Call>& calls) {
  std::vector<std::string> out;
  for (const Call& c : calls) out.push_back(c.str());
  return out;
}

// The calls named op, in order.
inline std::vector<Call> named(const std::vector<Call>& calls, const std::string& op) {
  std::vector<Call> out;
  for (const Call& c : calls)
    if (c.op == op) out.push_back(c);
  return out;
}

}  // namespace brimtrace_test
