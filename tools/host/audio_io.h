// Audio files as the host streams them: interleaved doubles in [-1, 1] (a double holds
// every 16/24/32-bit PCM sample and every float sample exactly). Linux reads and writes
// through libsndfile, Windows through the built-in WAV code (wav_file.h).
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace host {

// frames() of a file whose length its header leaves open: a pipe, an AU file whose size
// says "unknown", a WAV written as a stream (RIFF and data sizes 0).
constexpr int64_t kUnknownFrames = -1;

// How samples are stored in a file; the output keeps the input's encoding.
enum class SampleEncoding { Pcm16, Pcm24, Pcm32, Float32, Float64, Other };

const char* encodingName(SampleEncoding encoding);

// A block of a file as its decoder hands it over, before the conversion to doubles: the
// decoding may run on one thread and the conversion on another.
struct DecodedBlock {
  int64_t frames = 0;           // read; 0 at the end, -1 on an error
  std::vector<short> shorts;    // 16-bit PCM
  std::vector<int> ints;        // other integer encodings, left-justified
  std::vector<double> doubles;  // everything else, as read() gives it
};

class AudioReader {
public:
  virtual ~AudioReader() = default;
  virtual int channels() const = 0;
  virtual double sampleRate() const = 0;
  // The frames the header declares, or kUnknownFrames. Readers read until read() says
  // the end, never stopping at this count: a file may hold fewer (see warning()).
  virtual int64_t frames() const = 0;
  virtual SampleEncoding encoding() const = 0;
  virtual std::string formatName() const = 0;  // e.g. "WAV 16-bit PCM"
  // Reads up to `count` frames; answers the number read, 0 at the end, -1 on an error
  // (error() then names the file and the frame where reading failed). A compressed stream
  // that fails to decode is an error; an uncompressed file that ends before its header
  // says is read to its end, which sets warning().
  virtual int64_t read(double* interleaved, int64_t count) = 0;
  // The same values as read() into one buffer per channel, for a stereo consumer: the
  // file's first two channels, or its one channel into both.
  int64_t readStereo(double* left, double* right, int64_t count);
  // readStereo in two steps. decode reads up to `count` frames into `block`, setting its
  // frames; splitStereo converts the block's frames [first, first + count) for the stereo
  // consumer. Each step may run on a thread of its own, one at a time per block.
  virtual void decode(DecodedBlock& block, int64_t count);
  virtual void splitStereo(const DecodedBlock& block, int64_t first, int64_t count, double* left,
                           double* right) const;
  const std::string& error() const { return error_; }
  // Once the end is reached: non-empty when the file ended before the length its header
  // declares, saying both counts.
  const std::string& warning() const { return warning_; }

protected:
  // The warning for a file that ended at frame `read` of the `declared` ones.
  void endedEarly(const std::string& name, int64_t read, int64_t declared);

  std::string error_;
  std::string warning_;

private:
  DecodedBlock block_;  // readStereo's
};

class AudioWriter {
public:
  virtual ~AudioWriter() = default;
  // Values outside [-1, 1] are clipped and non-finite ones written as 0 for PCM
  // encodings; both are counted.
  virtual bool write(const double* interleaved, int64_t count) = 0;
  // Completes the file; a writer destroyed without close() leaves it incomplete.
  virtual bool close() = 0;
  const std::string& error() const { return error_; }
  int64_t clipped() const { return clipped_; }
  int64_t nonFinite() const { return nonFinite_; }

protected:
  std::string error_;
  int64_t clipped_ = 0;
  int64_t nonFinite_ = 0;
};

// The platform's reader and writer. On failure they answer null and fill `error`.
std::unique_ptr<AudioReader> openAudioReader(const std::string& path, std::string& error);
std::unique_ptr<AudioWriter> createAudioWriter(const std::string& path, int channels, double sampleRate,
                                               SampleEncoding encoding, std::string& error);

// PCM conversion shared by both back ends: symmetric scaling by 2^(bits-1), so that a
// sample read and written again is the same sample.
int32_t toPcm(double value, int bits, int64_t& clipped, int64_t& nonFinite);
inline double fromPcm(int32_t value, int bits) { return value / static_cast<double>(1LL << (bits - 1)); }

// Interleaved frames to one buffer per channel for a stereo consumer, each sample through
// `convert`: the first two channels, or the only one into both.
template <class T, class Convert>
void splitStereo(const T* in, int64_t frames, int channels, double* left, double* right, Convert convert) {
  if (channels == 2) {  // the usual case, in a loop the compiler can vectorise
    for (int64_t i = 0; i < frames; ++i) {
      left[i] = convert(in[2 * i]);
      right[i] = convert(in[2 * i + 1]);
    }
    return;
  }
  const int second = channels > 1 ? 1 : 0;
  for (int64_t i = 0; i < frames; ++i) {
    left[i] = convert(in[i * channels]);
    right[i] = convert(in[i * channels + second]);
  }
}

}  // namespace host
