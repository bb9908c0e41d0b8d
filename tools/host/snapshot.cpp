// snapshot: the plug-in's editor in a real window, fed with audio at real-time pace on an
// audio thread while the user-interface thread sends effEditIdle as a host does; then the
// window's pixels as a PNG.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <iomanip>
#include <thread>
#include <vector>

#include "tools/host/audio_io.h"
#include "tools/host/commands.h"
#include "tools/host/crash_guard.h"
#include "tools/host/demo_signal.h"
#include "tools/host/editor_window.h"
#include "tools/host/output_files.h"
#include "tools/host/plugin_host.h"

namespace host {
namespace {

using Clock = std::chrono::steady_clock;

constexpr double kMaxFileSeconds = 60;

// Where the audio comes from: a file, or the built-in signal. Both give stereo frames.
class Source {
public:
  virtual ~Source() = default;
  // Fills `count` frames of up to two channels; past the end, silence.
  virtual void next(float* left, float* right, int32_t count) = 0;
};

class SignalSource final : public Source {
public:
  explicit SignalSource(double rate) : signal_{rate} {}
  void next(float* left, float* right, int32_t count) override {
    signal_.render(position_, count, left, right);
    position_ += count;
  }

private:
  DemoSignal signal_;
  int64_t position_ = 0;
};

class FileSource final : public Source {
public:
  explicit FileSource(std::unique_ptr<AudioReader> reader) : reader_(std::move(reader)) {}
  void next(float* left, float* right, int32_t count) override {
    const int channels = reader_->channels();
    buffer_.resize(static_cast<size_t>(count) * channels);
    int64_t got = ended_ ? 0 : reader_->read(buffer_.data(), count);
    if (got <= 0) {
      ended_ = true;
      got = 0;
    }
    for (int32_t i = 0; i < count; ++i) {
      const bool have = i < got;
      left[i] = have ? static_cast<float>(buffer_[static_cast<size_t>(i) * channels]) : 0.0f;
      right[i] = have
                     ? static_cast<float>(buffer_[static_cast<size_t>(i) * channels + (channels > 1 ? 1 : 0)])
                     : 0.0f;
    }
  }

private:
  std::unique_ptr<AudioReader> reader_;
  std::vector<double> buffer_;
  bool ended_ = false;
};

// The audio thread: processes blocks so that the frames done keep up with the clock.
class AudioThread {
public:
  AudioThread(AEffect* effect, PluginHost& host, Source& source, double rate, int32_t block)
      : effect_(effect), host_(host), source_(source), rate_(rate), block_(block) {
    const int32_t inputs = std::max(effect->numInputs, 0);
    const int32_t outputs = std::max(effect->numOutputs, 0);
    in_.assign(static_cast<size_t>(inputs), std::vector<float>(static_cast<size_t>(block)));
    out_.assign(static_cast<size_t>(outputs), std::vector<float>(static_cast<size_t>(block)));
    for (auto& c : in_) inPtr_.push_back(c.data());
    for (auto& c : out_) outPtr_.push_back(c.data());
    left_.resize(static_cast<size_t>(block));
    right_.resize(static_cast<size_t>(block));
  }
  ~AudioThread() { stop(); }

  void start() {
    thread_ = std::thread([this] { run(); });
  }
  void stop() {
    running_ = false;
    if (thread_.joinable()) thread_.join();
  }
  int64_t frames() const { return frames_; }

private:
  void run() {
    const auto start = Clock::now();
    while (running_) {
      const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
      const int64_t due = static_cast<int64_t>(elapsed * rate_);
      while (running_ && frames_ + block_ <= due) processOne();
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }

  void processOne() {
    source_.next(left_.data(), right_.data(), block_);
    for (size_t c = 0; c < in_.size(); ++c)
      std::copy(c % 2 ? right_.begin() : left_.begin(), c % 2 ? right_.end() : left_.end(), in_[c].begin());
    {
      InPlugin in;
      effect_->processReplacing(effect_, inPtr_.empty() ? nullptr : inPtr_.data(),
                                outPtr_.empty() ? nullptr : outPtr_.data(), block_);
    }
    host_.advance(block_);
    frames_ += block_;
  }

  AEffect* effect_;
  PluginHost& host_;
  Source& source_;
  double rate_;
  int32_t block_;
  std::vector<std::vector<float>> in_, out_;
  std::vector<float*> inPtr_, outPtr_;
  std::vector<float> left_, right_;
  std::atomic<bool> running_{true};
  std::atomic<int64_t> frames_{0};
  std::thread thread_;
};

int fail(std::ostream& err, const std::string& message) {
  err << "brimtrace-host: " << message << "\n";
  return kFailed;
}

}  // namespace

int runSnapshot(const SnapshotOptions& options, std::ostream& out, std::ostream& err) {
  std::string error, temporary;
  // Before anything is written: the picture may overwrite neither the audio nor the plug-in.
  std::vector<std::string> inputs{options.plugin};
  if (!options.input.empty()) inputs.push_back(options.input);
  OutputFiles outputs(inputs);
  if (!outputs.add(options.png, temporary, error)) return fail(err, error);
  double rate = 44100;
  double seconds = options.seconds;
  std::unique_ptr<Source> source;
  if (!options.input.empty()) {
    auto reader = openAudioReader(options.input, error);
    if (!reader) return fail(err, error);
    rate = reader->sampleRate();
    // A file of unknown length (a pipe, a streamed WAV) plays for the longest a file plays.
    if (!options.secondsGiven)
      seconds = reader->frames() == kUnknownFrames
                    ? kMaxFileSeconds
                    : std::clamp(static_cast<double>(reader->frames()) / rate, 0.5, kMaxFileSeconds);
    source = std::make_unique<FileSource>(std::move(reader));
  } else {
    source = std::make_unique<SignalSource>(rate);
  }

  auto plugin = PluginHost::load(options.plugin, error);
  if (!plugin) return fail(err, error);
  AEffect* e = plugin->effect();
  if (!(e->flags & effFlagsHasEditor)) return fail(err, "the plug-in has no editor");
  if (!(e->flags & effFlagsCanReplacing) || !e->processReplacing)
    return fail(err, "the plug-in offers no replacing processing (processReplacing)");
  if (e->numInputs < 0 || e->numInputs > 256 || e->numOutputs < 0 || e->numOutputs > 256)
    return fail(err, "the plug-in reports impossible channel counts");

  plugin->setSampleRate(rate);
  plugin->setBlockSize(options.blockSize);
  plugin->dispatch(effOpen);
  plugin->dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
  plugin->dispatch(effSetBlockSize, 0, options.blockSize);
  plugin->dispatch(effMainsChanged, 0, 1);

  // Announced before the size is asked, as hosts that scale their plug-ins do.
  if (options.scale > 0 && plugin->dispatch(effVendorSpecific, kVendorScaleIndex, kVendorScaleValue, nullptr,
                                            static_cast<float>(options.scale)) != 1)
    return fail(err, "the plug-in does not take a display factor (effVendorSpecific answered 0)");

  auto editorSize = [&](int& width, int& height) {
    ERect* rect = nullptr;
    if (!plugin->dispatch(effEditGetRect, 0, 0, &rect) || !rect) return false;
    width = rect->right - rect->left;
    height = rect->bottom - rect->top;
    return width > 0 && height > 0 && width <= 8192 && height <= 8192;
  };
  int width = 0, height = 0;
  if (!editorSize(width, height))
    return fail(err, "the plug-in has no working editor: effEditGetRect gives no size");

  auto window = EditorWindow::create(width, height, plugin->text(effGetEffectName), error);
  if (!window) return fail(err, error);
  if (!plugin->dispatch(effEditOpen, 0, 0, window->parent()))
    return fail(err, "the plug-in has no working editor: effEditOpen answered 0");
  // Some editors know their size only once open.
  int openWidth = width, openHeight = height;
  if (editorSize(openWidth, openHeight) && (openWidth != width || openHeight != height)) {
    width = openWidth;
    height = openHeight;
    window->resize(width, height);
  }

  plugin->setPlaying(true);
  AudioThread audio(e, *plugin, *source, rate, options.blockSize);
  audio.start();
  const auto start = Clock::now();
  const auto end =
      start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
  auto next = start;
  int64_t idles = 0;
  while (Clock::now() < end) {
    plugin->dispatch(effEditIdle);
    window->pump();
    ++idles;
    next += std::chrono::milliseconds(options.idleMs);
    std::this_thread::sleep_until(next);
  }
  // The picture is taken while the audio still runs: the editor draws what it measured.
  const bool hasWindow = window->hasEditorWindow();
  const bool saved = hasWindow && window->savePng(temporary, error);
  audio.stop();
  plugin->setPlaying(false);
  plugin->dispatch(effEditClose);
  window->pump();
  plugin->dispatch(effMainsChanged, 0, 0);
  const int64_t frames = audio.frames();
  plugin.reset();  // effClose before the window and its display go
  window.reset();

  if (!hasWindow)
    return fail(err, "the plug-in has no working editor: it opened no window in the host's window");
  if (!saved) return fail(err, error);
  if (!outputs.commit(error)) return fail(err, error);
  out << "saved the " << width << " x " << height << " editor to " << options.png << " after " << std::fixed
      << std::setprecision(1) << frames / rate << " s of "
      << (options.input.empty() ? "the built-in signal" : options.input) << " (" << idles << " idle calls, "
      << options.idleMs << " ms apart)\n";
  return kOk;
}

}  // namespace host
