// How the readers meet files that are not whole: a compressed stream that fails to decode
// is a failure naming the frame, through the built tool; an uncompressed file cut short is
// read to its end with a warning giving both counts; a file whose header leaves its length
// open (a WAV written as a stream, an AU of unknown size) reports kUnknownFrames and is read
// to its end, with the same samples from libsndfile's side and the built-in reader's.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/host-tool/test_files.h"
#include "tools/host/decode_ahead.h"
#include "tools/host/wav_file.h"

#if !defined(_WIN32)
#include <sndfile.h>
#include <sys/wait.h>
#endif

using namespace host;
using host_test::TempFile;

namespace {

std::vector<unsigned char> bytesOf(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// Everything the reader gives, in reads of an odd size, until it says the end (0) or an
// error (-1, which fails the test).
std::vector<double> readToEnd(AudioReader& r) {
  std::vector<double> all, block(static_cast<size_t>(1000 * r.channels()));
  for (;;) {
    const int64_t n = r.read(block.data(), 1000);
    EXPECT_GE(n, 0) << r.error();
    if (n <= 0) return all;
    all.insert(all.end(), block.begin(), block.begin() + n * r.channels());
  }
}

// Two seconds of stereo 16-bit WAV as our writer makes it (header of 44 bytes).
void writeWav(const std::string& path, std::vector<double>& samples) {
  samples.clear();
  for (int i = 0; i < 2 * 88200; ++i) samples.push_back(std::round(std::sin(i * 0.01) * 20000) / 32768);
  std::string error;
  auto writer = createWavWriter(path, 2, 44100, SampleEncoding::Pcm16, error);
  ASSERT_TRUE(writer) << error;
  ASSERT_TRUE(writer->write(samples.data(), 88200));
  ASSERT_TRUE(writer->close());
}

}  // namespace

TEST(HostReaders, AFileCutShortIsReadToItsEndWithAWarning) {
  TempFile whole(".wav"), cut(".wav");
  std::vector<double> samples;
  writeWav(whole.path(), samples);
  std::vector<unsigned char> bytes = bytesOf(whole.path());
  bytes.resize(44 + 4 * 1000 + 3);  // 1000 frames and a part of one
  cut.write(bytes);
  const std::vector<double> expected(samples.begin(), samples.begin() + 2000);

  std::string error;
  auto builtIn = openWavReader(cut.path(), error);
  auto platform = openAudioReader(cut.path(), error);
  for (AudioReader* r : {builtIn.get(), platform.get()}) {
    ASSERT_TRUE(r) << error;
    EXPECT_EQ(r->frames(), 88200);
    EXPECT_EQ(readToEnd(*r), expected);
    EXPECT_EQ(r->warning(), cut.path() +
                                ": the file ends at frame 1000 of the 88200 its header declares; "
                                "measured to its end");
  }
  // A whole file reads without one.
  auto reader = openAudioReader(whole.path(), error);
  ASSERT_TRUE(reader) << error;
  EXPECT_EQ(readToEnd(*reader).size(), samples.size());
  EXPECT_EQ(reader->warning(), "");
}

TEST(HostReaders, AStreamedWavIsReadToItsEndOfUnknownLength) {
  TempFile plain(".wav"), streamed(".wav");
  std::vector<double> samples;
  writeWav(plain.path(), samples);
  std::vector<unsigned char> bytes = bytesOf(plain.path());
  for (int at : {4, 40})  // the RIFF and data sizes, as a recorder streaming its output leaves them
    for (int i = 0; i < 4; ++i) bytes[static_cast<size_t>(at + i)] = 0;
  streamed.write(bytes);

  std::string error;
  auto builtIn = openWavReader(streamed.path(), error);
  auto platform = openAudioReader(streamed.path(), error);
  for (AudioReader* r : {builtIn.get(), platform.get()}) {
    ASSERT_TRUE(r) << error;
    EXPECT_EQ(r->frames(), kUnknownFrames);
    EXPECT_EQ(readToEnd(*r), samples);
    EXPECT_EQ(r->warning(), "");
  }
  // Decoding ahead goes to the end as well, whatever frames() says.
  auto reader = openAudioReader(streamed.path(), error);
  ASSERT_TRUE(reader) << error;
  DecodeAhead decoding(*reader, 30000);
  int64_t frames = 0;
  for (int64_t n; (n = decoding.next().frames) > 0;) frames += n;
  EXPECT_EQ(frames, 88200);
}

TEST(HostReaders, FilesAreOpenedByTheirUnicodeNames) {
  // Windows hands narrow names to the ANSI code page, which would write this one under
  // another name (or none); the wide name is the one the user gave.
  const std::filesystem::path wide =
      std::filesystem::temp_directory_path() /
      std::filesystem::u8path("brimtrace-\xC3\xA9t\xC3\xA9 \xE5\xA3\xB0 \xF0\x9F\x8E\xB5.wav");
  const std::u8string name = wide.u8string();
  const std::string path(name.begin(), name.end());
  std::vector<double> samples;
  writeWav(path, samples);
  EXPECT_TRUE(std::filesystem::exists(wide));
  std::string error;
  auto reader = openWavReader(path, error);
  ASSERT_TRUE(reader) << error;
  EXPECT_EQ(readToEnd(*reader), samples);
  reader.reset();
  std::error_code ec;
  std::filesystem::remove(wide, ec);
}

#if !defined(_WIN32)
namespace {

// Runs the built brimtrace-host; its exit code and what it wrote to standard error.
int runTool(const std::string& args, std::string& err) {
  TempFile errFile(".txt");
  const int status =
      std::system((std::string(BRIMTRACE_HOST) + " " + args + " >/dev/null 2>" + errFile.path()).c_str());
  const std::vector<unsigned char> bytes = bytesOf(errFile.path());
  err.assign(bytes.begin(), bytes.end());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Ten seconds of stereo noise-like signal through libsndfile in the given format.
void writeWithSndfile(const std::string& path, int format) {
  SF_INFO info{};
  info.channels = 2;
  info.samplerate = 44100;
  info.format = format;
  SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
  ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
  std::vector<double> b(2 * 441000);
  for (size_t i = 0; i < b.size(); ++i) b[i] = 0.5 * std::sin(i * 0.01) + 0.3 * std::sin(i * 0.1371);
  EXPECT_EQ(sf_writef_double(f, b.data(), 441000), 441000);
  sf_close(f);
}

}  // namespace

TEST(HostReaders, ACompressedStreamThatFailsToDecodeFailsNamingTheFrame) {
  // libsndfile reports the FLAC's lost sync; the Ogg stream it skips in silence, ending
  // before its declared length.
  struct Case {
    const char* suffix;
    int format;
    size_t corrupted;
  } cases[] = {{".flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 20000},
               {".ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 2000}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.suffix);
    TempFile good(c.suffix), bad(c.suffix), out(".wav");
    writeWithSndfile(good.path(), c.format);
    std::vector<unsigned char> bytes = bytesOf(good.path());
    for (size_t i = bytes.size() / 2; i < bytes.size() / 2 + c.corrupted; ++i)
      bytes[i] = static_cast<unsigned char>(i * 37);
    bad.write(bytes);

    const std::string named = bad.path() + ": decoding failed at frame ";
    std::string err;
    EXPECT_EQ(runTool("analyze " + bad.path(), err), 1);
    EXPECT_NE(err.find(named), std::string::npos) << err;
    EXPECT_EQ(runTool("compare " + bad.path() + " " + good.path(), err), 1);
    EXPECT_NE(err.find(named), std::string::npos) << err;
    EXPECT_EQ(runTool(std::string("process ") + BRIMTRACE_PLUGIN + " " + bad.path() + " " + out.path(), err),
              1);
    EXPECT_NE(err.find(named), std::string::npos) << err;
    EXPECT_FALSE(out.exists());
  }
}

TEST(HostReaders, UnknownLengthsReadToTheEndThroughTheTool) {
  // An AU whose size field says "unknown".
  TempFile au(".au"), unknown(".au");
  writeWithSndfile(au.path(), SF_FORMAT_AU | SF_FORMAT_PCM_16);
  std::vector<unsigned char> bytes = bytesOf(au.path());
  for (int i = 8; i < 12; ++i) bytes[static_cast<size_t>(i)] = 0xFF;
  unknown.write(bytes);
  std::string error;
  auto reader = openAudioReader(unknown.path(), error);
  ASSERT_TRUE(reader) << error;
  EXPECT_EQ(reader->frames(), kUnknownFrames);
  EXPECT_EQ(readToEnd(*reader).size(), 2u * 441000);

  // A streamed WAV compares equal to the whole one it was.
  TempFile plain(".wav"), streamed(".wav");
  std::vector<double> samples;
  writeWav(plain.path(), samples);
  bytes = bytesOf(plain.path());
  for (int at : {4, 40})
    for (int i = 0; i < 4; ++i) bytes[static_cast<size_t>(at + i)] = 0;
  streamed.write(bytes);
  std::string err;
  EXPECT_EQ(runTool("compare " + streamed.path() + " " + plain.path(), err), 0) << err;
  EXPECT_EQ(runTool("compare " + unknown.path() + " " + au.path(), err), 0) << err;
}
#endif
