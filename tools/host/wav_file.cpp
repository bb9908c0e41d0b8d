#include "tools/host/wav_file.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "tools/host/file_open.h"

namespace host {
namespace {

constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatFloat = 3;
constexpr uint16_t kFormatExtensible = 0xFFFE;
// More channels than any real file has: a bigger count means a damaged header.
constexpr int kMaxChannels = 1024;

uint16_t le16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t le32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
void put16(unsigned char* p, uint32_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
}
void put32(unsigned char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f) std::fclose(f);
  }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

bool seekTo(std::FILE* f, int64_t offset) {
#if defined(_WIN32)
  return _fseeki64(f, offset, SEEK_SET) == 0;
#else
  return fseeko(f, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

int64_t fileSize(std::FILE* f) {
#if defined(_WIN32)
  if (_fseeki64(f, 0, SEEK_END) != 0) return -1;
  return _ftelli64(f);
#else
  if (fseeko(f, 0, SEEK_END) != 0) return -1;
  return static_cast<int64_t>(ftello(f));
#endif
}

class WavReader final : public AudioReader {
public:
  // `declared` is the data chunk's frames, or kUnknownFrames for a stream whose data runs
  // to the end of the file.
  WavReader(File file, std::string name, int channels, double rate, int bits, bool isFloat, int64_t declared)
      : file_(std::move(file)),
        name_(std::move(name)),
        channels_(channels),
        rate_(rate),
        bits_(bits),
        float_(isFloat),
        declared_(declared),
        bytesPerSample_(bits / 8) {}

  int channels() const override { return channels_; }
  double sampleRate() const override { return rate_; }
  int64_t frames() const override { return declared_; }
  SampleEncoding encoding() const override {
    if (float_) return bits_ == 32 ? SampleEncoding::Float32 : SampleEncoding::Float64;
    switch (bits_) {
      case 16:
        return SampleEncoding::Pcm16;
      case 24:
        return SampleEncoding::Pcm24;
      case 32:
        return SampleEncoding::Pcm32;
      default:
        return SampleEncoding::Other;
    }
  }
  std::string formatName() const override {
    if (bits_ == 8) return "WAV 8-bit PCM";
    return std::string("WAV ") + encodingName(encoding());
  }

  int64_t read(double* out, int64_t count) override {
    if (!error_.empty()) return -1;
    const int64_t want = declared_ == kUnknownFrames ? count : std::min(count, declared_ - position_);
    if (ended_ || want <= 0) return 0;
    const size_t frameBytes = static_cast<size_t>(channels_) * bytesPerSample_;
    const size_t bytes = static_cast<size_t>(want) * frameBytes;
    buffer_.resize(bytes);
    const size_t got = std::fread(buffer_.data(), 1, bytes, file_.get());
    const int64_t frames = static_cast<int64_t>(got / frameBytes);
    if (got < bytes) {
      if (std::ferror(file_.get())) {
        error_ = name_ + ": reading failed at frame " + std::to_string(position_ + frames) + ": " +
                 std::strerror(errno);
        return -1;
      }
      // The physical end (a part of a frame there is not a frame): a recording cut off
      // before its header was completed is measured as far as it goes.
      ended_ = true;
      if (declared_ != kUnknownFrames) endedEarly(name_, position_ + frames, declared_);
    }
    const unsigned char* p = buffer_.data();
    const int64_t samples = frames * channels_;
    for (int64_t i = 0; i < samples; ++i, p += bytesPerSample_) out[i] = sample(p);
    position_ += frames;
    return frames;
  }

private:
  double sample(const unsigned char* p) const {
    if (float_) {
      if (bits_ == 32) {
        float f;
        uint32_t u = le32(p);
        std::memcpy(&f, &u, 4);
        return f;
      }
      uint64_t u = static_cast<uint64_t>(le32(p)) | (static_cast<uint64_t>(le32(p + 4)) << 32);
      double d;
      std::memcpy(&d, &u, 8);
      return d;
    }
    switch (bits_) {
      case 8:
        return (static_cast<int>(p[0]) - 128) / 128.0;  // 8-bit WAV is unsigned
      case 16:
        return fromPcm(static_cast<int16_t>(le16(p)), 16);
      case 24: {
        const int32_t v =
            static_cast<int32_t>(static_cast<uint32_t>(p[0]) << 8 | static_cast<uint32_t>(p[1]) << 16 |
                                 static_cast<uint32_t>(p[2]) << 24) >>
            8;
        return fromPcm(v, 24);
      }
      default:
        return fromPcm(static_cast<int32_t>(le32(p)), 32);
    }
  }

  File file_;
  std::string name_;
  int channels_;
  double rate_;
  int bits_;
  bool float_;
  int64_t declared_;
  int bytesPerSample_;
  int64_t position_ = 0;
  bool ended_ = false;
  std::vector<unsigned char> buffer_;
};

class WavWriter final : public AudioWriter {
public:
  WavWriter(File file, std::string path, int channels, int bits, bool isFloat)
      : file_(std::move(file)),
        path_(std::move(path)),
        channels_(channels),
        bits_(bits),
        float_(isFloat),
        bytesPerSample_(bits / 8) {}

  bool write(const double* in, int64_t count) override {
    if (!file_) {
      error_ = "the file is closed";
      return false;
    }
    if (count <= 0) return true;  // nothing to write (and no buffer to hand to fwrite)
    const int64_t samples = count * channels_;
    buffer_.resize(static_cast<size_t>(samples) * bytesPerSample_);
    unsigned char* p = buffer_.data();
    for (int64_t i = 0; i < samples; ++i, p += bytesPerSample_) encode(in[i], p);
    dataBytes_ += static_cast<uint64_t>(buffer_.size());
    // RIFF sizes are 32-bit: stop before the header would lie.
    if (dataBytes_ > std::numeric_limits<uint32_t>::max() - 64) {
      error_ = "more than 4 GB of audio does not fit a WAV file";
      return false;
    }
    if (std::fwrite(buffer_.data(), 1, buffer_.size(), file_.get()) != buffer_.size()) {
      error_ = "cannot write " + path_ + " (disk full?)";
      return false;
    }
    return true;
  }

  bool close() override {
    if (!file_) return error_.empty();
    bool ok = true;
    if (dataBytes_ & 1) ok = std::fputc(0, file_.get()) != EOF;  // chunks are word-aligned
    const uint32_t riffSize = static_cast<uint32_t>(4 + (8 + 16) + 8 + dataBytes_ + (dataBytes_ & 1));
    unsigned char size[4];
    put32(size, riffSize);
    ok = ok && seekTo(file_.get(), 4) && std::fwrite(size, 1, 4, file_.get()) == 4;
    put32(size, static_cast<uint32_t>(dataBytes_));
    ok = ok && seekTo(file_.get(), 40) && std::fwrite(size, 1, 4, file_.get()) == 4;
    ok = (std::fclose(file_.release()) == 0) && ok;
    if (!ok) error_ = "cannot complete " + path_;
    return ok;
  }

private:
  void encode(double v, unsigned char* p) {
    if (float_) {
      if (bits_ == 32) {
        const float f = static_cast<float>(v);
        uint32_t u;
        std::memcpy(&u, &f, 4);
        put32(p, u);
      } else {
        uint64_t u;
        std::memcpy(&u, &v, 8);
        put32(p, static_cast<uint32_t>(u));
        put32(p + 4, static_cast<uint32_t>(u >> 32));
      }
      return;
    }
    const int32_t s = toPcm(v, bits_, clipped_, nonFinite_);
    switch (bits_) {
      case 16:
        put16(p, static_cast<uint32_t>(s));
        break;
      case 24:
        p[0] = static_cast<unsigned char>(s);
        p[1] = static_cast<unsigned char>(s >> 8);
        p[2] = static_cast<unsigned char>(s >> 16);
        break;
      default:
        put32(p, static_cast<uint32_t>(s));
        break;
    }
  }

  File file_;
  std::string path_;
  int channels_;
  int bits_;
  bool float_;
  int bytesPerSample_;
  uint64_t dataBytes_ = 0;
  std::vector<unsigned char> buffer_;
};

}  // namespace

std::unique_ptr<AudioReader> openWavReader(const std::string& path, std::string& error) {
  std::FILE* file = openFile(path, "rb");
  if (!file) {
    error = "cannot open " + path + ": " + std::strerror(errno);
    return nullptr;
  }
  return openWavReader(file, path, error);
}

std::unique_ptr<AudioReader> openWavReader(std::FILE* stream, const std::string& name, std::string& error) {
  File file(stream);
  const int64_t size = fileSize(file.get());
  if (size < 0) {
    error = "cannot read " + name + ": the WAV reader needs a file it can seek in, not a pipe";
    return nullptr;
  }
  unsigned char riff[12];
  if (size < 12 || !seekTo(file.get(), 0) || std::fread(riff, 1, 12, file.get()) != 12 ||
      std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0) {
    error = name + " is not a WAV file (no RIFF/WAVE header)";
    return nullptr;
  }
  // Walk the chunks for "fmt " and "data" as far as the file goes.
  unsigned char fmt[40] = {};
  int64_t fmtSize = 0;
  int64_t dataOffset = -1, dataSize = 0;
  int64_t pos = 12;
  while (pos + 8 <= size) {
    unsigned char head[8];
    if (!seekTo(file.get(), pos) || std::fread(head, 1, 8, file.get()) != 8) break;
    const int64_t chunk = le32(head + 4);
    if (std::memcmp(head, "fmt ", 4) == 0) {
      if (chunk < 16) {
        error = name + ": the format chunk is too short";
        return nullptr;
      }
      std::memset(fmt, 0, sizeof fmt);
      const size_t want = static_cast<size_t>(std::min<int64_t>(chunk, sizeof fmt));
      if (std::fread(fmt, 1, want, file.get()) != want) break;
      fmtSize = chunk;
    } else if (std::memcmp(head, "data", 4) == 0) {
      dataOffset = pos + 8;
      dataSize = chunk;
      if (fmtSize > 0) break;
    }
    pos += 8 + chunk + (chunk & 1);
  }
  if (fmtSize == 0 || dataOffset < 0) {
    error = name + ": " + (fmtSize > 0 ? "no data chunk" : "no format chunk");
    return nullptr;
  }
  uint16_t tag = le16(fmt);
  const int channels = le16(fmt + 2);
  const uint32_t rate = le32(fmt + 4);
  const int align = le16(fmt + 12);
  const int bits = le16(fmt + 14);
  if (tag == kFormatExtensible && fmtSize >= 40 && le16(fmt + 16) >= 22) tag = le16(fmt + 24);  // sub-format
  const bool isFloat = tag == kFormatFloat;
  if (!(tag == kFormatPcm && (bits == 8 || bits == 16 || bits == 24 || bits == 32)) &&
      !(isFloat && (bits == 32 || bits == 64))) {
    error = name + ": unsupported sample format (format tag " + std::to_string(tag) + ", " +
            std::to_string(bits) + " bits); use 8/16/24/32-bit PCM or 32/64-bit float";
    return nullptr;
  }
  if (channels < 1 || channels > kMaxChannels || rate == 0 || align != channels * (bits / 8)) {
    error = name + ": damaged format chunk (" + std::to_string(channels) + " channels, " +
            std::to_string(rate) + " Hz, block align " + std::to_string(align) + ")";
    return nullptr;
  }
  // A stream written without going back to its header leaves the data size 0 (or all
  // ones): its data runs to the end of the file, of a length the header does not say.
  int64_t declared = dataSize / align;
  if (dataSize == 0 || dataSize == 0xFFFFFFFF) declared = dataOffset < size ? kUnknownFrames : 0;
  if (!seekTo(file.get(), dataOffset)) {
    error = "cannot seek in " + name;
    return nullptr;
  }
  return std::make_unique<WavReader>(std::move(file), name, channels, static_cast<double>(rate), bits,
                                     isFloat, declared);
}

std::unique_ptr<AudioWriter> createWavWriter(const std::string& path, int channels, double sampleRate,
                                             SampleEncoding encoding, std::string& error) {
  int bits = 0;
  bool isFloat = false;
  switch (encoding) {
    case SampleEncoding::Pcm16:
      bits = 16;
      break;
    case SampleEncoding::Pcm24:
      bits = 24;
      break;
    case SampleEncoding::Pcm32:
      bits = 32;
      break;
    case SampleEncoding::Float32:
      bits = 32;
      isFloat = true;
      break;
    case SampleEncoding::Float64:
      bits = 64;
      isFloat = true;
      break;
    case SampleEncoding::Other:
      break;
  }
  const double rate = std::nearbyint(sampleRate);
  if (bits == 0 || channels < 1 || channels > kMaxChannels || !(rate >= 1 && rate <= 4294967295.0)) {
    error = "cannot write " + path + ": unsupported WAV format";
    return nullptr;
  }
  File file(openFile(path, "wb"));
  if (!file) {
    error = "cannot create " + path + ": " + std::strerror(errno);
    return nullptr;
  }
  const uint32_t align = static_cast<uint32_t>(channels * bits / 8);
  unsigned char header[44];
  std::memcpy(header, "RIFF", 4);
  put32(header + 4, 36);  // completed by close()
  std::memcpy(header + 8, "WAVEfmt ", 8);
  put32(header + 16, 16);
  put16(header + 20, isFloat ? kFormatFloat : kFormatPcm);
  put16(header + 22, static_cast<uint32_t>(channels));
  put32(header + 24, static_cast<uint32_t>(rate));
  put32(header + 28, static_cast<uint32_t>(rate) * align);
  put16(header + 32, align);
  put16(header + 34, static_cast<uint32_t>(bits));
  std::memcpy(header + 36, "data", 4);
  put32(header + 40, 0);
  if (std::fwrite(header, 1, sizeof header, file.get()) != sizeof header) {
    error = "cannot write " + path;
    return nullptr;
  }
  return std::make_unique<WavWriter>(std::move(file), path, channels, bits, isFloat);
}

}  // namespace host
