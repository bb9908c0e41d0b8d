// analyze's measuring: a file streamed through the analyzer as the plug-in runs it, its
// peaks taken every window as a repaint takes them, and the summary of each channel.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "effect/fablo_effect.h"
#include "tools/host/audio_io.h"

namespace host {

class ProgressBar;

// Samples per decoded block and per conversion to doubles, whatever the channel count, so
// that the memory blocks take stays fixed: few, large reads; doubles that fit the core's
// cache.
constexpr int64_t kAnalyzeDecodeSamples = 1 << 17, kAnalyzeSplitSamples = 1 << 15;

// The first frame of window k: round(k * W * rate / 1000).
int64_t windowStart(int64_t k, double windowMs, double rate);

// One window's peaks: frames [begin, end).
struct WindowPeaks {
  int64_t begin, end;
  double left, right;
};

// A channel's largest windows and how many windows passed 1 and 2.
struct ChannelSummary {
  static constexpr size_t kTopCount = 10;
  double peak = 0;
  int64_t peakStart = 0;  // first frame of the window holding the peak
  int64_t over1 = 0, over2 = 0;
  std::vector<std::pair<int64_t, double>> top;  // (first frame, peak), largest first

  // Windows arrive in time order, so on equal peaks the one already kept is earlier.
  void add(int64_t start, double value);
};

// Receives each window's peaks in time order; answers false to stop the measuring.
class WindowSink {
public:
  virtual bool window(const WindowPeaks& peaks) = 0;

protected:
  ~WindowSink() = default;
};

// The analyzer with a stand-in for the plug-in around it, at the file's rate.
class Analyzer {
public:
  explicit Analyzer(double rate);
  ~Analyzer();
  TFabloEffect& effect() { return *fx_; }

  // Streams the reader's frames (its first two channels, or its one twice) through the
  // analyzer to the reader's end, in windows of `windowMs`. Answers the frames measured;
  // -1 on a reading error (the reader's error() says which) or when `sink` stopped it.
  int64_t measure(AudioReader& reader, double windowMs, WindowSink& sink, ProgressBar& progress);
  int64_t windows() const { return windows_; }

private:
  class Link;
  std::unique_ptr<Link> link_;
  std::unique_ptr<TFabloEffect> fx_;
  int64_t windows_ = 0;
};

}  // namespace host
