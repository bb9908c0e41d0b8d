// analyze: a whole audio file's slew, measured by the analyzer's own code window by
// window (a window is what the editor sees between two repaints), as a report on
// standard output and optionally JSON, CSV (one row per window) and a picture.
#pragma once
#include <cstdint>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace host {

// Samples per decoded block and per conversion to doubles, whatever the channel count, so
// that the memory blocks take stays fixed: few, large reads; doubles that fit the core's
// cache.
constexpr int64_t kAnalyzeDecodeSamples = 1 << 17, kAnalyzeSplitSamples = 1 << 15;

struct AnalyzeOptions {
  std::string input, png, json, csv;
  double windowMs = 1000.0 / 30;  // the editor's repaint interval at its usual rate
  int width = 1600;               // of the picture's plot area, in pixels
  bool progress = true;           // on a terminal only
};

// Where the plot area lies in the picture: the margins hold the axes and labels.
struct PlotGeometry {
  int x, y, width, height;  // the plot area
  int imageWidth, imageHeight;
};
PlotGeometry analysisGeometry(int plotWidth);

int runAnalyze(const AnalyzeOptions& options, std::ostream& out, std::ostream& err);

// The command line of "analyze", already split into positional arguments and options.
int analyzeCommand(const std::vector<std::string>& positional,
                   const std::vector<std::pair<std::string, std::string>>& flags, std::ostream& out,
                   std::ostream& err);

}  // namespace host
