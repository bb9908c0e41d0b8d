// analyze: a whole audio file's slew, measured by the analyzer's own code window by
// window (a window is what the editor sees between two repaints), as a report on
// standard output and optionally JSON, CSV (one row per window) and a picture.
//
// The pipeline: the reading and measuring (analyze_measure.h) hand each window's peaks to
// the summaries, the CSV rows (csv_writer.h) and the picture's columns (analyze_picture.h);
// at the end the picture is drawn, the report written (analyze_report.h) and all outputs
// put in place together.
#pragma once
#include <ostream>
#include <string>

#include "tools/host/analyze_measure.h"
#include "tools/host/analyze_picture.h"

namespace host {

struct AnalyzeOptions {
  std::string input, png, json, csv;
  double windowMs = 1000.0 / 30;  // the editor's repaint interval at its usual rate
  int width = 1600;               // of the picture's plot area, in pixels
  bool progress = true;           // on a terminal only
};

// The bounds runAnalyze accepts, for the command line's checks.
constexpr double kAnalyzeMaxWindowMs = 3600000;
constexpr int kAnalyzeMinWidth = 100, kAnalyzeMaxWidth = 16000;

int runAnalyze(const AnalyzeOptions& options, std::ostream& out, std::ostream& err);

}  // namespace host
