// analyze's picture: the editor's ground, colours, scale and ceiling over a whole file,
// one plot column per slice of the file showing the largest peak of the windows it covers.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "effect/fablo_effect.h"

namespace host {

// Where the plot area lies in the picture: the margins hold the axes and labels.
struct PlotGeometry {
  int x, y, width, height;  // the plot area
  int imageWidth, imageHeight;
};
PlotGeometry analysisGeometry(int plotWidth);

// Each plot column's peaks, one per channel (-1 where no window falls). A file whose length
// is known maps its windows to columns as they come; one whose length is unknown keeps the
// windows' peaks (two doubles a window, at most kUnknownLengthWindows of them) and maps
// them when the length is known, at the end, to the same columns.
class PlotColumns {
public:
  // 2^21 windows: 32 MiB, over 19 hours at the default window of 1000/30 ms.
  static constexpr int64_t kUnknownLengthWindows = int64_t{1} << 21;

  // `declaredFrames` < 0: the length is unknown.
  PlotColumns(int width, int64_t declaredFrames);
  // False, and the window is not kept, when an input of unknown length passes the cap.
  bool add(int64_t begin, int64_t end, double left, double right);
  // Maps the kept windows, if any, of `frames` in windows of `windowMs` at `rate`.
  void finish(int64_t frames, double windowMs, double rate);
  const std::vector<double>& left() const { return left_; }
  const std::vector<double>& right() const { return right_; }

private:
  void raise(int64_t begin, int64_t end, int64_t frames, double left, double right);

  int64_t declared_;
  std::vector<double> left_, right_;
  std::vector<double> windows_;  // unknown length: left and right of each window
};

struct Tick {
  int column;  // within the plot
  std::string label;
};

// Whole-second ticks (m:ss), as many as fit about every 80 pixels, at 1-2-5-style steps.
std::vector<Tick> timeTicks(int64_t frames, double rate, int width);

// Draws the picture of `columns` with `ticks` and `title` into the PNG file `path`;
// false if it cannot be written. `fx` gives the look: colours, texts, scale.
bool drawPicture(TFabloEffect& fx, const PlotGeometry& g, const PlotColumns& columns,
                 const std::vector<Tick>& ticks, const std::string& title, const std::string& path);

}  // namespace host
