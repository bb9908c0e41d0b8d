#include "tools/host/analyze.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "tools/host/analyze_report.h"
#include "tools/host/audio_io.h"
#include "tools/host/commands.h"
#include "tools/host/csv_writer.h"
#include "tools/host/file_open.h"
#include "tools/host/output_files.h"
#include "tools/host/progress.h"

namespace host {
namespace {

// The shortest text that reads back as the same double, as the JSON has it too.
std::string num(double v) {
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, v);
  return std::string(text, result.ptr);
}

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f) std::fclose(f);
  }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Each window's peaks, to the summaries, the CSV's rows and the picture's columns.
struct Windows final : WindowSink {
  ChannelSummary left, right;
  CsvWriter* csv = nullptr;
  PlotColumns* columns = nullptr;
  bool pastCap = false;
  double rate = 0;

  bool window(const WindowPeaks& w) override {
    left.add(w.begin, w.left);
    right.add(w.begin, w.right);
    if (csv) csv->add(w.begin / rate, w.left, w.right);
    if (columns && !columns->add(w.begin, w.end, w.left, w.right)) pastCap = true;
    return !pastCap;
  }
};

bool writeText(const std::string& path, const std::string& text) {
  File f(openFile(path, "wb"));
  const bool ok = f && std::fwrite(text.data(), 1, text.size(), f.get()) == text.size();
  return ok && std::fclose(f.release()) == 0;
}

}  // namespace

int runAnalyze(const AnalyzeOptions& options, std::ostream& out, std::ostream& err) {
  if (!(options.windowMs > 0 && options.windowMs <= kAnalyzeMaxWindowMs))
    return usageError(err, "--window-ms needs milliseconds above 0, at most " + num(kAnalyzeMaxWindowMs));
  if (options.width < kAnalyzeMinWidth || options.width > kAnalyzeMaxWidth)
    return usageError(err, "--width needs pixels from " + std::to_string(kAnalyzeMinWidth) + " to " +
                               std::to_string(kAnalyzeMaxWidth));

  // --- The input.
  std::error_code ec;
  if (std::filesystem::is_directory(std::filesystem::u8path(options.input), ec))
    return failure(err, options.input + " is a folder, not an audio file");
  std::string error;
  std::unique_ptr<AudioReader> reader = openAudioReader(options.input, error);
  if (!reader) return failure(err, error);
  const double rate = reader->sampleRate();
  const int channels = reader->channels();
  const int64_t declared = reader->frames();
  if (!(rate > 0) || channels < 1) return failure(err, options.input + ": no sample rate or no channels");
  if (options.windowMs * rate / 1000 < 1)
    return failure(err, "a window of " + num(options.windowMs) + " ms is shorter than one frame at " +
                            num(rate) + " Hz");

  // --- The outputs, every one reserved before anything is written: none may be the input
  // or another output, and a bad path fails at once.
  OutputFiles files({options.input});
  struct Output {
    const std::string& path;
    std::string temporary;
  } png{options.png, {}}, json{options.json, {}}, csv{options.csv, {}};
  std::vector<std::string> written;
  for (Output* o : {&png, &json, &csv}) {
    if (o->path.empty()) continue;
    if (std::filesystem::is_directory(std::filesystem::u8path(o->path), ec))
      return failure(err, "cannot write " + o->path + ": it is a folder");
    if (!files.add(o->path, o->temporary, error)) return failure(err, error);
    written.push_back(o->path);
  }
  File csvFile;
  if (!csv.path.empty()) {
    csvFile.reset(openFile(csv.temporary, "wb"));
    if (!csvFile) return failure(err, "cannot write " + csv.path + ": " + std::strerror(errno));
  }
  if (channels > 2)
    err << "brimtrace-host: " << options.input << " has " << channels
        << " channels; analysing the first two\n";

  // --- Reading and measuring, each window to the summaries and the writers.
  Windows windows;
  windows.rate = rate;
  std::unique_ptr<CsvWriter> csvRows;  // writes to csvFile until finished
  if (csvFile) {
    std::fputs("time,left,right\n", csvFile.get());
    csvRows = std::make_unique<CsvWriter>(csvFile.get());
    windows.csv = csvRows.get();
  }
  PlotColumns columns(options.width, declared);
  if (!png.path.empty()) windows.columns = &columns;
  Analyzer analyzer(rate);
  int64_t frames;
  {
    // No bar for a length nobody knows.
    ProgressBar progress(stderr, declared, rate, options.progress && declared >= 0 && isTerminal(stderr));
    frames = analyzer.measure(*reader, options.windowMs, windows, progress);
  }
  const bool csvWritten = !csvRows || csvRows->finish();
  csvRows.reset();
  if (windows.pastCap) {
    char hours[32];
    std::snprintf(hours, sizeof hours, "%.3g",
                  PlotColumns::kUnknownLengthWindows * options.windowMs / 3600000);
    return failure(err, options.input + " is of unknown length and runs past " +
                            std::to_string(PlotColumns::kUnknownLengthWindows) + " windows (" + hours +
                            " hours at " + num(options.windowMs) +
                            " ms), more than --png can draw: leave it out or choose a longer --window-ms");
  }
  if (frames < 0) {
    const std::string& reason = reader->error();
    return failure(err, reason.find(options.input) != std::string::npos
                            ? reason
                            : "cannot read " + options.input + ": " + reason);
  }
  if (!reader->warning().empty()) err << "brimtrace-host: " << reader->warning() << "\n";

  // --- The writers.
  AnalysisReport report;
  report.input = options.input;
  report.rate = rate;
  report.channels = channels;
  report.encoding = reader->encoding();
  report.declaredFrames = declared;
  report.frames = frames;
  report.windows = analyzer.windows();
  report.windowMs = options.windowMs;
  report.left = std::move(windows.left);
  report.right = std::move(windows.right);
  report.geometry = analysisGeometry(options.width);
  report.ticks = timeTicks(frames, rate, options.width);
  if (csvFile) {
    const bool ok = csvWritten && std::ferror(csvFile.get()) == 0;
    if (std::fclose(csvFile.release()) != 0 || !ok) return failure(err, "cannot write " + csv.path);
  }
  if (!png.path.empty()) {
    columns.finish(frames, options.windowMs, rate);
    const auto name = std::filesystem::u8path(options.input).filename().u8string();
    const std::string title = validUtf8(std::string(name.begin(), name.end()));
    if (!drawPicture(analyzer.effect(), report.geometry, columns, report.ticks, title, png.temporary))
      return failure(err, "cannot write " + png.path);
  }
  if (!json.path.empty() && !writeText(json.temporary, reportJson(report)))
    return failure(err, "cannot write " + json.path);
  if (!files.commit(error)) return failure(err, error);

  printReport(report, written, out);
  return kOk;
}

}  // namespace host
