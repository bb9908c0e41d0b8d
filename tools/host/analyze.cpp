#include "tools/host/analyze.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>

#include "effect/fablo_effect.h"
#include "gui/bitmap.h"
#include "gui/offscreen_context.h"
#include "runtime/plugin_link.h"
#include "tools/host/audio_io.h"
#include "tools/host/commands.h"
#include "tools/host/csv_writer.h"
#include "tools/host/decode_ahead.h"
#include "tools/host/progress.h"

namespace host {
namespace {

using Toolkit::CColor;
using Toolkit::CPoint;
using Toolkit::CRect;

constexpr int kPlotHeight = 400;  // the editor's height: its slew-to-row mapping as it is
constexpr int kMarginLeft = 64, kMarginTop = 28, kMarginRight = 24, kMarginBottom = 40;
constexpr int kMinWidth = 100, kMaxWidth = 16000;
constexpr double kMaxWindowMs = 3600000;
constexpr size_t kTopCount = 10;

// The shortest text that reads back as the same double, as the JSON has it too.
std::string num(double v) {
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, v);
  return std::string(text, result.ptr);
}

std::string clockText(int64_t seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(seconds / 60),
                static_cast<long long>(seconds % 60));
  return text;
}

// Stands in for the plug-in object around the effect: the file's rate, no transport,
// no editor.
class AnalysisLink final : public PluginLink {
public:
  explicit AnalysisLink(double rate) : rate_(static_cast<float>(rate)) {}
  float storedSampleRate() const override { return rate_; }
  int32_t storedBlockSize() const override { return 4096; }
  int32_t inputCount() const override { return 2; }
  // No transport and no editor; requests to the host go nowhere.
  bool hostTime(int32_t, HostTime&) override { return false; }
  bool editorSize(int32_t&, int32_t&) const override { return false; }
  void updateDisplay() override {}
  void setInitialDelay(int32_t) override {}
  void repaintEditor() override {}

private:
  float rate_;
};

struct ChannelSummary {
  double peak = 0;
  int64_t peakStart = 0;  // first frame of the window holding the peak
  int64_t over1 = 0, over2 = 0;
  std::vector<std::pair<int64_t, double>> top;  // (first frame, peak), largest first

  // Windows arrive in time order, so on equal peaks the one already kept is earlier.
  void add(int64_t start, double value) {
    if (value > peak) {
      peak = value;
      peakStart = start;
    }
    if (value > 1.0) ++over1;
    if (value > 2.0) ++over2;
    if (top.size() == kTopCount && !(value > top.back().second)) return;
    auto at = std::find_if(top.begin(), top.end(), [&](const auto& e) { return value > e.second; });
    top.insert(at, {start, value});
    if (top.size() > kTopCount) top.pop_back();
  }
};

// Output files are written under a temporary name and put in place only when every
// output succeeded.
struct Output {
  std::string path, temporary;
  bool wanted() const { return !path.empty(); }
};

void removeTemporaries(const std::vector<Output*>& outputs) {
  for (Output* o : outputs) {
    std::error_code ec;
    if (o->wanted()) std::filesystem::remove(o->temporary, ec);
  }
}

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f) std::fclose(f);
  }
};

// The window's first frame: round(k * W * rate / 1000).
int64_t windowStart(int64_t k, double windowMs, double rate) {
  return std::llround(static_cast<double>(k) * windowMs * rate / 1000.0);
}

struct Tick {
  int column;  // within the plot
  std::string label;
};

// Whole-second ticks, as many as fit about every 80 pixels, at 1-2-5-style steps.
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

// The picture: the editor's ground, colours, scale and ceiling line over the whole file.
// `left` and `right` hold one peak per plot column.
bool drawPicture(TFabloEffect& fx, const PlotGeometry& g, const std::vector<double>& left,
                 const std::vector<double>& right, const std::vector<Tick>& ticks, const std::string& title,
                 const std::string& path) {
  using namespace Toolkit;
  CBitmap* bitmap = new CBitmap(g.imageWidth, g.imageHeight);
  auto* context = new COffscreenContext(bitmap);
  CFontDesc* font = new CFontDesc("Arial", 12, 0);
  CFontDesc* captionFont = new CFontDesc("Arial", 14, 0);
  auto rowOf = [&](double slew) {
    // As the editor's traces: the floor for anything below it, then its fraction.
    const double value = std::fmax(slew, fx.slewFloor);
    return static_cast<int>((1 - slewFraction(fx, value)) * kPlotHeight);
  };
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

  // Decades on the left.
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
  // Title and legend above.
  text(title, g.x, g.y - 9, grey, -1);
  const double redWidth = text("RIGHT channel = Red", g.x + g.width, g.y - 9, CColor{255, 0, 0, 255}, 1);
  text("LEFT channel = White   ", g.x + g.width - redWidth, g.y - 9, kWhiteCColor, 1);

  // The ceiling at a slew of 2, in the editor's colours.
  const int ceiling = g.y + rowOf(2.0);
  context->setDrawMode(kAntialias);
  context->setLineColor(CColor{127, 127, 0, 242});
  line(g.x, ceiling, g.x + g.width - 1, ceiling);
  context->selectFont(captionFont);
  text("Absolute ceiling", g.x + 6, ceiling - 2, CColor{255, 255, 0, 128}, -1);

  // The traces, left then right, as the editor draws them: half-opaque segments from
  // each column's peak to the next.
  auto trace = [&](const std::vector<double>& peaks, CColor color) {
    context->setLineColor(color);
    for (int c = 0; c + 1 < g.width; ++c) {
      if (peaks[c] < 0 || peaks[c + 1] < 0) continue;  // no window there (an empty file)
      line(g.x + c, g.y + rowOf(peaks[c]), g.x + c + 1, g.y + rowOf(peaks[c + 1]));
    }
  };
  trace(left, CColor{255, 255, 255, 128});
  trace(right, CColor{255, 0, 0, 128});

  context->release();  // the context refers to the bitmap's pixels: finish it first
  const bool written =
      bitmap->getPlatformBitmap() && platform::writePng(*bitmap->getPlatformBitmap(), path.c_str());
  font->release();
  captionFont->release();
  bitmap->release();
  return written;
}

}  // namespace

PlotGeometry analysisGeometry(int plotWidth) {
  return {kMarginLeft,
          kMarginTop,
          plotWidth,
          kPlotHeight,
          kMarginLeft + plotWidth + kMarginRight,
          kMarginTop + kPlotHeight + kMarginBottom};
}

int runAnalyze(const AnalyzeOptions& options, std::ostream& out, std::ostream& err) {
  if (!(options.windowMs > 0 && options.windowMs <= kMaxWindowMs))
    return usageError(err, "--window-ms needs milliseconds above 0, at most " + num(kMaxWindowMs));
  if (options.width < kMinWidth || options.width > kMaxWidth)
    return usageError(
        err, "--width needs pixels from " + std::to_string(kMinWidth) + " to " + std::to_string(kMaxWidth));

  std::error_code ec;
  if (std::filesystem::is_directory(options.input, ec))
    return failure(err, options.input + " is a folder, not an audio file");
  std::string error;
  std::unique_ptr<AudioReader> reader = openAudioReader(options.input, error);
  if (!reader) return failure(err, error);
  const double rate = reader->sampleRate();
  const int channels = reader->channels();
  const int64_t declared = std::max<int64_t>(reader->frames(), 0);
  if (!(rate > 0) || channels < 1) return failure(err, options.input + ": no sample rate or no channels");
  if (options.windowMs * rate / 1000 < 1)
    return failure(err, "a window of " + num(options.windowMs) + " ms is shorter than one frame at " +
                            num(rate) + " Hz");

  // Every output is checked before the file is read, so a bad path fails at once.
  Output png{options.png, options.png + ".brimtrace-tmp"};
  Output json{options.json, options.json + ".brimtrace-tmp"};
  Output csv{options.csv, options.csv + ".brimtrace-tmp"};
  const std::vector<Output*> outputs{&png, &json, &csv};
  std::unique_ptr<std::FILE, FileCloser> csvFile;
  std::unique_ptr<CsvWriter> csvRows;  // writes to csvFile until finished
  for (Output* o : outputs) {
    if (!o->wanted()) continue;
    std::FILE* f =
        std::filesystem::is_directory(o->path, ec) ? nullptr : std::fopen(o->temporary.c_str(), "wb");
    if (!f) {
      const std::string reason =
          std::filesystem::is_directory(o->path, ec) ? "it is a folder" : std::strerror(errno);
      removeTemporaries(outputs);
      return failure(err, "cannot write " + o->path + ": " + reason);
    }
    if (o == &csv) {
      csvFile.reset(f);
    } else {
      std::fclose(f);
    }
  }
  auto fail = [&](const std::string& message) {
    csvRows.reset();
    csvFile.reset();
    removeTemporaries(outputs);
    return failure(err, message);
  };
  if (channels > 2)
    err << "brimtrace-host: " << options.input << " has " << channels
        << " channels; analysing the first two\n";

  // The analyzer as the plug-in runs it.
  AnalysisLink link(rate);
  std::unique_ptr<TFabloEffect> fx(new TFabloEffect);
  fx->zelk = &link;
  fx->reset();
  fx->resume();

  const PlotGeometry geometry = analysisGeometry(options.width);
  const int width = options.width;
  std::vector<double> leftColumns(static_cast<size_t>(width), -1),
      rightColumns(static_cast<size_t>(width), -1);
  ChannelSummary left, right;
  if (csvFile) {
    std::fputs("time,left,right\n", csvFile.get());
    csvRows = std::make_unique<CsvWriter>(csvFile.get());
  }

  int64_t windowIndex = 0, windowBegin = 0, windowEnd = windowStart(1, options.windowMs, rate);
  // A window ends: its peaks are taken as a repaint takes them. Every window holds a frame.
  auto closeWindow = [&](int64_t end) {
    double l = 0, r = 0;
    fx->takePeaks(l, r);
    left.add(windowBegin, l);
    right.add(windowBegin, r);
    if (csvRows) csvRows->add(windowBegin / rate, l, r);
    // Every column the window's frames fall in shows at least this peak.
    const int64_t first = windowBegin * width / declared;
    const int64_t last =
        std::min<int64_t>(width, std::max(first + 1, (end * width + declared - 1) / declared));
    for (int64_t c = first; c < last; ++c) {
      leftColumns[static_cast<size_t>(c)] = std::max(leftColumns[static_cast<size_t>(c)], l);
      rightColumns[static_cast<size_t>(c)] = std::max(rightColumns[static_cast<size_t>(c)], r);
    }
    ++windowIndex;
    windowBegin = end;
    windowEnd = windowStart(windowIndex + 1, options.windowMs, rate);
  };

  // Decoded a few large blocks ahead on a thread of its own, converted and measured here in
  // pieces whose doubles stay in the core's cache.
  const int64_t splitFrames = std::max<int64_t>(1, kAnalyzeSplitSamples / channels);
  std::vector<double> leftBlock(static_cast<size_t>(splitFrames)),
      rightBlock(static_cast<size_t>(splitFrames));
  ProgressBar progress(stderr, declared, rate, options.progress && isTerminal(stderr));
  DecodeAhead decoding(*reader, std::max<int64_t>(1, kAnalyzeDecodeSamples / channels));
  int64_t done = 0;
  for (;;) {
    const DecodedBlock& decoded = decoding.next();
    if (decoded.frames < 0) return fail("cannot read " + options.input + ": " + reader->error());
    if (decoded.frames == 0) break;
    for (int64_t at = 0; at < decoded.frames;) {
      // A mono file feeds both channels.
      const int64_t got = std::min(splitFrames, decoded.frames - at);
      reader->splitStereo(decoded, at, got, leftBlock.data(), rightBlock.data());
      at += got;
      // One block as a host hands it over, measured in pieces that end where windows end,
      // as repaints would land between them. The analyzer leaves its inputs as they are, so
      // outputs go back into the block.
      fx->onBlock();
      double* left0 = leftBlock.data();
      double* right0 = rightBlock.data();
      for (int64_t i = 0; i < got;) {
        const int64_t piece = std::min(got - i, windowEnd - (done + i));
        fx->runStereoFrames(left0 + i, right0 + i, left0 + i, right0 + i, static_cast<int32_t>(piece));
        i += piece;
        if (done + i == windowEnd) closeWindow(windowEnd);
      }
      done += got;
    }
    progress.update(done);
  }
  if (done > windowBegin) closeWindow(done);  // the last, shorter window
  progress.finish();
  const int64_t frames = done;
  const int64_t windows = windowIndex;

  const std::vector<Tick> ticks = timeTicks(frames, rate, width);
  const std::string name = std::filesystem::path(options.input).filename().string();
  if (csvFile) {
    const bool ok = csvRows->finish() && std::ferror(csvFile.get()) == 0;
    if (std::fclose(csvFile.release()) != 0 || !ok) return fail("cannot write " + csv.path);
  }
  if (png.wanted() && !drawPicture(*fx, geometry, leftColumns, rightColumns, ticks, name, png.temporary))
    return fail("cannot write " + png.path);

  nlohmann::ordered_json report;
  report["file"] = options.input;
  if (rate == std::floor(rate) && rate < 1e15)
    report["sample_rate"] = static_cast<int64_t>(rate);
  else
    report["sample_rate"] = rate;
  report["frames"] = frames;
  report["seconds"] = frames / rate;
  report["window_seconds"] = options.windowMs / 1000;
  auto channelJson = [&](const ChannelSummary& s) {
    nlohmann::ordered_json c;
    c["peak"] = s.peak;
    c["peak_time"] = s.peakStart / rate;
    c["windows_over_1"] = s.over1;
    c["windows_over_2"] = s.over2;
    c["top"] = nlohmann::ordered_json::array();
    for (const auto& [start, value] : s.top) c["top"].push_back({start / rate, value});
    return c;
  };
  report["channels"]["left"] = channelJson(left);
  report["channels"]["right"] = channelJson(right);
  report["windows"] = windows;
  report["input_channels"] = channels;
  report["encoding"] = encodingName(reader->encoding());
  report["plot"] = {
      {"x", geometry.x}, {"y", geometry.y}, {"width", geometry.width}, {"height", geometry.height}};
  report["image"] = {{"width", geometry.imageWidth}, {"height", geometry.imageHeight}};
  report["time_ticks"] = nlohmann::ordered_json::array();
  for (const Tick& t : ticks) report["time_ticks"].push_back({geometry.x + t.column, t.label});
  if (json.wanted()) {
    std::unique_ptr<std::FILE, FileCloser> f(std::fopen(json.temporary.c_str(), "wb"));
    const std::string text = report.dump(2) + "\n";
    const bool ok = f && std::fwrite(text.data(), 1, text.size(), f.get()) == text.size();
    if (!ok || std::fclose(f.release()) != 0) return fail("cannot write " + json.path);
  }
  for (Output* o : outputs) {
    if (!o->wanted()) continue;
    std::filesystem::rename(o->temporary, o->path, ec);
    if (ec) return fail("cannot write " + o->path + ": " + ec.message());
  }

  char line[160];
  std::snprintf(line, sizeof line, ": %d channel%s, %s Hz, %lld frames (%.3f s), %lld windows of %.3f ms\n",
                channels, channels == 1 ? "" : "s", num(rate).c_str(), static_cast<long long>(frames),
                frames / rate, static_cast<long long>(windows), options.windowMs);
  out << options.input << line;
  if (frames == 0) out << "no frames: peaks 0\n";
  for (const auto* s : {&left, &right}) {
    std::snprintf(line, sizeof line, "%-6s peak %.6g at %.3f s, %lld windows over 1, %lld over 2; largest at",
                  s == &left ? "left:" : "right:", s->peak, s->peakStart / rate,
                  static_cast<long long>(s->over1), static_cast<long long>(s->over2));
    out << line;
    for (size_t i = 0; i < s->top.size() && i < 5; ++i) {
      std::snprintf(line, sizeof line, " %.3f s (%.6g)", s->top[i].first / rate, s->top[i].second);
      out << line;
    }
    out << "\n";
  }
  for (const Output* o : outputs)
    if (o->wanted()) out << "wrote " << o->path << "\n";
  return kOk;
}

int analyzeCommand(const std::vector<std::string>& positional,
                   const std::vector<std::pair<std::string, std::string>>& flags, std::ostream& out,
                   std::ostream& err) {
  AnalyzeOptions o;
  for (const auto& [name, value] : flags) {
    char* end = nullptr;
    if (name == "--png") {
      o.png = value;
    } else if (name == "--json") {
      o.json = value;
    } else if (name == "--csv") {
      o.csv = value;
    } else if (name == "--window-ms") {
      o.windowMs = std::strtod(value.c_str(), &end);
      if (end == value.c_str() || *end || !(o.windowMs > 0 && o.windowMs <= kMaxWindowMs))
        return usageError(err, "--window-ms needs milliseconds above 0, at most " + num(kMaxWindowMs));
    } else if (name == "--width") {
      const long w = std::strtol(value.c_str(), &end, 10);
      if (end == value.c_str() || *end || w < kMinWidth || w > kMaxWidth)
        return usageError(err, "--width needs pixels from " + std::to_string(kMinWidth) + " to " +
                                   std::to_string(kMaxWidth));
      o.width = static_cast<int>(w);
    } else if (name == "--no-progress") {
      o.progress = false;
    } else {
      return usageError(err, "analyze takes no option " + name);
    }
  }
  if (positional.size() != 1) return usageError(err, "analyze needs exactly one IN file");
  o.input = positional[0];
  return runAnalyze(o, out, err);
}

}  // namespace host
