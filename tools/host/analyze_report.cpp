#include "tools/host/analyze_report.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

namespace host {

std::string validUtf8(const std::string& text) {
  using nlohmann::json;
  return json::parse(json(text).dump(-1, ' ', false, json::error_handler_t::replace)).get<std::string>();
}

std::string reportJson(const AnalysisReport& r) {
  using nlohmann::ordered_json;
  ordered_json report;
  report["file"] = r.input;
  if (r.rate == std::floor(r.rate) && r.rate < 1e15)
    report["sample_rate"] = static_cast<int64_t>(r.rate);
  else
    report["sample_rate"] = r.rate;
  report["frames"] = r.frames;
  // Differs from frames for a file cut off short of what its header says.
  report["declared_frames"] = r.declaredFrames < 0 ? ordered_json(nullptr) : ordered_json(r.declaredFrames);
  report["seconds"] = r.frames / r.rate;
  report["window_seconds"] = r.windowMs / 1000;
  auto channelJson = [&](const ChannelSummary& s) {
    ordered_json c;
    c["peak"] = s.peak;
    c["peak_time"] = s.peakStart / r.rate;
    c["windows_over_1"] = s.over1;
    c["windows_over_2"] = s.over2;
    c["top"] = ordered_json::array();
    for (const auto& [start, value] : s.top) c["top"].push_back({start / r.rate, value});
    return c;
  };
  report["channels"]["left"] = channelJson(r.left);
  report["channels"]["right"] = channelJson(r.right);
  report["windows"] = r.windows;
  report["input_channels"] = r.channels;
  report["encoding"] = encodingName(r.encoding);
  const PlotGeometry& g = r.geometry;
  report["plot"] = {{"x", g.x}, {"y", g.y}, {"width", g.width}, {"height", g.height}};
  report["image"] = {{"width", g.imageWidth}, {"height", g.imageHeight}};
  report["time_ticks"] = ordered_json::array();
  for (const Tick& t : r.ticks) report["time_ticks"].push_back({g.x + t.column, t.label});
  return report.dump(2, ' ', false, ordered_json::error_handler_t::replace) + "\n";
}

void printReport(const AnalysisReport& r, const std::vector<std::string>& written, std::ostream& out) {
  char line[160];
  char rate[32];
  *std::to_chars(rate, rate + sizeof rate - 1, r.rate).ptr = 0;
  std::snprintf(line, sizeof line, ": %d channel%s, %s Hz, %lld frames (%.3f s), %lld windows of %.3f ms\n",
                r.channels, r.channels == 1 ? "" : "s", rate, static_cast<long long>(r.frames),
                r.frames / r.rate, static_cast<long long>(r.windows), r.windowMs);
  out << r.input << line;
  if (r.frames == 0) out << "no frames: peaks 0\n";
  for (const auto* s : {&r.left, &r.right}) {
    std::snprintf(line, sizeof line, "%-6s peak %.6g at %.3f s, %lld windows over 1, %lld over 2; largest at",
                  s == &r.left ? "left:" : "right:", s->peak, s->peakStart / r.rate,
                  static_cast<long long>(s->over1), static_cast<long long>(s->over2));
    out << line;
    for (size_t i = 0; i < s->top.size() && i < 5; ++i) {
      std::snprintf(line, sizeof line, " %.3f s (%.6g)", s->top[i].first / r.rate, s->top[i].second);
      out << line;
    }
    out << "\n";
  }
  for (const std::string& path : written) out << "wrote " << path << "\n";
}

}  // namespace host
