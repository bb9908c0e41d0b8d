// process: an audio file streamed through the plug-in in host-sized blocks, written
// through a temporary that replaces OUT only when the whole file went through.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <filesystem>
#include <iomanip>
#include <memory>
#include <vector>

#include "tools/host/audio_io.h"
#include "tools/host/command_line.h"
#include "tools/host/commands.h"
#include "tools/host/crash_guard.h"
#include "tools/host/output_files.h"
#include "tools/host/plugin_host.h"
#include "tools/host/progress.h"

namespace host {

namespace {

// More channels than any plug-in has: a larger count means a broken record.
constexpr int32_t kMaxChannels = 256;
// Files at least this long show a progress bar on a terminal.
constexpr double kProgressSeconds = 10;

bool sane(const AEffect* e, std::string& why) {
  if (e->numInputs < 0 || e->numInputs > kMaxChannels || e->numOutputs < 0 || e->numOutputs > kMaxChannels) {
    why = "the plug-in reports " + std::to_string(e->numInputs) + " inputs and " +
          std::to_string(e->numOutputs) + " outputs";
    return false;
  }
  return true;
}

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
  InPlugin inPlugin;
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

// The writer's messages name the output, not its temporary.
std::string naming(std::string message, const std::string& temporary, const std::string& output) {
  for (size_t at = 0; (at = message.find(temporary, at)) != std::string::npos; at += output.size())
    message.replace(at, temporary.size(), output);
  return message;
}

}  // namespace

CommandRun addProcessCommand(CLI::App& root) {
  auto o = std::make_shared<ProcessOptions>();
  CLI::App* command = root.add_subcommand("process", "stream an audio file through the plug-in");
  command->add_option("PLUGIN", o->plugin, "the plug-in library")->required();
  command->add_option("IN", o->input, "the audio file to process")->required();
  command->add_option("OUT", o->output, "where the processed audio goes; never IN")->required();
  command->add_option("--block", o->blockSize, "frames per processing call (512)")
      ->type_name("N")
      ->check(wholeNumber(1, kMaxBlock, "a frame count from 1 to " + std::to_string(kMaxBlock)));
  command->add_flag("--double", o->doublePrecision, "process 64-bit samples (processDoubleReplacing)");
  auto noProgress = std::make_shared<bool>(false);
  command->add_flag("--no-progress", *noProgress, "no progress bar, even on a terminal");
  return [o, noProgress](std::ostream& out, std::ostream& err) {
    o->progress = !*noProgress;
    return runProcess(*o, out, err);
  };
}

int runProcess(const ProcessOptions& options, std::ostream& out, std::ostream& err) {
  std::string error, temporary;
  // Before anything is written: OUT may be neither the input nor the plug-in.
  OutputFiles outputs({options.input, options.plugin});
  if (!outputs.add(options.output, temporary, error)) return failure(err, error);
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

  auto writer = createAudioWriter(temporary, e->numOutputs, reader->sampleRate(), reader->encoding(), error);
  if (!writer) return failure(err, naming(error, temporary, options.output));
  // A failure from here on leaves OUT as it was: `outputs` removes the temporary.
  auto discard = [&](const std::string& message) {
    writer.reset();
    return failure(err, naming(message, temporary, options.output));
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
  if (!outputs.commit(error)) return failure(err, error);

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

}  // namespace host
