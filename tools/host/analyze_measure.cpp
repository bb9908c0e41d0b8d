#include "tools/host/analyze_measure.h"

#include <algorithm>
#include <cmath>

#include "runtime/plugin_link.h"
#include "tools/host/decode_ahead.h"
#include "tools/host/progress.h"

namespace host {

int64_t windowStart(int64_t k, double windowMs, double rate) {
  return std::llround(static_cast<double>(k) * windowMs * rate / 1000.0);
}

void ChannelSummary::add(int64_t start, double value) {
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

// Stands in for the plug-in object around the effect: the file's rate, no transport,
// no editor.
class Analyzer::Link final : public PluginLink {
public:
  explicit Link(double rate) : rate_(static_cast<float>(rate)) {}
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

Analyzer::Analyzer(double rate) : link_(std::make_unique<Link>(rate)), fx_(std::make_unique<TFabloEffect>()) {
  fx_->zelk = link_.get();
  fx_->reset();
  fx_->resume();
}

Analyzer::~Analyzer() = default;

int64_t Analyzer::measure(AudioReader& reader, double windowMs, WindowSink& sink, ProgressBar& progress) {
  TFabloEffect& fx = *fx_;
  const double rate = reader.sampleRate();
  const int channels = reader.channels();
  int64_t windowBegin = 0, windowEnd = windowStart(1, windowMs, rate);
  bool stopped = false;
  // A window ends: its peaks are taken as a repaint takes them. Every window holds a frame.
  auto closeWindow = [&](int64_t end) {
    double l = 0, r = 0;
    fx.takePeaks(l, r);
    stopped = !sink.window({windowBegin, end, l, r});
    ++windows_;
    windowBegin = end;
    windowEnd = windowStart(windows_ + 1, windowMs, rate);
  };

  // Decoded a few large blocks ahead on a thread of its own, converted and measured here in
  // pieces whose doubles stay in the core's cache.
  const int64_t splitFrames = std::max<int64_t>(1, kAnalyzeSplitSamples / channels);
  std::vector<double> leftBlock(static_cast<size_t>(splitFrames)),
      rightBlock(static_cast<size_t>(splitFrames));
  DecodeAhead decoding(reader, std::max<int64_t>(1, kAnalyzeDecodeSamples / channels));
  int64_t done = 0;
  for (;;) {
    const DecodedBlock& decoded = decoding.next();
    if (decoded.frames < 0) return -1;
    if (decoded.frames == 0) break;
    for (int64_t at = 0; at < decoded.frames;) {
      // A mono file feeds both channels.
      const int64_t got = std::min(splitFrames, decoded.frames - at);
      reader.splitStereo(decoded, at, got, leftBlock.data(), rightBlock.data());
      at += got;
      // One block as a host hands it over, measured in pieces that end where windows end,
      // as repaints would land between them. The analyzer leaves its inputs as they are, so
      // outputs go back into the block.
      fx.onBlock();
      double* left0 = leftBlock.data();
      double* right0 = rightBlock.data();
      for (int64_t i = 0; i < got;) {
        const int64_t piece = std::min(got - i, windowEnd - (done + i));
        fx.runStereoFrames(left0 + i, right0 + i, left0 + i, right0 + i, static_cast<int32_t>(piece));
        i += piece;
        if (done + i == windowEnd) {
          closeWindow(windowEnd);
          if (stopped) return -1;
        }
      }
      done += got;
    }
    progress.update(done);
  }
  if (done > windowBegin) closeWindow(done);  // the last, shorter window
  progress.finish();
  return stopped ? -1 : done;
}

}  // namespace host
