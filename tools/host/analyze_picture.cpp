#include "tools/host/analyze_picture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>

#include "effect/graph_look.h"
#include "gui/bitmap.h"
#include "gui/offscreen_context.h"
#include "tools/host/analyze_measure.h"

namespace host {
namespace {

constexpr int kPlotHeight = TFabloEffect::kEditorHeight;  // the editor's slew-to-row mapping as it is
constexpr int kMarginLeft = 64, kMarginTop = 28, kMarginRight = 24, kMarginBottom = 40;

std::string clockText(int64_t seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(seconds / 60),
                static_cast<long long>(seconds % 60));
  return text;
}

Toolkit::CColor colorOf(const GraphColor& c, double alpha) {
  return {graphColorByte(c.red), graphColorByte(c.green), graphColorByte(c.blue), graphColorByte(alpha)};
}
Toolkit::CColor colorOf(const GraphColor& c) { return colorOf(c, c.alpha); }

}  // namespace

PlotGeometry analysisGeometry(int plotWidth) {
  return {kMarginLeft,
          kMarginTop,
          plotWidth,
          kPlotHeight,
          kMarginLeft + plotWidth + kMarginRight,
          kMarginTop + kPlotHeight + kMarginBottom};
}

PlotColumns::PlotColumns(int width, int64_t declaredFrames)
    : declared_(declaredFrames),
      left_(static_cast<size_t>(width), -1),
      right_(static_cast<size_t>(width), -1) {}

bool PlotColumns::add(int64_t begin, int64_t end, double left, double right) {
  if (declared_ >= 0) {
    if (declared_ > 0) raise(begin, end, declared_, left, right);
    return true;
  }
  if (static_cast<int64_t>(windows_.size()) >= 2 * kUnknownLengthWindows) return false;
  windows_.push_back(left);
  windows_.push_back(right);
  return true;
}

void PlotColumns::finish(int64_t frames, double windowMs, double rate) {
  if (declared_ >= 0 || frames <= 0) return;
  const int64_t count = static_cast<int64_t>(windows_.size()) / 2;
  for (int64_t k = 0; k < count; ++k) {
    const int64_t end = k + 1 < count ? windowStart(k + 1, windowMs, rate) : frames;
    raise(windowStart(k, windowMs, rate), end, frames, windows_[2 * k], windows_[2 * k + 1]);
  }
  windows_ = {};
}

// Every column the window's frames fall in shows at least its peaks.
void PlotColumns::raise(int64_t begin, int64_t end, int64_t frames, double left, double right) {
  const int64_t width = static_cast<int64_t>(left_.size());
  const int64_t first = begin * width / frames;
  const int64_t last = std::min<int64_t>(width, std::max(first + 1, (end * width + frames - 1) / frames));
  for (int64_t c = first; c < last; ++c) {
    left_[static_cast<size_t>(c)] = std::max(left_[static_cast<size_t>(c)], left);
    right_[static_cast<size_t>(c)] = std::max(right_[static_cast<size_t>(c)], right);
  }
}

std::vector<Tick> timeTicks(int64_t frames, double rate, int width) {
  static const int64_t steps[] = {1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 900, 1800, 3600};
  const double seconds = frames / rate;
  const int64_t most = std::max(2, width / 80);
  int64_t step = steps[0];
  for (size_t i = 0; i < std::size(steps); ++i) {
    step = steps[i];
    if (static_cast<int64_t>(seconds / step) + 1 <= most) break;
  }
  while (static_cast<int64_t>(seconds / step) + 1 > most) step *= 2;
  std::vector<Tick> ticks;
  for (int64_t t = 0;; t += step) {
    const int64_t frame = std::llround(static_cast<double>(t) * rate);
    if (t > 0 && frame >= frames) break;
    const int column = frames > 0 ? static_cast<int>(frame * width / frames) : 0;
    ticks.push_back({column, clockText(t)});
    if (frames == 0) break;
  }
  return ticks;
}

bool drawPicture(TFabloEffect& fx, const PlotGeometry& g, const PlotColumns& columns,
                 const std::vector<Tick>& ticks, const std::string& title, const std::string& path) {
  using namespace Toolkit;
  CBitmap* bitmap = new CBitmap(g.imageWidth, g.imageHeight);
  auto* context = new COffscreenContext(bitmap);
  const std::string fontName = fx.stringAt(kTextCaptionFont);
  CFontDesc* font = new CFontDesc(fontName.c_str(), 12, 0);
  CFontDesc* captionFont = new CFontDesc(fontName.c_str(), 14, 0);
  auto rowOf = [&](double slew) { return static_cast<int>(slewRow(fx, slew, kPlotHeight)); };
  auto fill = [&](double l, double t, double r, double b, CColor c) {
    context->setFillColor(c);
    context->drawRect(CRect(l, t, r, b), kDrawFilled);
  };
  auto line = [&](double x1, double y1, double x2, double y2) {
    context->moveTo(CPoint(x1, y1));
    context->lineTo(CPoint(x2, y2));
  };
  auto text = [&](const std::string& s, double x, double bottom, CColor c, int align) {
    context->setTextColor(c);
    const double w = context->measureText(s.c_str());
    if (align > 0) x -= w;         // right-aligned at x
    if (align == 0) x -= 0.5 * w;  // centred on x
    context->drawTextAt(s.c_str(), CPoint(x, bottom));
    return w;
  };

  // The axes and their labels are the picture's own; the rest is the editor's.
  const CColor grey{160, 160, 160, 255};
  const CColor axis{96, 96, 96, 255};
  fill(0, 0, g.imageWidth, g.imageHeight, kBlackCColor);
  context->setLineWidth(1);
  context->setLineStyle(kLineSolid);
  context->setDrawMode(kAliasing);
  context->selectFont(font);

  // The frame around the plot, the bottom edge being the floor's row.
  fill(g.x - 1, g.y - 1, g.x + g.width + 1, g.y, axis);
  fill(g.x - 1, g.y + kPlotHeight, g.x + g.width + 1, g.y + kPlotHeight + 1, axis);
  fill(g.x - 1, g.y, g.x, g.y + kPlotHeight, axis);
  fill(g.x + g.width, g.y, g.x + g.width + 1, g.y + kPlotHeight, axis);

  // Decades on the left, from the floor up.
  static const char* const decades[] = {"0.00001", "0.0001", "0.001", "0.01", "0.1", "1"};
  for (int d = 0; d < 6; ++d) {
    const int row = g.y + rowOf(std::pow(10.0, d - 5));
    fill(g.x - 6, row, g.x - 1, row + 1, grey);
    text(decades[d], g.x - 9, row + 5, grey, 1);
  }
  // Time below.
  for (const Tick& t : ticks) {
    const int x = g.x + t.column;
    fill(x, g.y + kPlotHeight + 1, x + 1, g.y + kPlotHeight + 7, grey);
    text(t.label, x + 0.5, g.y + kPlotHeight + 20, grey, 0);
  }
  // Title and legend above, the legend in its traces' colours.
  text(title, g.x, g.y - 9, grey, -1);
  const double redWidth =
      text(fx.stringAt(kTextRightLegend), g.x + g.width, g.y - 9, colorOf(kRightTraceColor, 1), 1);
  text(fx.stringAt(kTextLeftLegend) + "   ", g.x + g.width - redWidth, g.y - 9, colorOf(kLeftTraceColor, 1),
       1);

  // The ceiling, in the editor's colours.
  const int ceiling = g.y + rowOf(kCeilingSlew);
  context->setDrawMode(kAntialias);
  context->setLineColor(colorOf(kCeilingColor));
  line(g.x, ceiling, g.x + g.width - 1, ceiling);
  context->selectFont(captionFont);
  text(fx.stringAt(kTextCeiling), g.x + 6, ceiling - 2, colorOf(kCaptionColor), -1);

  // The traces, left then right, as the editor draws them: half-opaque segments from
  // each column's peak to the next.
  auto trace = [&](const std::vector<double>& peaks, CColor color) {
    context->setLineColor(color);
    for (int c = 0; c + 1 < g.width; ++c) {
      if (peaks[c] < 0 || peaks[c + 1] < 0) continue;  // no window there (an empty file)
      line(g.x + c, g.y + rowOf(peaks[c]), g.x + c + 1, g.y + rowOf(peaks[c + 1]));
    }
  };
  trace(columns.left(), colorOf(kLeftTraceColor));
  trace(columns.right(), colorOf(kRightTraceColor));

  context->release();  // the context refers to the bitmap's pixels: finish it first
  const bool written =
      bitmap->getPlatformBitmap() && platform::writePng(*bitmap->getPlatformBitmap(), path.c_str());
  font->release();
  captionFont->release();
  bitmap->release();
  return written;
}

}  // namespace host
