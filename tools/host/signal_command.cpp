// signal: the built-in demonstration signal as a stereo file.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "tools/host/audio_io.h"
#include "tools/host/command_line.h"
#include "tools/host/commands.h"
#include "tools/host/demo_signal.h"
#include "tools/host/output_files.h"

namespace host {

CommandRun addSignalCommand(CLI::App& root) {
  auto o = std::make_shared<SignalOptions>();
  CLI::App* command = root.add_subcommand("signal", "write the built-in demonstration signal");
  command->add_option("OUT", o->output, "the audio file to write")->required();
  command->add_option("--seconds", o->seconds, "its length (5)")
      ->type_name("S")
      ->check(number(0.001, 36000, "a duration from 0.001 to 36000"));
  command->add_option("--rate", o->sampleRate, "its sample rate (44100)")
      ->type_name("HZ")
      ->check(number(1000, 768000, "a sample rate from 1000 to 768000"));
  return [o](std::ostream& out, std::ostream& err) { return runSignal(*o, out, err); };
}

int runSignal(const SignalOptions& options, std::ostream& out, std::ostream& err) {
  std::string error, temporary;
  OutputFiles outputs({});
  if (!outputs.add(options.output, temporary, error)) return failure(err, error);
  auto writer = createAudioWriter(temporary, 2, options.sampleRate, SampleEncoding::Float32, error);
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
  if (!outputs.commit(error)) return failure(err, error);
  out << "wrote " << total
      << " frames of the demonstration signal (440 Hz sine left, stepped 1 kHz bursts right) to "
      << options.output << "\n";
  return kOk;
}

}  // namespace host
