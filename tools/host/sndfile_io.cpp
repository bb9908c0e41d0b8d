// Audio files on Linux: everything libsndfile reads (WAV, AIFF, FLAC, Ogg, CAF...).
// Integer files go through sf_readf_int / sf_writef_int with our own symmetric scaling,
// because libsndfile's float conversion scales reads and writes differently (2^15 in,
// 2^15 - 1 out) and would change every sample of a pass-through.
#include <sndfile.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "tools/host/audio_io.h"
#include "tools/host/file_open.h"
#include "tools/host/wav_file.h"

namespace host {
namespace {

// 16-bit stereo frames to two channels of doubles, four frames a step: the usual file,
// where a scalar loop costs as much as libsndfile's decoding. Multiplying by 2^-15 is
// exact, so the values are fromPcm's.
void splitStereo16(const short* in, int64_t frames, double* left, double* right) {
  int64_t i = 0;
#if defined(__SSE2__)
  const __m128d scale = _mm_set1_pd(1.0 / 32768);
  for (; i + 4 <= frames; i += 4) {
    const __m128i lr = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 2 * i));  // l0 r0 ... l3 r3
    // Sign-extended to 32 bits, each half in frame order, then lefts before rights.
    const __m128i low =
        _mm_shuffle_epi32(_mm_srai_epi32(_mm_unpacklo_epi16(lr, lr), 16), _MM_SHUFFLE(3, 1, 2, 0));
    const __m128i high =
        _mm_shuffle_epi32(_mm_srai_epi32(_mm_unpackhi_epi16(lr, lr), 16), _MM_SHUFFLE(3, 1, 2, 0));
    _mm_storeu_pd(left + i, _mm_mul_pd(_mm_cvtepi32_pd(low), scale));
    _mm_storeu_pd(left + i + 2, _mm_mul_pd(_mm_cvtepi32_pd(high), scale));
    _mm_storeu_pd(right + i, _mm_mul_pd(_mm_cvtepi32_pd(_mm_unpackhi_epi64(low, low)), scale));
    _mm_storeu_pd(right + i + 2, _mm_mul_pd(_mm_cvtepi32_pd(_mm_unpackhi_epi64(high, high)), scale));
  }
#endif
  for (; i < frames; ++i) {
    left[i] = fromPcm(in[2 * i], 16);
    right[i] = fromPcm(in[2 * i + 1], 16);
  }
}

SampleEncoding encodingOf(int format) {
  switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_16:
      return SampleEncoding::Pcm16;
    case SF_FORMAT_PCM_24:
      return SampleEncoding::Pcm24;
    case SF_FORMAT_PCM_32:
      return SampleEncoding::Pcm32;
    case SF_FORMAT_FLOAT:
      return SampleEncoding::Float32;
    case SF_FORMAT_DOUBLE:
      return SampleEncoding::Float64;
    default:
      return SampleEncoding::Other;
  }
}

bool isIntegerFormat(int format) {
  switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
    case SF_FORMAT_PCM_16:
    case SF_FORMAT_PCM_24:
    case SF_FORMAT_PCM_32:
    case SF_FORMAT_ULAW:
    case SF_FORMAT_ALAW:
      return true;
    default:
      return false;
  }
}

int pcmBits(int format) {
  switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
      return 8;
    case SF_FORMAT_PCM_24:
      return 24;
    case SF_FORMAT_PCM_32:
      return 32;
    default:
      return 16;
  }
}

std::string majorName(int format) {
  SF_FORMAT_INFO info{};
  info.format = format & SF_FORMAT_TYPEMASK;
  if (sf_command(nullptr, SFC_GET_FORMAT_MAJOR, &info, sizeof info) == 0 && info.name) return info.name;
  return "audio";
}

// Encodings stored sample by sample, where a file cut short is still good as far as it
// goes; every other one is a compressed stream, which must decode to its declared end.
bool isPlainEncoding(int format) {
  switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_FLOAT:
    case SF_FORMAT_DOUBLE:
      return true;
    default:
      return isIntegerFormat(format);
  }
}

class SndReader final : public AudioReader {
public:
  // `declared` is what the file's header says, kUnknownFrames where it says nothing.
  SndReader(SNDFILE* file, const SF_INFO& info, std::string name, int64_t declared)
      : file_(file), info_(info), name_(std::move(name)), declared_(declared) {}
  ~SndReader() override { sf_close(file_); }

  int channels() const override { return info_.channels; }
  double sampleRate() const override { return info_.samplerate; }
  int64_t frames() const override { return declared_; }
  SampleEncoding encoding() const override { return encodingOf(info_.format); }
  std::string formatName() const override {
    SF_FORMAT_INFO sub{};
    sub.format = info_.format & SF_FORMAT_SUBMASK;
    std::string subName =
        sf_command(nullptr, SFC_GET_FORMAT_INFO, &sub, sizeof sub) == 0 && sub.name ? sub.name : "";
    SF_FORMAT_INFO major{};
    major.format = info_.format & SF_FORMAT_TYPEMASK;
    std::string majorText = sf_command(nullptr, SFC_GET_FORMAT_INFO, &major, sizeof major) == 0 && major.name
                                ? major.name
                                : "audio";
    return majorText + (subName.empty() ? "" : " " + subName);
  }

  int64_t read(double* out, int64_t count) override {
    if (!isIntegerFormat(info_.format)) return check(sf_readf_double(file_, out, count), count);
    // Integers through decode's own reads, then converted in file order.
    decode(integers_, count);
    const int64_t samples = std::max<int64_t>(integers_.frames, 0) * info_.channels;
    if (isPcm16())
      for (int64_t i = 0; i < samples; ++i) out[i] = fromPcm(integers_.shorts[static_cast<size_t>(i)], 16);
    else
      for (int64_t i = 0; i < samples; ++i) out[i] = fromPcm(integers_.ints[static_cast<size_t>(i)], 32);
    return integers_.frames;
  }

  // The samples as libsndfile hands them over: 16-bit PCM as shorts, other integers as
  // ints, the rest as doubles.
  void decode(DecodedBlock& block, int64_t count) override {
    const size_t samples = static_cast<size_t>(count) * info_.channels;
    sf_count_t n;
    if (!isIntegerFormat(info_.format)) {
      block.doubles.resize(samples);
      n = sf_readf_double(file_, block.doubles.data(), count);
    } else if (isPcm16()) {
      block.shorts.resize(samples);
      n = sf_readf_short(file_, block.shorts.data(), count);
    } else {
      block.ints.resize(samples);
      n = sf_readf_int(file_, block.ints.data(), count);
    }
    block.frames = check(n, count);
  }

  // Conversion and split in one pass.
  void splitStereo(const DecodedBlock& block, int64_t first, int64_t count, double* left,
                   double* right) const override {
    const int channels = info_.channels;
    const size_t at = static_cast<size_t>(first) * channels;
    if (!isIntegerFormat(info_.format)) {
      host::splitStereo(block.doubles.data() + at, count, channels, left, right, [](double v) { return v; });
    } else if (isPcm16()) {
      if (channels == 2)
        splitStereo16(block.shorts.data() + at, count, left, right);
      else
        host::splitStereo(block.shorts.data() + at, count, channels, left, right,
                          [](short v) { return fromPcm(v, 16); });
    } else {
      host::splitStereo(block.ints.data() + at, count, channels, left, right,
                        [](int v) { return fromPcm(v, 32); });
    }
  }

private:
  // 16-bit PCM read as shorts gives the same values as read as ints (each a short shifted
  // left by 16), with a quarter of the int read's copying and conversion.
  bool isPcm16() const { return (info_.format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_16; }

  // libsndfile marks a decoding error on the read that meets it, which may still answer
  // frames, and clears it on the next, which answers 0 as at the end: every read is
  // checked, and an error stays one.
  int64_t check(sf_count_t n, int64_t requested) {
    if (!error_.empty()) return -1;
    if (sf_error(file_) != SF_ERR_NO_ERROR) {
      std::string reason = sf_strerror(file_);
      if (reason.rfind("Error : ", 0) == 0) reason.erase(0, 8);
      return failAt(position_ + std::max<sf_count_t>(n, 0), reason);
    }
    position_ += n;
    if (n < requested && !ended_) {
      ended_ = true;
      if (declared_ != kUnknownFrames && position_ < declared_) {
        if (!isPlainEncoding(info_.format))
          return failAt(position_, "the stream ends before the " + std::to_string(declared_) +
                                       " frames its header declares");
        endedEarly(name_, position_, declared_);
      }
    }
    return n;
  }

  int64_t failAt(int64_t frame, const std::string& reason) {
    error_ = name_ + ": decoding failed at frame " + std::to_string(frame) + ": " + reason;
    return -1;
  }

  SNDFILE* file_;
  SF_INFO info_;
  std::string name_;
  int64_t declared_;
  int64_t position_ = 0;
  bool ended_ = false;
  DecodedBlock integers_;  // read()'s
};

class SndWriter final : public AudioWriter {
public:
  SndWriter(SNDFILE* file, const SF_INFO& info) : file_(file), info_(info) {}
  ~SndWriter() override {
    if (file_) sf_close(file_);
  }

  bool write(const double* in, int64_t count) override {
    if (!file_) return false;
    const size_t samples = static_cast<size_t>(count) * info_.channels;
    sf_count_t written;
    if (isIntegerFormat(info_.format)) {
      ints_.resize(samples);
      // Rounded at the file's own depth, then left-justified as libsndfile expects.
      const int bits = pcmBits(info_.format);
      for (size_t i = 0; i < samples; ++i)
        ints_[i] =
            static_cast<int>(static_cast<uint32_t>(toPcm(in[i], bits, clipped_, nonFinite_)) << (32 - bits));
      written = sf_writef_int(file_, ints_.data(), count);
    } else {
      written = sf_writef_double(file_, in, count);
    }
    if (written != count) {
      error_ = sf_strerror(file_);
      return false;
    }
    return true;
  }

  bool close() override {
    if (!file_) return error_.empty();
    const int result = sf_close(file_);
    file_ = nullptr;
    if (result != 0) error_ = sf_error_number(result);
    return result == 0;
  }

private:
  SNDFILE* file_;
  SF_INFO info_;
  std::vector<int> ints_;
};

// The container from the file name's extension; WAV when there is none we know.
int majorFromPath(const std::string& path) {
  const size_t dot = path.find_last_of('.');
  std::string ext = dot == std::string::npos ? "" : path.substr(dot + 1);
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  if (ext == "aif" || ext == "aiff") return SF_FORMAT_AIFF;
  if (ext == "flac") return SF_FORMAT_FLAC;
  if (ext == "ogg" || ext == "oga") return SF_FORMAT_OGG;
  if (ext == "caf") return SF_FORMAT_CAF;
  if (ext == "w64") return SF_FORMAT_W64;
  if (ext == "au" || ext == "snd") return SF_FORMAT_AU;
  return SF_FORMAT_WAV;
}

int subtypeOf(SampleEncoding encoding) {
  switch (encoding) {
    case SampleEncoding::Pcm16:
      return SF_FORMAT_PCM_16;
    case SampleEncoding::Pcm24:
      return SF_FORMAT_PCM_24;
    case SampleEncoding::Pcm32:
      return SF_FORMAT_PCM_32;
    case SampleEncoding::Float64:
      return SF_FORMAT_DOUBLE;
    default:
      return SF_FORMAT_FLOAT;
  }
}

uint32_t be32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
         static_cast<uint32_t>(p[2]) << 8 | static_cast<uint32_t>(p[3]);
}

// The frame count an uncompressed file's header declares. libsndfile answers what the file
// holds, so a file cut short would pass for whole: the headers we know are read here.
// kUnknownFrames when the header leaves the length open; `fallback` for other containers.
int64_t declaredFrames(const std::string& path, const SF_INFO& info, int64_t fallback) {
  const int major = info.format & SF_FORMAT_TYPEMASK;
  if (major == SF_FORMAT_WAV || major == SF_FORMAT_WAVEX) {
    std::string error;
    const auto wav = openWavReader(path, error);
    return wav ? wav->frames() : fallback;
  }
  if (major != SF_FORMAT_AU && major != SF_FORMAT_AIFF) return fallback;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(openFile(path, "rb"), &std::fclose);
  unsigned char head[24];
  if (!file || std::fread(head, 1, sizeof head, file.get()) != sizeof head) return fallback;
  if (major == SF_FORMAT_AU) {
    // .snd, data offset, data size (all ones: unknown), encoding, rate, channels.
    const uint32_t bytes = be32(head + 8);
    if (bytes == 0xFFFFFFFF) return kUnknownFrames;
    int sampleBytes = 0;
    switch (be32(head + 12)) {
      case 1:  // mu-law
      case 2:
      case 27:  // A-law
        sampleBytes = 1;
        break;
      case 3:
        sampleBytes = 2;
        break;
      case 4:
        sampleBytes = 3;
        break;
      case 5:
      case 6:
        sampleBytes = 4;
        break;
      case 7:
        sampleBytes = 8;
        break;
    }
    return sampleBytes > 0 ? bytes / (sampleBytes * int64_t{info.channels}) : fallback;
  }
  // FORM size AIFF, then chunks: COMM holds the frame count after the channel count.
  int64_t pos = 12;
  for (int chunks = 0; chunks < 64 && std::fseek(file.get(), static_cast<long>(pos), SEEK_SET) == 0;
       ++chunks) {
    unsigned char chunk[14];
    if (std::fread(chunk, 1, 8, file.get()) != 8) break;
    const int64_t size = be32(chunk + 4);
    if (std::memcmp(chunk, "COMM", 4) == 0)
      return std::fread(chunk + 8, 1, 6, file.get()) == 6 ? be32(chunk + 10) : fallback;
    pos += 8 + size + (size & 1);
    if (pos > 0x7FFFFFFF) break;
  }
  return fallback;
}

}  // namespace

std::unique_ptr<AudioReader> openAudioReader(const std::string& path, std::string& error) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) {
    error = "cannot read " + path + ": " + sf_strerror(nullptr);
    return nullptr;
  }
  if (info.channels < 1 || info.samplerate < 1) {
    sf_close(file);
    error = path + ": the file has no audio channels";
    return nullptr;
  }
  const int major = info.format & SF_FORMAT_TYPEMASK;
  std::error_code ec;
  const bool regular = std::filesystem::is_regular_file(std::filesystem::u8path(path), ec);
  // A WAV written as a stream (data size 0) is empty to libsndfile; the built-in reader
  // reads its data to the end of the file, as on Windows.
  if (regular && info.frames == 0 && (major == SF_FORMAT_WAV || major == SF_FORMAT_WAVEX)) {
    std::string wavError;
    auto wav = openWavReader(path, wavError);
    if (wav && wav->frames() == kUnknownFrames) {
      sf_close(file);
      return wav;
    }
  }
  // Where the length is unknown (a pipe, an AU file whose size says so) libsndfile counts
  // a huge number of frames.
  const int64_t counted = info.frames >= INT64_MAX / 8 ? kUnknownFrames : info.frames;
  const int64_t declared =
      regular && isPlainEncoding(info.format) ? declaredFrames(path, info, counted) : counted;
  return std::make_unique<SndReader>(file, info, path, declared);
}

std::unique_ptr<AudioWriter> createAudioWriter(const std::string& path, int channels, double sampleRate,
                                               SampleEncoding encoding, std::string& error) {
  SF_INFO info{};
  info.channels = channels;
  info.samplerate = static_cast<int>(sampleRate + 0.5);
  const int major = majorFromPath(path);
  // Keep the input's encoding where the container allows it, else its usual one.
  info.format = major | subtypeOf(encoding);
  if (!sf_format_check(&info)) {
    info.format = major | (major == SF_FORMAT_FLAC  ? SF_FORMAT_PCM_24
                           : major == SF_FORMAT_OGG ? SF_FORMAT_VORBIS
                                                    : SF_FORMAT_FLOAT);
  }
  if (!sf_format_check(&info)) {
    error = "cannot write " + path + ": " + majorName(major) + " does not hold " + std::to_string(channels) +
            " channels at " + std::to_string(info.samplerate) + " Hz";
    return nullptr;
  }
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!file) {
    error = "cannot create " + path + ": " + sf_strerror(nullptr);
    return nullptr;
  }
  return std::make_unique<SndWriter>(file, info);
}

}  // namespace host
