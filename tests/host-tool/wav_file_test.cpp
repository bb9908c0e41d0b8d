// The built-in WAV reader and writer: every encoding survives a round trip sample for
// sample, and damaged or unsupported files are refused with a reason instead of being
// misread.
#include "tools/host/wav_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "tests/host-tool/test_files.h"

using namespace host;
using host_test::TempFile;

namespace {

// Until the reader says the end, in reads of 7 frames.
std::vector<double> readAll(AudioReader& r) {
  std::vector<double> all, block(static_cast<size_t>(7 * r.channels()));
  for (int64_t n; (n = r.read(block.data(), 7)) > 0;)
    all.insert(all.end(), block.begin(), block.begin() + n * r.channels());
  return all;
}

void put16(std::vector<unsigned char>& b, unsigned v) {
  b.push_back(static_cast<unsigned char>(v));
  b.push_back(static_cast<unsigned char>(v >> 8));
}
void put32(std::vector<unsigned char>& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<unsigned char>(v >> (8 * i)));
}
void tag(std::vector<unsigned char>& b, const char* t) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<unsigned char>(t[i]));
}

// A WAV file by hand: format fields, optional extra chunks before the data, data bytes.
std::vector<unsigned char> wav(unsigned format, unsigned channels, uint32_t rate, unsigned bits,
                               const std::vector<unsigned char>& data, uint32_t dataSize = 0xFFFFFFFF,
                               const std::vector<unsigned char>& extra = {}, int blockAlign = -1) {
  std::vector<unsigned char> b;
  tag(b, "RIFF");
  put32(b, 0);
  tag(b, "WAVE");
  b.insert(b.end(), extra.begin(), extra.end());
  tag(b, "fmt ");
  put32(b, 16);
  put16(b, format);
  put16(b, channels);
  put32(b, rate);
  const unsigned align = blockAlign >= 0 ? static_cast<unsigned>(blockAlign) : channels * bits / 8;
  put32(b, rate * align);
  put16(b, align);
  put16(b, bits);
  tag(b, "data");
  put32(b, dataSize == 0xFFFFFFFF ? static_cast<uint32_t>(data.size()) : dataSize);
  b.insert(b.end(), data.begin(), data.end());
  return b;
}

}  // namespace

TEST(WavFile, EveryEncodingRoundTripsExactly) {
  struct Case {
    SampleEncoding encoding;
    double step;  // one quantisation step of the encoding
  } cases[] = {{SampleEncoding::Pcm16, 1.0 / 32768},
               {SampleEncoding::Pcm24, 1.0 / 8388608},
               {SampleEncoding::Pcm32, 1.0 / 2147483648.0},
               {SampleEncoding::Float32, 0},
               {SampleEncoding::Float64, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(encodingName(c.encoding));
    // Values the encoding holds exactly, including both extremes of PCM.
    std::vector<double> samples;
    for (int i = 0; i < 300; ++i) {
      double v = std::sin(i * 0.37) * 0.9;
      if (c.step > 0)
        v = std::round(v / c.step) * c.step;
      else if (c.encoding == SampleEncoding::Float32)
        v = static_cast<float>(v);
      samples.push_back(v);
    }
    if (c.step > 0) {
      samples[0] = -1.0;
      samples[1] = 1.0 - c.step;
    }
    TempFile file(".wav");
    std::string error;
    auto writer = createWavWriter(file.path(), 3, 48000, c.encoding, error);
    ASSERT_TRUE(writer) << error;
    ASSERT_TRUE(writer->write(samples.data(), 100));
    ASSERT_TRUE(writer->close()) << writer->error();
    EXPECT_EQ(writer->clipped(), 0);

    auto reader = openWavReader(file.path(), error);
    ASSERT_TRUE(reader) << error;
    EXPECT_EQ(reader->channels(), 3);
    EXPECT_EQ(reader->sampleRate(), 48000);
    EXPECT_EQ(reader->frames(), 100);
    EXPECT_EQ(reader->encoding(), c.encoding);
    EXPECT_EQ(readAll(*reader), samples);
  }
}

TEST(WavFile, PcmWritingClipsAndCountsWhatDoesNotFit) {
  TempFile file(".wav");
  std::string error;
  auto writer = createWavWriter(file.path(), 1, 44100, SampleEncoding::Pcm16, error);
  ASSERT_TRUE(writer);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double in[] = {1.0, -1.5, nan, std::numeric_limits<double>::infinity(), 0.25};
  ASSERT_TRUE(writer->write(in, 5));
  ASSERT_TRUE(writer->close());
  EXPECT_EQ(writer->clipped(), 2);
  EXPECT_EQ(writer->nonFinite(), 2);
  auto reader = openWavReader(file.path(), error);
  ASSERT_TRUE(reader);
  EXPECT_EQ(readAll(*reader), (std::vector<double>{32767.0 / 32768, -1.0, 0.0, 0.0, 0.25}));
}

TEST(WavFile, ReadsEightBitExtensibleAndOddChunks) {
  // 8-bit PCM is unsigned: 128 is silence.
  TempFile eight(".wav");
  eight.write(wav(1, 1, 8000, 8, {128, 255, 0}));
  std::string error;
  auto r8 = openWavReader(eight.path(), error);
  ASSERT_TRUE(r8) << error;
  EXPECT_EQ(readAll(*r8), (std::vector<double>{0.0, 127.0 / 128, -1.0}));

  // WAVE_FORMAT_EXTENSIBLE carrying float, after an odd-sized chunk with its pad byte.
  std::vector<unsigned char> b;
  tag(b, "RIFF");
  put32(b, 0);
  tag(b, "WAVE");
  tag(b, "LIST");
  put32(b, 3);
  b.insert(b.end(), {'a', 'b', 'c', 0});
  tag(b, "fmt ");
  put32(b, 40);
  put16(b, 0xFFFE);
  put16(b, 1);
  put32(b, 96000);
  put32(b, 96000 * 4);
  put16(b, 4);
  put16(b, 32);
  put16(b, 22);  // extension size
  put16(b, 32);  // valid bits
  put32(b, 4);   // channel mask
  put16(b, 3);   // sub-format: IEEE float, then the rest of the GUID
  b.insert(b.end(), {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71});
  tag(b, "data");
  put32(b, 8);
  float values[2] = {0.5f, -0.125f};
  const auto* bytes = reinterpret_cast<const unsigned char*>(values);
  b.insert(b.end(), bytes, bytes + 8);
  TempFile ext(".wav");
  ext.write(b);
  auto rf = openWavReader(ext.path(), error);
  ASSERT_TRUE(rf) << error;
  EXPECT_EQ(rf->encoding(), SampleEncoding::Float32);
  EXPECT_EQ(rf->sampleRate(), 96000);
  EXPECT_EQ(readAll(*rf), (std::vector<double>{0.5, -0.125}));
}

TEST(WavFile, DataChunkLongerThanTheFileEndsWithTheFile) {
  // A recorder that died before fixing its header: the size claims more than is there.
  TempFile file(".wav");
  file.write(wav(1, 2, 44100, 16, {0, 0, 0, 0, 0, 64, 0, 192, 1}, 1000000));
  std::string error;
  auto r = openWavReader(file.path(), error);
  ASSERT_TRUE(r) << error;
  EXPECT_EQ(r->frames(), 250000);                                  // as declared
  EXPECT_EQ(readAll(*r), (std::vector<double>{0, 0, 0.5, -0.5}));  // the odd trailing byte is not a frame
  EXPECT_NE(r->warning().find("ends at frame 2 of the 250000"), std::string::npos) << r->warning();
}

TEST(WavFile, RefusesWhatItCannotReadWithAReason) {
  struct Case {
    const char* what;
    std::vector<unsigned char> bytes;
    const char* reason;
  } cases[] = {
      {"empty", {}, "not a WAV file"},
      {"text", {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!', '!'}, "not a WAV file"},
      {"no format",
       [] {
         std::vector<unsigned char> b;
         tag(b, "RIFF");
         put32(b, 12);
         tag(b, "WAVE");
         tag(b, "data");
         put32(b, 0);
         return b;
       }(),
       "no format chunk"},
      {"ADPCM", wav(2, 1, 8000, 4, {0, 0}), "unsupported sample format"},
      {"12-bit", wav(1, 1, 8000, 12, {0, 0}), "unsupported sample format"},
      {"no channels", wav(1, 0, 8000, 16, {0, 0}), "damaged format chunk"},
      {"rate 0", wav(1, 1, 0, 16, {0, 0}), "damaged format chunk"},
      {"bad block align", wav(1, 2, 8000, 16, {0, 0, 0, 0}, 0xFFFFFFFF, {}, 3), "damaged format chunk"},
      {"huge channel count", wav(1, 60000, 8000, 16, {0, 0}), "damaged format chunk"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempFile file(".wav");
    file.write(c.bytes);
    std::string error;
    EXPECT_FALSE(openWavReader(file.path(), error));
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
  }
  std::string error;
  EXPECT_FALSE(openWavReader("/no/such/folder/file.wav", error));
  EXPECT_NE(error.find("cannot open"), std::string::npos) << error;
  EXPECT_FALSE(createWavWriter("/no/such/folder/out.wav", 2, 44100, SampleEncoding::Pcm16, error));
  EXPECT_NE(error.find("cannot create"), std::string::npos) << error;
}
