// compare: whether two audio files hold the same samples, within a tolerance.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <memory>
#include <sstream>
#include <vector>

#include "tools/host/audio_io.h"
#include "tools/host/command_line.h"
#include "tools/host/commands.h"

namespace host {

CommandRun addCompareCommand(CLI::App& root) {
  auto o = std::make_shared<CompareOptions>();
  CLI::App* command = root.add_subcommand("compare", "whether two audio files hold the same samples");
  command->add_option("A", o->first, "an audio file")->required();
  command->add_option("B", o->second, "the audio file to compare it with")->required();
  command->add_option("--tolerance", o->tolerance, "the largest difference taken as the same (0)")
      ->type_name("T")
      ->check(number(0, 2, "a value from 0 to 2"));
  return [o](std::ostream& out, std::ostream& err) { return runCompare(*o, out, err); };
}

namespace {

// The frames a reader still holds, read to its end; -1 on a reading error.
int64_t framesLeft(AudioReader& reader, std::vector<double>& buffer) {
  const int64_t capacity = static_cast<int64_t>(buffer.size()) / std::max(reader.channels(), 1);
  int64_t total = 0;
  for (;;) {
    const int64_t n = reader.read(buffer.data(), capacity);
    if (n <= 0) return n < 0 ? -1 : total;
    total += n;
  }
}

}  // namespace

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
      // The lengths as read: a header may declare another, or none.
      const int64_t restA = framesLeft(*a, x), restB = framesLeft(*b, y);
      if (restA < 0 || restB < 0)
        return failure(err, "reading failed: " + (restA < 0 ? a->error() : b->error()));
      return failure(err, "the files differ in length: " + options.first + " has " +
                              std::to_string(frame + n + restA) + " frames, " + options.second + " " +
                              std::to_string(frame + m + restB));
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

}  // namespace host
