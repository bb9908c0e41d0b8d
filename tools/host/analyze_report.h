// analyze's report: what the measuring found, as lines for standard output and as JSON.
#pragma once
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "tools/host/analyze_measure.h"
#include "tools/host/analyze_picture.h"
#include "tools/host/audio_io.h"

namespace host {

struct AnalysisReport {
  std::string input;
  double rate = 0;
  int channels = 0;
  SampleEncoding encoding = SampleEncoding::Other;
  int64_t declaredFrames = -1;  // as the header says; -1 when unknown
  int64_t frames = 0, windows = 0;
  double windowMs = 0;
  ChannelSummary left, right;
  PlotGeometry geometry{};
  std::vector<Tick> ticks;
};

// `text` with every byte that is not part of UTF-8 replaced (U+FFFD), for drawing a name.
std::string validUtf8(const std::string& text);
// The JSON text, any file name included: bytes that are not UTF-8 are replaced.
std::string reportJson(const AnalysisReport& report);
// The report's lines, then "wrote PATH" for each of `written`.
void printReport(const AnalysisReport& report, const std::vector<std::string>& written, std::ostream& out);

}  // namespace host
