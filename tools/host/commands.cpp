#include "tools/host/commands.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iomanip>
#include <sstream>
#include <vector>

#include "tools/host/analyze.h"
#include "tools/host/audio_io.h"
#include "tools/host/demo_signal.h"
#include "tools/host/plugin_host.h"
#include "tools/host/progress.h"

namespace host {

const char* const kUsageText =
    "usage: brimtrace-host COMMAND ...\n"
    "  info PLUGIN                      the plug-in's record, names, capabilities, editor size\n"
    "  process PLUGIN IN OUT [--block N] [--double] [--no-progress]\n"
    "                                   stream an audio file through the plug-in\n"
    "  snapshot PLUGIN [IN] --png OUT.png [--seconds S] [--idle MS] [--block N] [--scale F]\n"
    "                                   run the editor on audio (a file, else the built-in signal) at\n"
    "                                   real-time pace for S seconds (6; a file: its length), save its "
    "picture;\n"
    "                                   --scale announces a display factor from 1 to 4 to the editor\n"
    "  signal OUT [--seconds S] [--rate HZ]\n"
    "                                   write the built-in demonstration signal\n"
    "  compare A B [--tolerance T]      whether two audio files hold the same samples\n"
    "  analyze IN [--png OUT.png] [--json OUT.json] [--csv OUT.csv] [--window-ms W] [--width PX]\n"
    "                                   the whole file's slew, window by window (W: 33.3 ms), as a\n"
    "                                   report and a picture whose plot area is PX (1600) x 400\n";

namespace {

// More channels than any plug-in has: a larger count means a broken record.
constexpr int32_t kMaxChannels = 256;
constexpr int kMaxBlock = 1 << 16;
// Files at least this long show a progress bar on a terminal.
constexpr double kProgressSeconds = 10;

std::string hex(int64_t v, int width = 8) {
  std::ostringstream s;
  s << "0x" << std::hex << std::setw(width) << std::setfill('0') << v;
  return s.str();
}

// A four-character code as text, dots for what does not print.
std::string fourCC(int32_t v) {
  std::string s;
  for (int shift = 24; shift >= 0; shift -= 8) {
    const char c = static_cast<char>((static_cast<uint32_t>(v) >> shift) & 0xFF);
    s += (c >= 32 && c < 127) ? c : '.';
  }
  return s;
}

std::string flagNames(int32_t flags) {
  static const struct {
    int32_t bit;
    const char* name;
  } names[] = {
      {effFlagsHasEditor, "has-editor"},           {effFlagsCanReplacing, "can-replace"},
      {effFlagsProgramChunks, "program-chunks"},   {effFlagsIsSynth, "is-synth"},
      {effFlagsNoSoundInStop, "no-sound-in-stop"}, {effFlagsCanDoubleReplacing, "can-double-replace"}};
  std::string s;
  int32_t rest = flags;
  for (const auto& n : names) {
    if (flags & n.bit) {
      s += std::string(s.empty() ? "" : " ") + n.name;
      rest &= ~n.bit;
    }
  }
  if (rest) s += std::string(s.empty() ? "" : " ") + "other " + hex(rest, 4);
  return s;
}

std::string quoted(const std::string& s) { return "\"" + s + "\""; }

std::string canDoAnswer(intptr_t answer) {
  if (answer > 0) return answer == 1 ? "yes" : "yes (" + hex(answer, 1) + ")";
  if (answer < 0) return answer == -1 ? "no" : "no (" + std::to_string(answer) + ")";
  return "don't know";
}

bool sane(const AEffect* e, std::string& why) {
  if (e->numInputs < 0 || e->numInputs > kMaxChannels || e->numOutputs < 0 || e->numOutputs > kMaxChannels) {
    why = "the plug-in reports " + std::to_string(e->numInputs) + " inputs and " +
          std::to_string(e->numOutputs) + " outputs";
    return false;
  }
  return true;
}

bool parseInt(const std::string& text, long min, long max, int& value) {
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (errno || end == text.c_str() || *end || v < min || v > max) return false;
  value = static_cast<int>(v);
  return true;
}

bool parseDouble(const std::string& text, double min, double max, double& value) {
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (end == text.c_str() || *end || !(v >= min && v <= max)) return false;
  value = v;
  return true;
}

}  // namespace

int usageError(std::ostream& err, const std::string& message) {
  err << "brimtrace-host: " << message << " (brimtrace-host --help for usage)\n";
  return kUsage;
}

int failure(std::ostream& err, const std::string& message) {
  err << "brimtrace-host: " << message << "\n";
  return kFailed;
}

int runInfo(const std::string& plugin, std::ostream& out, std::ostream& err) {
  std::string error;
  auto host = PluginHost::load(plugin, error);
  if (!host) return failure(err, error);
  AEffect* e = host->effect();
  host->dispatch(effOpen);

  const int label = 18;
  auto row = [&](const char* name, const std::string& value) {
    out << std::left << std::setw(label) << name << value << "\n";
  };
  row("plug-in", plugin);
  row("entry", host->entryName());
  row("magic", hex(e->magic) + " '" + fourCC(e->magic) + "'");
  row("unique id", std::to_string(e->uniqueID) + " (" + hex(e->uniqueID) + " '" + fourCC(e->uniqueID) + "')");
  row("version", std::to_string(e->version));
  row("flags", hex(e->flags, 4) + " " + flagNames(e->flags));
  row("inputs", std::to_string(e->numInputs));
  row("outputs", std::to_string(e->numOutputs));
  row("parameters", std::to_string(e->numParams));
  row("programs", std::to_string(e->numPrograms));
  row("initial delay", std::to_string(e->initialDelay) + " frames");
  row("VST version", std::to_string(host->dispatch(effGetVstVersion)));
  row("vendor version", std::to_string(host->dispatch(effGetVendorVersion)));
  row("category", std::to_string(host->dispatch(effGetPlugCategory)));
  row("effect name", quoted(host->text(effGetEffectName)));
  row("vendor", quoted(host->text(effGetVendorString)));
  row("product", quoted(host->text(effGetProductString)));
  row("program name", quoted(host->text(effGetProgramName)));

  ERect* rect = nullptr;
  if (host->dispatch(effEditGetRect, 0, 0, &rect) && rect) {
    row("editor", std::to_string(rect->right - rect->left) + " x " +
                      std::to_string(rect->bottom - rect->top) + " (top " + std::to_string(rect->top) +
                      ", left " + std::to_string(rect->left) + ", bottom " + std::to_string(rect->bottom) +
                      ", right " + std::to_string(rect->right) + ")");
  } else {
    row("editor", (e->flags & effFlagsHasEditor) ? "flagged, but no size given" : "none");
  }
  if (e->flags & effFlagsProgramChunks) {
    void* data = nullptr;
    const intptr_t bytes = host->dispatch(effGetChunk, 0, 0, &data);
    row("state chunk", std::to_string(bytes) + " bytes" + (bytes > 0 && !data ? " (but no data)" : ""));
  }

  const int32_t params = std::min<int32_t>(std::max<int32_t>(e->numParams, 0), 1000);
  for (int32_t i = 0; i < params; ++i) {
    const float value = e->getParameter ? e->getParameter(e, i) : 0.0f;
    std::ostringstream v;
    v << host->text(effGetParamName, i) << " = " << host->text(effGetParamDisplay, i) << " "
      << host->text(effGetParamLabel, i) << " (" << value << ")";
    row(("parameter " + std::to_string(i)).c_str(), v.str());
  }

  out << "can do\n";
  static const char* const questions[] = {"sendVstEvents",
                                          "sendVstMidiEvent",
                                          "receiveVstEvents",
                                          "receiveVstMidiEvent",
                                          "receiveVstTimeInfo",
                                          "offline",
                                          "midiProgramNames",
                                          "bypass",
                                          "noRealTime",
                                          "plugAsChannelInsert",
                                          "plugAsSend",
                                          "mixDryWet",
                                          "1in1out",
                                          "2in2out",
                                          "MPE"};
  for (const char* q : questions) {
    std::vector<char> text(q, q + std::strlen(q) + 1);  // a writable copy, as hosts pass it
    out << "  " << std::left << std::setw(22) << q << canDoAnswer(host->dispatch(effCanDo, 0, 0, text.data()))
        << "\n";
  }
  return kOk;
}

namespace {

// Channel buffers in the plug-in's precision, and the copies between them and the file.
template <typename Sample>
struct Buffers {
  std::vector<std::vector<Sample>> in, out;
  std::vector<Sample*> inPtr, outPtr;

  Buffers(int inputs, int outputs, int frames)
      : in(static_cast<size_t>(inputs), std::vector<Sample>(static_cast<size_t>(frames))),
        out(static_cast<size_t>(outputs), std::vector<Sample>(static_cast<size_t>(frames))) {
    for (auto& c : in) inPtr.push_back(c.data());
    for (auto& c : out) outPtr.push_back(c.data());
  }
  // A mono file feeds every input; otherwise file channel c feeds input c and the rest
  // get silence.
  void load(const double* interleaved, int fileChannels, int frames) {
    for (size_t c = 0; c < in.size(); ++c) {
      const int source = fileChannels == 1 ? 0 : static_cast<int>(c);
      for (int i = 0; i < frames; ++i)
        in[c][static_cast<size_t>(i)] =
            source < fileChannels ? static_cast<Sample>(interleaved[i * fileChannels + source]) : Sample(0);
    }
    for (auto& c : out) std::fill(c.begin(), c.end(), Sample(0));
  }
  void store(double* interleaved, int frames) const {
    const size_t n = out.size();
    for (size_t c = 0; c < n; ++c)
      for (int i = 0; i < frames; ++i)
        interleaved[static_cast<size_t>(i) * n + c] = out[c][static_cast<size_t>(i)];
  }
};

template <typename Sample>
void processBlock(AEffect* e, Buffers<Sample>& b, int frames) {
  Sample** in = b.inPtr.empty() ? nullptr : b.inPtr.data();
  Sample** out = b.outPtr.empty() ? nullptr : b.outPtr.data();
  if constexpr (sizeof(Sample) == sizeof(double))
    e->processDoubleReplacing(e, in, out, frames);
  else
    e->processReplacing(e, in, out, frames);
}

template <typename Sample>
bool stream(PluginHost& host, AudioReader& reader, AudioWriter& writer, int block, ProgressBar& progress,
            int64_t& frames, std::string& error) {
  AEffect* e = host.effect();
  Buffers<Sample> buffers(e->numInputs, e->numOutputs, block);
  std::vector<double> fileIn(static_cast<size_t>(block) * reader.channels());
  std::vector<double> fileOut(static_cast<size_t>(block) * e->numOutputs);
  for (;;) {
    const int64_t n = reader.read(fileIn.data(), block);
    if (n < 0) {
      error = "reading the input failed: " + reader.error();
      return false;
    }
    if (n == 0) return true;
    buffers.load(fileIn.data(), reader.channels(), static_cast<int>(n));
    processBlock(e, buffers, static_cast<int>(n));
    host.advance(static_cast<int32_t>(n));
    buffers.store(fileOut.data(), static_cast<int>(n));
    if (!writer.write(fileOut.data(), n)) {
      error = "writing the output failed: " + writer.error();
      return false;
    }
    frames += n;
    progress.update(frames);
  }
}

}  // namespace

int runProcess(const ProcessOptions& options, std::ostream& out, std::ostream& err) {
  std::string error;
  auto reader = openAudioReader(options.input, error);
  if (!reader) return failure(err, error);
  auto host = PluginHost::load(options.plugin, error);
  if (!host) return failure(err, error);
  AEffect* e = host->effect();
  if (!sane(e, error)) return failure(err, error);
  if (e->numOutputs == 0) return failure(err, "the plug-in has no audio outputs");
  if (options.doublePrecision) {
    if (!(e->flags & effFlagsCanDoubleReplacing) || !e->processDoubleReplacing)
      return failure(err, "the plug-in does not process 64-bit samples (no --double)");
  } else if (!(e->flags & effFlagsCanReplacing) || !e->processReplacing) {
    return failure(err, "the plug-in offers no replacing processing (processReplacing)");
  }

  std::error_code ec;
  if (std::filesystem::equivalent(std::filesystem::u8path(options.input),
                                  std::filesystem::u8path(options.output), ec))
    return failure(err, options.output + " would overwrite its own input");
  auto writer =
      createAudioWriter(options.output, e->numOutputs, reader->sampleRate(), reader->encoding(), error);
  if (!writer) return failure(err, error);
  // From here on a failure removes the half-written output.
  auto discard = [&](const std::string& message) {
    writer.reset();
    std::filesystem::remove(std::filesystem::u8path(options.output), ec);
    return failure(err, message);
  };

  const double rate = reader->sampleRate();
  host->setSampleRate(rate);
  host->setBlockSize(options.blockSize);
  host->dispatch(effOpen);
  host->dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
  host->dispatch(effSetBlockSize, 0, options.blockSize);
  host->dispatch(effSetProcessPrecision, 0, options.doublePrecision ? 1 : 0);
  host->dispatch(effMainsChanged, 0, 1);
  host->dispatch(effStartProcess);
  host->setPlaying(true);

  const bool showProgress = options.progress && isTerminal(stderr) &&
                            reader->frames() >= static_cast<int64_t>(kProgressSeconds * rate);
  ProgressBar progress(stderr, reader->frames(), rate, showProgress);
  int64_t frames = 0;
  const bool ok = options.doublePrecision
                      ? stream<double>(*host, *reader, *writer, options.blockSize, progress, frames, error)
                      : stream<float>(*host, *reader, *writer, options.blockSize, progress, frames, error);
  progress.finish();

  host->setPlaying(false);
  host->dispatch(effStopProcess);
  host->dispatch(effMainsChanged, 0, 0);
  // The record dies with effClose: keep what the report needs.
  const int32_t latency = e->initialDelay, inputs = e->numInputs;
  e = nullptr;
  host.reset();  // effClose
  if (!ok) return discard(error);
  if (!writer->close()) return discard(writer->error());

  out << "processed " << frames << " frames (" << std::fixed << std::setprecision(2) << frames / rate
      << " s) of " << reader->channels() << " channel" << (reader->channels() == 1 ? "" : "s") << " at "
      << std::setprecision(0) << rate << " Hz in blocks of " << options.blockSize << ", "
      << (options.doublePrecision ? 64 : 32) << "-bit samples: " << options.input << " -> " << options.output
      << "\n";
  if (reader->channels() > inputs && inputs > 0)
    out << "note: the plug-in has " << inputs << " inputs; file channels beyond them were not used\n";
  if (latency != 0)
    out << "note: the plug-in reports a latency of " << latency << " frames; the output is not shifted\n";
  if (writer->clipped() > 0) out << "note: " << writer->clipped() << " output samples were clipped\n";
  if (writer->nonFinite() > 0)
    out << "warning: the plug-in produced " << writer->nonFinite()
        << " samples that are not numbers; written as 0\n";
  return kOk;
}

int runSignal(const SignalOptions& options, std::ostream& out, std::ostream& err) {
  std::string error;
  auto writer = createAudioWriter(options.output, 2, options.sampleRate, SampleEncoding::Float32, error);
  if (!writer) return failure(err, error);
  const DemoSignal signal{options.sampleRate};
  const int64_t total = static_cast<int64_t>(std::llround(options.seconds * options.sampleRate));
  constexpr int32_t kBlock = 4096;
  std::vector<double> left(kBlock), right(kBlock), interleaved(2 * kBlock);
  for (int64_t start = 0; start < total; start += kBlock) {
    const int32_t n = static_cast<int32_t>(std::min<int64_t>(kBlock, total - start));
    signal.render(start, n, left.data(), right.data());
    for (int32_t i = 0; i < n; ++i) {
      interleaved[2 * i] = left[i];
      interleaved[2 * i + 1] = right[i];
    }
    if (!writer->write(interleaved.data(), n)) return failure(err, writer->error());
  }
  if (!writer->close()) return failure(err, writer->error());
  out << "wrote " << total
      << " frames of the demonstration signal (440 Hz sine left, stepped 1 kHz bursts right) to "
      << options.output << "\n";
  return kOk;
}

int runCompare(const CompareOptions& options, std::ostream& out, std::ostream& err) {
  std::string error;
  auto a = openAudioReader(options.first, error);
  if (!a) return failure(err, error);
  auto b = openAudioReader(options.second, error);
  if (!b) return failure(err, error);
  if (a->channels() != b->channels() || a->sampleRate() != b->sampleRate())
    return failure(err, "the files differ in layout: " + std::to_string(a->channels()) + " channels at " +
                            std::to_string(static_cast<long>(a->sampleRate())) + " Hz against " +
                            std::to_string(b->channels()) + " at " +
                            std::to_string(static_cast<long>(b->sampleRate())));
  const int channels = a->channels();
  constexpr int64_t kBlock = 4096;
  std::vector<double> x(static_cast<size_t>(kBlock * channels)), y(x.size());
  int64_t frame = 0, firstFrame = -1, differing = 0;
  double worst = 0;
  for (;;) {
    const int64_t n = a->read(x.data(), kBlock);
    const int64_t m = n < 0 ? -1 : b->read(y.data(), std::max<int64_t>(n, 1));
    if (n < 0 || m < 0) return failure(err, "reading failed: " + (n < 0 ? a->error() : b->error()));
    if (n != m) {
      return failure(err, "the files differ in length: " + options.first + " has " +
                              std::to_string(a->frames()) + " frames, " + options.second + " " +
                              std::to_string(b->frames()));
    }
    if (n == 0) break;
    for (int64_t i = 0; i < n * channels; ++i) {
      const double d = std::fabs(x[static_cast<size_t>(i)] - y[static_cast<size_t>(i)]);
      if (!(d <= options.tolerance)) {  // NaN differs too
        if (firstFrame < 0) firstFrame = frame + i / channels;
        ++differing;
        worst = std::isnan(d) ? d : std::max(worst, d);
      }
    }
    frame += n;
  }
  if (differing > 0) {
    std::ostringstream s;
    s << differing << " samples differ, the first at frame " << firstFrame << ", by up to " << worst;
    return failure(err, s.str());
  }
  out << "same samples: " << frame << " frames of " << channels << " channel" << (channels == 1 ? "" : "s");
  if (options.tolerance > 0) out << " (within " << options.tolerance << ")";
  out << "\n";
  return kOk;
}

int runHost(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) return usageError(err, "no command given");
  const std::string& command = args[0];
  if (command == "-h" || command == "--help" || command == "help") {
    out << kUsageText;
    return kOk;
  }
  // Positional arguments and options, in any order.
  std::vector<std::string> positional;
  std::vector<std::pair<std::string, std::string>> flags;
  static const char* const withValue[] = {"--block",     "--png",       "--seconds", "--rate",
                                          "--idle",      "--tolerance", "--json",    "--csv",
                                          "--window-ms", "--width",     "--scale"};
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.size() > 1 && a[0] == '-' && a != "-") {
      bool takesValue = false;
      for (const char* w : withValue) takesValue = takesValue || a == w;
      if (takesValue) {
        if (i + 1 >= args.size()) return usageError(err, a + " needs a value");
        flags.emplace_back(a, args[++i]);
      } else {
        flags.emplace_back(a, "");
      }
    } else {
      positional.push_back(a);
    }
  }
  auto allowOnly = [&](std::initializer_list<const char*> allowed, std::string& bad) {
    for (const auto& f : flags) {
      bool ok = false;
      for (const char* a : allowed) ok = ok || f.first == a;
      if (!ok) {
        bad = f.first;
        return false;
      }
    }
    return true;
  };
  std::string bad;

  if (command == "info") {
    if (!allowOnly({}, bad)) return usageError(err, "info takes no option " + bad);
    if (positional.size() != 1) return usageError(err, "info needs exactly one PLUGIN");
    return runInfo(positional[0], out, err);
  }
  if (command == "process") {
    if (!allowOnly({"--block", "--double", "--no-progress"}, bad))
      return usageError(err, "process takes no option " + bad);
    if (positional.size() != 3) return usageError(err, "process needs PLUGIN IN OUT");
    ProcessOptions o{positional[0], positional[1], positional[2]};
    for (const auto& [name, value] : flags) {
      if (name == "--block" && !parseInt(value, 1, kMaxBlock, o.blockSize))
        return usageError(err, "--block needs a frame count from 1 to " + std::to_string(kMaxBlock));
      if (name == "--double") o.doublePrecision = true;
      if (name == "--no-progress") o.progress = false;
    }
    return runProcess(o, out, err);
  }
  if (command == "snapshot") {
    if (!allowOnly({"--png", "--seconds", "--block", "--idle", "--scale"}, bad))
      return usageError(err, "snapshot takes no option " + bad);
    if (positional.empty() || positional.size() > 2) return usageError(err, "snapshot needs PLUGIN [IN]");
    SnapshotOptions o{positional[0], positional.size() > 1 ? positional[1] : "", ""};
    for (const auto& [name, value] : flags) {
      if (name == "--png") o.png = value;
      if (name == "--seconds" && !parseDouble(value, 0.1, 3600, o.seconds))
        return usageError(err, "--seconds needs a duration from 0.1 to 3600");
      if (name == "--seconds") o.secondsGiven = true;
      if (name == "--block" && !parseInt(value, 1, kMaxBlock, o.blockSize))
        return usageError(err, "--block needs a frame count from 1 to " + std::to_string(kMaxBlock));
      if (name == "--idle" && !parseInt(value, 1, 1000, o.idleMs))
        return usageError(err, "--idle needs milliseconds from 1 to 1000");
      if (name == "--scale" && !parseDouble(value, 1, 4, o.scale))
        return usageError(err, "--scale needs a factor from 1 to 4");
    }
    if (o.png.empty()) return usageError(err, "snapshot needs --png OUT.png");
    return runSnapshot(o, out, err);
  }
  if (command == "signal") {
    if (!allowOnly({"--seconds", "--rate"}, bad)) return usageError(err, "signal takes no option " + bad);
    if (positional.size() != 1) return usageError(err, "signal needs exactly one OUT file");
    SignalOptions o{positional[0]};
    for (const auto& [name, value] : flags) {
      if (name == "--seconds" && !parseDouble(value, 0.001, 36000, o.seconds))
        return usageError(err, "--seconds needs a duration from 0.001 to 36000");
      if (name == "--rate" && !parseDouble(value, 1000, 768000, o.sampleRate))
        return usageError(err, "--rate needs a sample rate from 1000 to 768000");
    }
    return runSignal(o, out, err);
  }
  if (command == "compare") {
    if (!allowOnly({"--tolerance"}, bad)) return usageError(err, "compare takes no option " + bad);
    if (positional.size() != 2) return usageError(err, "compare needs two files");
    CompareOptions o{positional[0], positional[1]};
    for (const auto& [name, value] : flags)
      if (name == "--tolerance" && !parseDouble(value, 0, 2, o.tolerance))
        return usageError(err, "--tolerance needs a value from 0 to 2");
    return runCompare(o, out, err);
  }
  if (command == "analyze") return analyzeCommand(positional, flags, out, err);
  return usageError(err, "unknown command " + command);
}

}  // namespace host
