// brimtrace-host's commands driven in-process: what info reports, that process streams
// every frame through the plug-in in host-sized blocks and writes it back unchanged in
// format, and that every failure ends in one line on the error stream and a non-zero code.
#include "tools/host/commands.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sstream>

#include "tests/host-tool/test_files.h"
#include "tools/host/demo_signal.h"
#include "tools/host/progress.h"
#include "tools/host/wav_file.h"

using namespace host;
using host_test::nativePath;
using host_test::TempFile;

namespace {

struct Result {
  int code;
  std::string out, err;
};

Result run(std::vector<std::string> args) {
  std::ostringstream out, err;
  const int code = runHost(args, out, err);
  return {code, out.str(), err.str()};
}

const std::string kPlugin = nativePath(BRIMTRACE_PLUGIN);
std::string fake(const char* kind) {
  return nativePath(std::string(FAKE_PLUGIN_DIR) + "/fake_" + kind + FAKE_SUFFIX);
}

// One error line, prefixed with the program name, and nothing on the output.
void expectOneErrorLine(const Result& r, const std::string& fragment) {
  EXPECT_NE(r.code, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err.rfind("brimtrace-host: ", 0), 0u) << r.err;
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  EXPECT_NE(r.err.find(fragment), std::string::npos) << r.err;
}

std::vector<double> readAll(const std::string& path, int* channels = nullptr,
                            SampleEncoding* encoding = nullptr) {
  std::string error;
  auto r = openWavReader(path, error);
  EXPECT_TRUE(r) << error;
  if (!r) return {};
  if (channels) *channels = r->channels();
  if (encoding) *encoding = r->encoding();
  std::vector<double> all(static_cast<size_t>(r->frames() * r->channels()));
  EXPECT_EQ(r->read(all.data(), r->frames()), r->frames());
  return all;
}

// A test file of `frames` frames: a different sine per channel, quantised to `encoding`.
std::vector<double> makeFile(const std::string& path, int channels, int64_t frames, SampleEncoding encoding) {
  std::vector<double> samples;
  for (int64_t i = 0; i < frames; ++i)
    for (int c = 0; c < channels; ++c) {
      double v = 0.7 * std::sin(0.01 * static_cast<double>(i) * (c + 1) + c);
      if (encoding == SampleEncoding::Pcm16) v = std::round(v * 32768) / 32768;
      if (encoding == SampleEncoding::Pcm24) v = std::round(v * 8388608) / 8388608;
      if (encoding == SampleEncoding::Float32) v = static_cast<float>(v);
      samples.push_back(v);
    }
  std::string error;
  auto w = createWavWriter(path, channels, 44100, encoding, error);
  EXPECT_TRUE(w) << error;
  w->write(samples.data(), frames);
  EXPECT_TRUE(w->close());
  return samples;
}

}  // namespace

TEST(HostInfo, ReportsTheRecordNamesCapabilitiesAndEditorOfTheBuiltPlugin) {
  const Result r = run({"info", kPlugin});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.err, "");
  for (const char* line :
       {"entry             VSTPluginMain\n", "magic             0x56737450 'VstP'\n",
        "unique id         6248 (0x00001868", "version           1\n",
        "flags             0x1031 has-editor can-replace program-chunks can-double-replace\n",
        "inputs            2\n", "outputs           2\n", "parameters        0\n", "programs          1\n",
        "initial delay     0 frames\n", "VST version       2400\n", "vendor version    1000\n",
        "vendor            \"QUILLMERE\"\n",
        "product           \"QUILLMERE - Brimtrace logarithmic - 20260721\"\n",
        "editor            400 x 400 (top 0, left 0, bottom 400, right 400)\n",
        "  receiveVstMidiEvent   yes (0x1131)\n", "  bypass                no\n"})
    EXPECT_NE(r.out.find(line), std::string::npos) << "missing: " << line << "\n" << r.out;
  // Hosts keep 32 bytes of the effect name: the plug-in must not hand more.
  const size_t at = r.out.find("effect name       \"");
  ASSERT_NE(at, std::string::npos);
  const size_t start = at + 19, end = r.out.find('"', start);
  EXPECT_LE(end - start, 31u) << r.out.substr(start, end - start);
}

TEST(HostProcess, PassesEveryFrameThroughTheBuiltPluginUnchanged) {
  // Block sizes that do and do not divide the file, in both precisions.
  struct Case {
    SampleEncoding encoding;
    std::string block;
    bool doublePrecision;
  } cases[] = {{SampleEncoding::Pcm16, "512", false},
               {SampleEncoding::Pcm24, "1", false},
               {SampleEncoding::Float32, "4096", true},
               {SampleEncoding::Float64, "333", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(encodingName(c.encoding)) + " block " + c.block);
    TempFile in(".wav"), out(".wav");
    const auto samples = makeFile(in.path(), 2, 5000, c.encoding);
    std::vector<std::string> args{"process", kPlugin, in.path(), out.path(), "--block", c.block};
    if (c.doublePrecision) args.push_back("--double");
    const Result r = run(args);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("processed 5000 frames"), std::string::npos) << r.out;
    int channels = 0;
    SampleEncoding encoding{};
    EXPECT_EQ(readAll(out.path(), &channels, &encoding), samples);
    EXPECT_EQ(channels, 2);
    EXPECT_EQ(encoding, c.encoding);
  }
}

TEST(HostProcess, RoutesChannelsAsTheFileHasThem) {
  // The fake swaps the channels and negates the new right one.
  TempFile in(".wav"), out(".wav");
  const auto stereo = makeFile(in.path(), 2, 1000, SampleEncoding::Float32);
  ASSERT_EQ(run({"process", fake("working"), in.path(), out.path(), "--block", "64"}).code, 0);
  const auto got = readAll(out.path());
  ASSERT_EQ(got.size(), stereo.size());
  for (size_t i = 0; i < 1000; ++i) {
    ASSERT_EQ(got[2 * i], stereo[2 * i + 1]) << i;
    ASSERT_EQ(got[2 * i + 1], -stereo[2 * i]) << i;
  }

  // A mono file feeds both inputs; a file with more channels than the plug-in has
  // inputs loses the extra ones, and says so.
  TempFile mono(".wav"), monoOut(".wav");
  const auto m = makeFile(mono.path(), 1, 300, SampleEncoding::Pcm16);
  ASSERT_EQ(run({"process", fake("working"), mono.path(), monoOut.path()}).code, 0);
  const auto gotMono = readAll(monoOut.path());
  ASSERT_EQ(gotMono.size(), 600u);
  for (size_t i = 0; i < 300; ++i) {
    ASSERT_EQ(gotMono[2 * i], m[i]);
    ASSERT_EQ(gotMono[2 * i + 1], -m[i]);
  }
  TempFile quad(".wav"), quadOut(".wav");
  makeFile(quad.path(), 4, 100, SampleEncoding::Pcm16);
  const Result r = run({"process", fake("working"), quad.path(), quadOut.path()});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("file channels beyond them were not used"), std::string::npos) << r.out;
}

TEST(HostSignal, WritesTheDemonstrationSignal) {
  TempFile out(".wav");
  const Result r = run({"signal", out.path(), "--seconds", "2.5", "--rate", "8000"});
  ASSERT_EQ(r.code, 0) << r.err;
  const auto s = readAll(out.path());
  ASSERT_EQ(s.size(), 2u * 20000);
  // The left sine never stops; the right bursts step down by 20 dB and fall silent.
  auto peak = [&](int channel, double from, double to) {
    double p = 0;
    for (int i = static_cast<int>(from * 8000); i < static_cast<int>(to * 8000); ++i)
      p = std::max(p, std::fabs(s[2 * static_cast<size_t>(i) + static_cast<size_t>(channel)]));
    return p;
  };
  EXPECT_NEAR(peak(0, 2.0, 2.5), 0.5, 0.001);
  EXPECT_NEAR(peak(1, 0.0, 0.5), 0.5, 0.001);
  EXPECT_NEAR(peak(1, 0.5, 1.0), 0.05, 0.0001);
  EXPECT_NEAR(peak(1, 1.5, 2.0), 0.0005, 0.000001);
  EXPECT_EQ(peak(1, 0.32, 0.5), 0.0);
  EXPECT_EQ(peak(1, 2.0, 2.5), 0.0);
}

TEST(HostErrors, EveryFailureIsOneLineAndANonZeroCode) {
  TempFile in(".wav"), out(".wav"), text(".txt");
  makeFile(in.path(), 2, 100, SampleEncoding::Pcm16);
  text.write({'n', 'o', 't', ' ', 'a', 'u', 'd', 'i', 'o', '\n'});

  expectOneErrorLine(run({"info", "/no/such/plugin.so"}), "no plug-in file /no/such/plugin.so");
  expectOneErrorLine(run({"info", text.path()}), "cannot load " + text.path());
  expectOneErrorLine(run({"info", fake("no_entry")}), "is not a VST 2.4 plug-in: it exports neither");
  expectOneErrorLine(run({"info", fake("refuse")}), "refused to start (VSTPluginMain returned no effect)");
  expectOneErrorLine(run({"info", fake("bad_magic")}), "is not a VST 2.4 plug-in: its effect record");
  expectOneErrorLine(run({"process", kPlugin, "/no/such/in.wav", out.path()}), "/no/such/in.wav");
  expectOneErrorLine(run({"process", kPlugin, text.path(), out.path()}), text.path());
  expectOneErrorLine(run({"process", kPlugin, in.path(), "/no/such/folder/out.wav"}),
                     "/no/such/folder/out.wav");
  // An output that is an input, however spelt: refused before anything is written.
  const std::filesystem::path inPath(in.path());
  const std::string dotted = (inPath.parent_path() / "." / inPath.filename()).string();
  expectOneErrorLine(run({"process", kPlugin, in.path(), dotted}), "it is the input");
  expectOneErrorLine(run({"process", kPlugin, in.path(), kPlugin}), "it is the input");
  expectOneErrorLine(run({"snapshot", kPlugin, in.path(), "--png", dotted}), "it is the input");
  EXPECT_EQ(readAll(in.path()).size(), 200u);
  expectOneErrorLine(run({"process", fake("float_only"), in.path(), out.path(), "--double"}),
                     "does not process 64-bit samples");
  expectOneErrorLine(run({"snapshot", fake("float_only"), "--png", out.path()}), "the plug-in has no editor");

  // Usage errors: code 2, one line, then the command's usage.
  for (const std::vector<std::string>& args : {std::vector<std::string>{},
                                               {"frobnicate"},
                                               {"info"},
                                               {"info", "a", "b"},
                                               {"info", kPlugin, "--double"},
                                               {"process", kPlugin, in.path()},
                                               {"process", kPlugin, in.path(), out.path(), "--block", "0"},
                                               {"process", kPlugin, in.path(), out.path(), "--block", "12x"},
                                               {"process", kPlugin, in.path(), out.path(), "--block"},
                                               {"snapshot", kPlugin},
                                               {"signal", out.path(), "--seconds", "-1"}}) {
    const Result r = run(args);
    EXPECT_EQ(r.code, kUsage) << r.err;
    EXPECT_EQ(r.err.rfind("brimtrace-host: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find("\nUsage: brimtrace-host "), std::string::npos) << r.err;
  }
  EXPECT_EQ(run({"--help"}).code, 0);
}

TEST(HostCompare, TellsEqualFilesFromDifferentOnes) {
  TempFile a(".wav"), same(".wav"), other(".wav"), shorter(".wav"), mono(".wav");
  const auto samples = makeFile(a.path(), 2, 5000, SampleEncoding::Float32);
  makeFile(same.path(), 2, 5000, SampleEncoding::Float32);
  makeFile(shorter.path(), 2, 4999, SampleEncoding::Float32);
  makeFile(mono.path(), 1, 5000, SampleEncoding::Float32);
  // One sample of the second channel changed, past the first block of the comparison.
  auto changed = samples;
  changed[2 * 4500 + 1] += 0.001;
  {
    std::string error;
    auto w = createWavWriter(other.path(), 2, 44100, SampleEncoding::Float64, error);
    ASSERT_TRUE(w);
    w->write(changed.data(), 5000);
    ASSERT_TRUE(w->close());
  }
  const Result equal = run({"compare", a.path(), same.path()});
  EXPECT_EQ(equal.code, 0) << equal.err;
  EXPECT_EQ(equal.out, "same samples: 5000 frames of 2 channels\n");
  expectOneErrorLine(run({"compare", a.path(), other.path()}),
                     "1 samples differ, the first at frame 4500, by up to 0.001");
  EXPECT_EQ(run({"compare", a.path(), other.path(), "--tolerance", "0.01"}).code, 0);
  expectOneErrorLine(run({"compare", a.path(), shorter.path()}), "differ in length");
  // A file cut short of its header: the lengths as read, not as declared.
  TempFile cut(".wav");
  std::filesystem::copy_file(a.path(), cut.path(), std::filesystem::copy_options::overwrite_existing);
  std::filesystem::resize_file(cut.path(), std::filesystem::file_size(cut.path()) - 1000 * 2 * 4);
  expectOneErrorLine(run({"compare", a.path(), cut.path()}), "has 5000 frames, " + cut.path() + " 4000");
  expectOneErrorLine(run({"compare", a.path(), mono.path()}), "differ in layout");
}

TEST(HostProgress, DrawsABarOfTheDoneFraction) {
  EXPECT_EQ(progressLine(0, 100, 10, 10), "[..........]   0%  0:00 / 0:10");
  EXPECT_EQ(progressLine(45, 100, 1, 10), "[####......]  45%  0:45 / 1:40");
  EXPECT_EQ(progressLine(150, 100, 0, 4), "[####] 100%  ");
  EXPECT_EQ(progressLine(5, 0, 0, 4), "[....]   0%  ");
}
