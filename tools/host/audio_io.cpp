#include "tools/host/audio_io.h"

#include <cmath>

namespace host {

const char* encodingName(SampleEncoding encoding) {
  switch (encoding) {
    case SampleEncoding::Pcm16:
      return "16-bit PCM";
    case SampleEncoding::Pcm24:
      return "24-bit PCM";
    case SampleEncoding::Pcm32:
      return "32-bit PCM";
    case SampleEncoding::Float32:
      return "32-bit float";
    case SampleEncoding::Float64:
      return "64-bit float";
    case SampleEncoding::Other:
      break;
  }
  return "other";
}

int64_t AudioReader::readStereo(double* left, double* right, int64_t count) {
  decode(block_, count);
  if (block_.frames > 0) splitStereo(block_, 0, block_.frames, left, right);
  return block_.frames;
}

void AudioReader::decode(DecodedBlock& block, int64_t count) {
  block.doubles.resize(static_cast<size_t>(count * channels()));
  block.frames = read(block.doubles.data(), count);
}

void AudioReader::splitStereo(const DecodedBlock& block, int64_t first, int64_t count, double* left,
                              double* right) const {
  host::splitStereo(block.doubles.data() + first * channels(), count, channels(), left, right,
                    [](double v) { return v; });
}

void AudioReader::endedEarly(const std::string& name, int64_t read, int64_t declared) {
  warning_ = name + ": the file ends at frame " + std::to_string(read) + " of the " +
             std::to_string(declared) + " its header declares; measured to its end";
}

int32_t toPcm(double value, int bits, int64_t& clipped, int64_t& nonFinite) {
  if (!std::isfinite(value)) {
    ++nonFinite;
    return 0;
  }
  const double scale = static_cast<double>(1LL << (bits - 1));
  const double scaled = std::nearbyint(value * scale);
  if (scaled > scale - 1) {
    ++clipped;
    return static_cast<int32_t>(scale - 1);
  }
  if (scaled < -scale) {
    ++clipped;
    return static_cast<int32_t>(-scale);
  }
  return static_cast<int32_t>(scaled);
}

}  // namespace host
