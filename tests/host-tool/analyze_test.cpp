// analyze on generated files whose clicks and steps sit at known frames: the peaks and
// their windows, the counts, the picture's rows and time ticks, mono and multi-channel
// input, every bad input; and the built-in WAV reader against libsndfile on Linux.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>
#include <thread>

#include "tests/host-tool/png_file.h"
#include "tests/host-tool/test_files.h"
#include "tools/host/analyze.h"
#include "tools/host/commands.h"
#include "tools/host/csv_writer.h"
#include "tools/host/decode_ahead.h"
#include "tools/host/wav_file.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <sndfile.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace host;
using host_test::loadPng;
using host_test::nativePath;
using host_test::Png;
using host_test::TempFile;
using nlohmann::json;

namespace {

constexpr int kRate = 48000;
constexpr int kWindow = 1600;  // frames of the default 1000/30 ms window at 48 kHz

int red(uint32_t c) { return static_cast<int>(c >> 16 & 0xFF); }
int green(uint32_t c) { return static_cast<int>(c >> 8 & 0xFF); }
int blue(uint32_t c) { return static_cast<int>(c & 0xFF); }

// The topmost row of the plot area in a column whose pixel passes `lit`, -1 if none.
template <class Lit>
int topRow(const Png& png, const json& plot, int column, Lit lit) {
  const int x = plot["x"].get<int>() + column, y0 = plot["y"].get<int>();
  for (int row = 0; row <= 400; ++row)
    if (lit(png.at(x, y0 + row))) return row;
  return -1;
}

void writeWav(const std::string& path, int channels, int rate, SampleEncoding encoding,
              const std::vector<double>& interleaved) {
  std::string error;
  auto writer = createWavWriter(path, channels, rate, encoding, error);
  ASSERT_TRUE(writer) << error;
  ASSERT_TRUE(writer->write(interleaved.data(), static_cast<int64_t>(interleaved.size()) / channels));
  ASSERT_TRUE(writer->close()) << writer->error();
}

int run(const std::vector<std::string>& args, std::string& out, std::string& err) {
  std::ostringstream o, e;
  const int code = runHost(args, o, e);
  out = o.str();
  err = e.str();
  return code;
}

std::string readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

struct ExeResult {
  int code = -1;
  std::string out, err;
};

// Runs the built brimtrace-host as a user would; on Linux `input`, if any, arrives through
// a pipe on standard input.
ExeResult runExe(const std::vector<std::string>& args, const std::string& input = {}) {
  TempFile out(".out"), err(".err");
  ExeResult r;
#if defined(_WIN32)
  std::string line = "\"" + nativePath(BRIMTRACE_HOST) + "\"";
  for (const std::string& a : args) line += " \"" + a + "\"";
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  auto create = [&](const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
  };
  HANDLE o = create(out.path()), e = create(err.path());
  STARTUPINFOA start{};
  start.cb = sizeof start;
  start.dwFlags = STARTF_USESTDHANDLES;
  start.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  start.hStdOutput = o;
  start.hStdError = e;
  PROCESS_INFORMATION process{};
  if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start, &process)) {
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    r.code = static_cast<int>(code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
  }
  CloseHandle(o);
  CloseHandle(e);
  (void)input;
#else
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return r;
  const pid_t child = fork();
  if (child == 0) {
    dup2(pipeEnds[0], 0);
    close(pipeEnds[1]);
    dup2(open(out.path().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
    dup2(open(err.path().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
    std::vector<char*> argv{const_cast<char*>(BRIMTRACE_HOST)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(pipeEnds[0]);
  for (size_t done = 0; done < input.size();) {
    const ssize_t n = write(pipeEnds[1], input.data() + done, input.size() - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  close(pipeEnds[1]);
  int status = 0;
  waitpid(child, &status, 0);
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
  r.out = readBytes(out.path());
  r.err = readBytes(err.path());
  r.err.erase(std::remove(r.err.begin(), r.err.end(), '\r'), r.err.end());
  return r;
}

// The failure analyze owes its user: one line, a non-zero exit.
void expectOneLineFailure(const ExeResult& r, const std::string& says) {
  EXPECT_EQ(r.code, kFailed) << r.err;
  EXPECT_EQ(r.err.rfind("brimtrace-host: ", 0), 0u) << r.err;
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  EXPECT_NE(r.err.find(says), std::string::npos) << r.err;
}

// No output and no temporary of one beside it.
void expectNothingBeside(const std::string& path) {
  const std::filesystem::path p(path);
  for (const auto& entry : std::filesystem::directory_iterator(p.parent_path()))
    EXPECT_NE(entry.path().filename().string().rfind(p.filename().string(), 0), 0u) << entry.path();
}

json readJson(const std::string& path) {
  std::ifstream in(path);
  return json::parse(in);
}

// Ten seconds at 48 kHz in 32-bit float. Left: single-sample clicks of 1.0 in windows 20
// and 50 (a tie), and one of 0.25 on the last frame of window 99, so that its rise and its
// fall land in windows 99 and 100. Right: a step to 1.25 in window 150, on to -1.25 at the
// first frame of window 200 (a slew of 2.5), back to 0 in window 250.
std::vector<double> clicksAndSteps() {
  std::vector<double> s(static_cast<size_t>(10 * kRate) * 2, 0.0);
  auto left = [&](int frame) -> double& { return s[static_cast<size_t>(frame) * 2]; };
  auto right = [&](int frame) -> double& { return s[static_cast<size_t>(frame) * 2 + 1]; };
  left(20 * kWindow + 100) = 1.0;
  left(50 * kWindow + 700) = 1.0;
  left(100 * kWindow - 1) = 0.25;
  for (int f = 150 * kWindow + 3; f < 200 * kWindow; ++f) right(f) = 1.25;
  for (int f = 200 * kWindow; f < 250 * kWindow + 5; ++f) right(f) = -1.25;
  return s;
}

double windowTime(int k) { return k * kWindow / double(kRate); }

class Analyze : public ::testing::Test {
protected:
  TempFile wav{".wav"}, png{".png"}, jsonFile{".json"}, csv{".csv"};
};

TEST_F(Analyze, ClicksAndStepsGiveExactPeaksWindowsCountsAndRows) {
  writeWav(wav.path(), 2, kRate, SampleEncoding::Float32, clicksAndSteps());
  std::string out, err;
  ASSERT_EQ(run({"analyze", wav.path(), "--png", png.path(), "--json", jsonFile.path(), "--csv", csv.path(),
                 "--width", "1000"},
                out, err),
            kOk)
      << err;
  EXPECT_EQ(err, "");  // no progress bar when standard error is not a terminal
  EXPECT_NE(out.find("300 windows of 33.333 ms"), std::string::npos) << out;

  const json r = readJson(jsonFile.path());
  EXPECT_EQ(r["sample_rate"], kRate);
  EXPECT_EQ(r["frames"], 10 * kRate);
  EXPECT_EQ(r["seconds"], 10.0);
  EXPECT_EQ(r["window_seconds"], 1.0 / 30);
  EXPECT_EQ(r["windows"], 300);
  const json& left = r["channels"]["left"];
  EXPECT_EQ(left["peak"], 1.0);
  EXPECT_EQ(left["peak_time"], windowTime(20));  // the tie goes to the earlier window
  EXPECT_EQ(left["windows_over_1"], 0);          // 1.0 does not exceed 1
  EXPECT_EQ(left["windows_over_2"], 0);
  json top = json::array(
      {{windowTime(20), 1.0}, {windowTime(50), 1.0}, {windowTime(99), 0.25}, {windowTime(100), 0.25}});
  for (int k = 0; k < 6; ++k) top.push_back({windowTime(k), 0.0});
  EXPECT_EQ(left["top"], top);
  const json& right = r["channels"]["right"];
  EXPECT_EQ(right["peak"], 2.5);
  EXPECT_EQ(right["peak_time"], windowTime(200));
  EXPECT_EQ(right["windows_over_1"], 3);
  EXPECT_EQ(right["windows_over_2"], 1);
  top = json::array({{windowTime(200), 2.5}, {windowTime(150), 1.25}, {windowTime(250), 1.25}});
  for (int k = 0; k < 7; ++k) top.push_back({windowTime(k), 0.0});
  EXPECT_EQ(right["top"], top);

  // The CSV: a header, then one row per window.
  std::ifstream rows(csv.path());
  std::string line;
  std::vector<std::string> lines;
  while (std::getline(rows, line)) lines.push_back(line);
  ASSERT_EQ(lines.size(), 301u);
  EXPECT_EQ(lines[0], "time,left,right");
  EXPECT_EQ(lines[1 + 99], "3.3,0.25,0");
  EXPECT_EQ(lines[1 + 200], "6.666666666666667,0,2.5");

  // The picture: the plot where the JSON says, rows on the editor's scale
  // (row = (1 - (log10 v + 5) / log10 340000) * 400, truncated), ticks every second.
  Png image;
  ASSERT_TRUE(loadPng(png.path(), image));
  EXPECT_EQ(image.width, r["image"]["width"]);
  EXPECT_EQ(image.height, r["image"]["height"]);
  const json& plot = r["plot"];
  const PlotGeometry g = analysisGeometry(1000);
  EXPECT_EQ(plot, json({{"x", g.x}, {"y", g.y}, {"width", 1000}, {"height", 400}}));
  auto white = [](uint32_t c) { return blue(c) >= 40; };
  auto redOnly = [](uint32_t c) { return red(c) >= 40 && green(c) < red(c) / 2; };
  // Window k covers columns [k * 1000 / 300, (k + 1) * 1000 / 300).
  EXPECT_NEAR(topRow(image, plot, 67, white), 38, 1);  // 1.0, as in the editor
  EXPECT_NEAR(topRow(image, plot, 167, white), 38, 1);
  EXPECT_NEAR(topRow(image, plot, 331, white), 81, 1);  // 0.25 in windows 99 and 100
  EXPECT_NEAR(topRow(image, plot, 335, white), 81, 1);
  EXPECT_NEAR(topRow(image, plot, 668, redOnly), 9, 1);   // 2.5
  EXPECT_NEAR(topRow(image, plot, 501, redOnly), 31, 1);  // 1.25
  EXPECT_GE(topRow(image, plot, 250, white), 399);        // silence sits on the floor
  EXPECT_GE(topRow(image, plot, 250, redOnly), 399);
  ASSERT_EQ(r["time_ticks"].size(), 10u);
  for (int t = 0; t < 10; ++t) {
    const int x = g.x + 100 * t;
    EXPECT_EQ(r["time_ticks"][t], json({x, "0:0" + std::to_string(t)}));
    EXPECT_GT(green(image.at(x, g.y + 403)), 100) << t;  // the tick mark below the plot
    EXPECT_EQ(image.at(x + 2, g.y + 403), 0u) << t;
  }
}

TEST_F(Analyze, MonoFeedsBothChannelsOnTheWindowBoundaries) {
  // 25 ms at 44.1 kHz: windows start at round(k * 1102.5), so at 0, 1103, 2205, 3308...
  std::vector<double> s(44100, 0.0);
  s[1102] = 0.5;    // the last frame of window 0: its fall is window 1's
  s[2205] = -0.25;  // the first frame of window 2
  writeWav(wav.path(), 1, 44100, SampleEncoding::Pcm16, s);
  std::string out, err;
  ASSERT_EQ(run({"analyze", wav.path(), "--json", jsonFile.path(), "--csv", csv.path(), "--window-ms", "25"},
                out, err),
            kOk)
      << err;
  const json r = readJson(jsonFile.path());
  EXPECT_EQ(r["windows"], 40);
  EXPECT_EQ(r["window_seconds"], 0.025);
  for (const char* channel : {"left", "right"}) {
    const json& c = r["channels"][channel];
    EXPECT_EQ(c["peak"], 0.5);
    EXPECT_EQ(c["peak_time"], 0.0);
    EXPECT_EQ(c["top"][0], json({0.0, 0.5}));
    EXPECT_EQ(c["top"][1], json({1103 / 44100.0, 0.5}));
    EXPECT_EQ(c["top"][2], json({2205 / 44100.0, 0.25}));
  }
  std::ifstream rows(csv.path());
  std::string line;
  for (int i = 0; i < 4; ++i) std::getline(rows, line);
  EXPECT_EQ(line, "0.05,0.25,0.25");  // window 2
}

TEST_F(Analyze, MoreThanTwoChannelsUseTheFirstTwoAndSaySo) {
  std::vector<double> s(static_cast<size_t>(kRate) * 4, 0.0);
  s[1000 * 4 + 0] = 0.5;    // left
  s[2000 * 4 + 1] = 0.125;  // right
  s[3000 * 4 + 2] = 1.0;    // channels 3 and 4 are not analysed
  s[3000 * 4 + 3] = 1.0;
  writeWav(wav.path(), 4, kRate, SampleEncoding::Float64, s);
  std::string out, err;
  ASSERT_EQ(run({"analyze", wav.path(), "--json", jsonFile.path()}, out, err), kOk) << err;
  EXPECT_NE(err.find("has 4 channels; analysing the first two"), std::string::npos) << err;
  const json r = readJson(jsonFile.path());
  EXPECT_EQ(r["channels"]["left"]["peak"], 0.5);
  EXPECT_EQ(r["channels"]["right"]["peak"], 0.125);
  EXPECT_EQ(r["channels"]["right"]["peak_time"], windowTime(1));
}

TEST_F(Analyze, AFileWithoutFramesReportsPeaksOfZero) {
  writeWav(wav.path(), 2, kRate, SampleEncoding::Pcm16, {});
  std::string out, err;
  ASSERT_EQ(run({"analyze", wav.path(), "--json", jsonFile.path(), "--png", png.path()}, out, err), kOk)
      << err;
  EXPECT_NE(out.find("no frames: peaks 0"), std::string::npos) << out;
  const json r = readJson(jsonFile.path());
  EXPECT_EQ(r["frames"], 0);
  EXPECT_EQ(r["windows"], 0);
  EXPECT_EQ(r["channels"]["left"]["peak"], 0.0);
  EXPECT_EQ(r["channels"]["right"]["top"], json::array());
  EXPECT_TRUE(png.exists());
}

// (Options out of range are the command line's to refuse: commands_test.)
TEST_F(Analyze, BadInputIsOneLineANonZeroExitAndNoOutputLeftBehind) {
  writeWav(wav.path(), 2, kRate, SampleEncoding::Pcm16, std::vector<double>(2000, 0.0));
  TempFile text(".wav");
  text.write({'n', 'o', 't', ' ', 'a', 'u', 'd', 'i', 'o', '\n'});
  const std::string folder = std::filesystem::temp_directory_path().string();
  const std::string missingFolder = folder + "/brimtrace-no-such-folder/out.json";
  const std::vector<std::string> outputs{"--png", png.path(), "--json", jsonFile.path(), "--csv", csv.path()};
  struct Case {
    std::vector<std::string> args;
    int code;
    const char* message;
  } cases[] = {
      {{"analyze", wav.path() + ".missing"}, kFailed, ""},
      {{"analyze", text.path()}, kFailed, ""},
      {{"analyze", folder}, kFailed, "is a folder"},
      {{"analyze", wav.path(), "--json", missingFolder}, kFailed, "cannot write"},
      {{"analyze", wav.path(), "--csv", folder}, kFailed, "cannot write"},
      {{"analyze", wav.path(), "--window-ms", "0.01"}, kFailed, "shorter than one frame"},
      {{"analyze", wav.path(), "--window-ms", "0"}, kUsage, "--window-ms"},
      {{"analyze", wav.path(), "--window-ms", "fast"}, kUsage, "--window-ms"},
      {{"analyze", wav.path(), "--width", "99"}, kUsage, "--width"},
      {{"analyze", wav.path(), "--height", "5"}, kUsage, "no option --height"},
      {{"analyze"}, kUsage, "IN is required"},
      {{"analyze", wav.path(), wav.path()}, kUsage, "takes no further argument"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.args;
    // Every run also asks for all three outputs, except where a case names its own.
    for (size_t i = 0; i < outputs.size(); i += 2)
      if (std::find(args.begin(), args.end(), outputs[i]) == args.end())
        args.insert(args.end(), {outputs[i], outputs[i + 1]});
    std::string out, err;
    SCOPED_TRACE(args[1] + (args.size() > 2 ? " " + args[2] + " " + args[3] : ""));
    EXPECT_EQ(run(args, out, err), c.code);
    EXPECT_EQ(err.rfind("brimtrace-host: ", 0), 0u) << err;
    const size_t usage = err.find("\nUsage: ");  // a usage error shows the command's usage after its line
    EXPECT_EQ(std::count(err.begin(), usage == std::string::npos ? err.end() : err.begin() + usage + 1, '\n'),
              1)
        << err;
    EXPECT_NE(err.find(c.message), std::string::npos) << err;
    for (const TempFile* f : {&png, &jsonFile, &csv}) expectNothingBeside(f->path());
  }
}

// Outputs reserved before anything is written: one that is the input by any spelling, or
// two naming one file, is refused with one line, the input untouched and nothing written.
TEST_F(Analyze, OutputsThatAreTheInputOrEachOtherAreRefusedBeforeAnythingIsWritten) {
  namespace fs = std::filesystem;
  const fs::path folder = fs::path(wav.path()).parent_path();
  writeWav(wav.path(), 2, kRate, SampleEncoding::Pcm16, std::vector<double>(2000, 0.25));
  const std::string original = readBytes(wav.path());
  const std::string name = fs::path(wav.path()).filename().string();
  TempFile symbolic(".wav"), hard(".wav");
  fs::create_hard_link(wav.path(), hard.path());
  const std::string dotted = (folder / "." / name).string();
  const std::string throughParent = (folder / ".." / folder.filename() / name).string();
  std::vector<std::pair<const char*, std::string>> cases = {
      {"--csv", dotted}, {"--png", hard.path()}, {"--csv", throughParent}};
#if !defined(_WIN32)  // MinGW's library makes no symbolic links
  fs::create_symlink(wav.path(), symbolic.path());
  cases.push_back({"--json", symbolic.path()});
#endif
  for (const auto& [option, output] : cases) {
    SCOPED_TRACE(std::string(option) + " " + output);
    // With a second output that would be written.
    const TempFile& other = std::string(option) == "--json" ? csv : jsonFile;
    expectOneLineFailure(runExe({"analyze", nativePath(wav.path()), option, nativePath(output),
                                 other.path() == csv.path() ? "--csv" : "--json", nativePath(other.path())}),
                         "");
    EXPECT_TRUE(readBytes(wav.path()) == original) << "the input changed";
    expectNothingBeside(other.path());
  }
  const std::string outName = nativePath(csv.path());
  expectOneLineFailure(runExe({"analyze", nativePath(wav.path()), "--json", outName, "--csv", outName}), "");
  expectNothingBeside(csv.path());
  csv.write({'k', 'e', 'p', 't'});
  expectOneLineFailure(runExe({"analyze", nativePath(wav.path()), "--json", outName, "--csv", outName}), "");
  EXPECT_EQ(readBytes(csv.path()), "kept");
}

// A WAV cut off short of its header's length, as a crash leaves a recording: measured to its
// end, a warning once on standard error, both counts in the JSON.
TEST_F(Analyze, AWavCutShortIsMeasuredToItsEndWithAWarning) {
  writeWav(wav.path(), 2, kRate, SampleEncoding::Pcm16, std::vector<double>(2 * 4800, 0.25));
  std::filesystem::resize_file(wav.path(), std::filesystem::file_size(wav.path()) - 4 * 1200);
  const ExeResult r = runExe({"analyze", nativePath(wav.path()), "--json", nativePath(jsonFile.path())});
  ASSERT_EQ(r.code, kOk) << r.err;
  EXPECT_NE(r.err.find("brimtrace-host: "), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("3600"), std::string::npos) << r.err;
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  const json report = readJson(jsonFile.path());
  EXPECT_EQ(report["declared_frames"], 4800);
  EXPECT_EQ(report["frames"], 3600);
}

// Window peaks kept for an input of unknown length reach the very columns that a known
// length gives them, at the end; past the cap the picture cannot be drawn.
TEST(AnalyzePicture, UnknownLengthGivesTheColumnsOfTheKnownOneUpToItsCap) {
  const double windowMs = 1000.0 / 30, rate = 44100;
  const int64_t frames = 44100 * 7 + 123;
  PlotColumns known(1000, frames), unknown(1000, -1);
  for (int64_t k = 0;; ++k) {
    const int64_t begin = windowStart(k, windowMs, rate);
    if (begin >= frames) break;
    const int64_t end = std::min(frames, windowStart(k + 1, windowMs, rate));
    const double l = std::fabs(std::sin(k * 0.7)), r = k % 17 == 0 ? 2.5 : 0.001 * k;
    EXPECT_TRUE(known.add(begin, end, l, r));
    EXPECT_TRUE(unknown.add(begin, end, l, r));
  }
  known.finish(frames, windowMs, rate);
  unknown.finish(frames, windowMs, rate);
  EXPECT_EQ(unknown.left(), known.left());
  EXPECT_EQ(unknown.right(), known.right());
  EXPECT_GT(*std::min_element(known.left().begin(), known.left().end()), -1);  // every column drawn

  PlotColumns capped(100, -1);
  for (int64_t k = 0; k < PlotColumns::kUnknownLengthWindows; ++k) ASSERT_TRUE(capped.add(k, k + 1, 0, 0));
  EXPECT_FALSE(capped.add(0, 0, 0, 0));
}

#if !defined(_WIN32)
// A file name need not be UTF-8 on Linux: the JSON takes it with the odd bytes replaced.
TEST_F(Analyze, ANameThatIsNotUtf8IsWrittenIntoTheJson) {
  const std::string odd = wav.path() + "-na\xefve.wav";
  writeWav(odd, 2, kRate, SampleEncoding::Pcm16, std::vector<double>(2000, 0.25));
  const ExeResult r = runExe({"analyze", odd, "--json", jsonFile.path(), "--png", png.path()});
  std::filesystem::remove(odd);
  ASSERT_EQ(r.code, kOk) << r.err;
  EXPECT_EQ(readJson(jsonFile.path())["file"], wav.path() + "-na\ufffdve.wav");
  EXPECT_TRUE(png.exists());
}

// An AU file whose size says "unknown", through a pipe: the picture is the one the same
// audio gives in a WAV file, and the JSON says the declared length was unknown.
TEST_F(Analyze, InputOfUnknownLengthDrawsThePictureOfTheSameAudioInAWav) {
  const std::vector<double> audio = clicksAndSteps();
  writeWav(wav.path(), 2, kRate, SampleEncoding::Float32, audio);
  TempFile au(".au");
  SF_INFO info{};
  info.samplerate = kRate;
  info.channels = 2;
  info.format = SF_FORMAT_AU | SF_FORMAT_FLOAT;
  SNDFILE* f = sf_open(au.path().c_str(), SFM_WRITE, &info);
  ASSERT_TRUE(f);
  ASSERT_EQ(sf_writef_double(f, audio.data(), 10 * kRate), 10 * kRate);
  sf_close(f);
  std::string bytes = readBytes(au.path());
  bytes.replace(8, 4, "\xff\xff\xff\xff");  // the data size: unknown

  TempFile fromWav(".png");
  ASSERT_EQ(
      runExe({"analyze", wav.path(), "--png", fromWav.path(), "--json", jsonFile.path(), "--width", "1000"})
          .code,
      kOk);
  const ExeResult r =
      runExe({"analyze", "/dev/stdin", "--png", png.path(), "--json", csv.path(), "--width", "1000"}, bytes);
  ASSERT_EQ(r.code, kOk) << r.err;
  const json known = readJson(jsonFile.path()), unknown = readJson(csv.path());
  EXPECT_EQ(unknown["declared_frames"], nullptr);
  EXPECT_EQ(known["declared_frames"], 10 * kRate);
  EXPECT_EQ(unknown["frames"], 10 * kRate);
  Png a, b;
  ASSERT_TRUE(loadPng(fromWav.path(), a));
  ASSERT_TRUE(loadPng(png.path(), b));
  // Below the title, which names the file.
  const int plotTop = known["plot"]["y"].get<int>() - 1;
  ASSERT_EQ(a.pixels.size(), b.pixels.size());
  EXPECT_TRUE(
      std::equal(a.pixels.begin() + plotTop * a.width, a.pixels.end(), b.pixels.begin() + plotTop * a.width));
  EXPECT_EQ(topRow(b, known["plot"], 668, [](uint32_t c) { return red(c) >= 40 && green(c) < red(c) / 2; }),
            9);
}

// A FLAC damaged in its middle: a failure naming the file, and no output put in place.
TEST_F(Analyze, ADecodingErrorIsAFailureWithNoOutputs) {
  TempFile flac(".flac");
  std::vector<double> audio(static_cast<size_t>(20 * kRate) * 2);
  for (size_t i = 0; i < audio.size(); ++i) audio[i] = 0.5 * std::sin(i * 0.01 + (i % 7) * 0.3);
  SF_INFO info{};
  info.samplerate = kRate;
  info.channels = 2;
  info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
  SNDFILE* f = sf_open(flac.path().c_str(), SFM_WRITE, &info);
  ASSERT_TRUE(f);
  ASSERT_EQ(sf_writef_double(f, audio.data(), 20 * kRate), 20 * kRate);
  sf_close(f);
  std::string bytes = readBytes(flac.path());
  std::mt19937 noise(7);
  for (size_t i = bytes.size() / 2; i < bytes.size() / 2 + 20000; ++i) bytes[i] = static_cast<char>(noise());
  std::ofstream(flac.path(), std::ios::binary) << bytes;
  expectOneLineFailure(
      runExe({"analyze", flac.path(), "--png", png.path(), "--json", jsonFile.path(), "--csv", csv.path()}),
      flac.path());
  for (const TempFile* out : {&png, &jsonFile, &csv}) expectNothingBeside(out->path());
}
#endif

// What analyze streams is the file's first two channels (a mono file's one twice) with
// read()'s values: every encoding, -1 and the largest sample, blocks of odd lengths.
TEST(AnalyzeInput, StereoReadsGiveReadsValuesChannelByChannel) {
  for (SampleEncoding encoding : {SampleEncoding::Pcm16, SampleEncoding::Pcm24, SampleEncoding::Pcm32,
                                  SampleEncoding::Float32, SampleEncoding::Float64}) {
    for (int channels : {1, 2, 3}) {
      SCOPED_TRACE(std::string(encodingName(encoding)) + ", " + std::to_string(channels) + " channels");
      std::vector<double> s;
      for (int i = 0; i < 301 * channels; ++i)
        s.push_back(i % 11 == 0 ? (i % 2 ? -1.0 : 1.0) : std::sin(i * 0.37));
      TempFile file(".wav");
      writeWav(file.path(), channels, kRate, encoding, s);
      std::string error;
      auto whole = openAudioReader(file.path(), error);
      auto split = openAudioReader(file.path(), error);
      ASSERT_TRUE(whole && split) << error;
      std::vector<double> all(s.size()), left(301), right(301);
      ASSERT_EQ(whole->read(all.data(), 301), 301);
      for (int64_t done = 0, n = 1; done < 301; done += n, n += 6)
        ASSERT_EQ(
            split->readStereo(left.data() + done, right.data() + done, std::min<int64_t>(n, 301 - done)),
            std::min<int64_t>(n, 301 - done));
      EXPECT_EQ(split->readStereo(left.data(), right.data(), 5), 0);
      for (size_t i = 0; i < 301; ++i) {
        ASSERT_EQ(std::memcmp(&left[i], &all[i * channels], sizeof(double)), 0) << i;
        ASSERT_EQ(std::memcmp(&right[i], &all[i * channels + (channels > 1)], sizeof(double)), 0) << i;
      }
    }
  }
}

// Rows written on a thread of their own: every row in order across the handed-over
// chunks, the text analyze's CSV has; a write that fails is reported.
TEST(AnalyzeOutput, CsvRowsArriveInOrderAndFailedWritesAreReported) {
  TempFile file(".csv");
  std::FILE* f = std::fopen(file.path().c_str(), "wb");
  ASSERT_NE(f, nullptr);
  {
    CsvWriter rows(f);
    for (int i = 0; i < 5000; ++i) rows.add(i / 30.0, i / 32768.0, i % 2 ? 2.5 : 0);
    EXPECT_TRUE(rows.finish());
  }
  ASSERT_EQ(std::fclose(f), 0);
  std::ifstream text(file.path());
  std::vector<std::string> lines;
  for (std::string line; std::getline(text, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 5000u);
  EXPECT_EQ(lines[0], "0,0,0");
  EXPECT_EQ(lines[2047], "68.23333333333333,0.062469482421875,2.5");
  EXPECT_EQ(lines[2048], "68.26666666666667,0.0625,0");
  EXPECT_EQ(lines[4999], "166.63333333333333,0.152557373046875,2.5");

  std::FILE* readOnly = std::fopen(file.path().c_str(), "rb");
  ASSERT_NE(readOnly, nullptr);
  CsvWriter rejected(readOnly);
  rejected.add(0, 0, 0);
  EXPECT_FALSE(rejected.finish());
  std::fclose(readOnly);
}

// Blocks decoded on a thread of their own: the file's frames in order to its end, the end
// answered again; an owner that stops early does not wait for the rest.
TEST(AnalyzeInput, DecodingAheadHandsOverTheFramesInOrder) {
  std::vector<double> s;
  for (int i = 0; i < 2 * 1000; ++i) s.push_back(std::sin(i * 0.37));
  TempFile file(".wav");
  writeWav(file.path(), 2, kRate, SampleEncoding::Pcm16, s);
  std::string error;
  auto plain = openAudioReader(file.path(), error);
  auto ahead = openAudioReader(file.path(), error);
  ASSERT_TRUE(plain && ahead) << error;
  std::vector<double> wantLeft(1000), wantRight(1000);
  ASSERT_EQ(plain->readStereo(wantLeft.data(), wantRight.data(), 1000), 1000);
  std::vector<double> left, right;
  {
    DecodeAhead decoding(*ahead, 7);
    for (;;) {
      const DecodedBlock& block = decoding.next();
      ASSERT_GE(block.frames, 0) << ahead->error();
      if (block.frames == 0) break;
      ASSERT_LE(block.frames, 7);
      left.resize(left.size() + block.frames);
      right.resize(right.size() + block.frames);
      ahead->splitStereo(block, 0, block.frames, &left[left.size() - block.frames],
                         &right[right.size() - block.frames]);
    }
    EXPECT_EQ(decoding.next().frames, 0);
  }
  EXPECT_EQ(left, wantLeft);
  EXPECT_EQ(right, wantRight);

  auto early = openAudioReader(file.path(), error);
  ASSERT_TRUE(early) << error;
  DecodeAhead decoding(*early, 7);
  EXPECT_EQ(decoding.next().frames, 7);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));  // the decoder fills every slot and waits
}

#if !defined(_WIN32)
// The Windows build reads WAV with its own code: it must give libsndfile's values, for
// every encoding, extremes and out-of-range floats included.
TEST(AnalyzeInput, BuiltInWavReaderGivesLibsndfilesValues) {
  const SampleEncoding encodings[] = {SampleEncoding::Pcm16, SampleEncoding::Pcm24, SampleEncoding::Pcm32,
                                      SampleEncoding::Float32, SampleEncoding::Float64};
  for (SampleEncoding encoding : encodings) {
    SCOPED_TRACE(encodingName(encoding));
    const bool isFloat = encoding == SampleEncoding::Float32 || encoding == SampleEncoding::Float64;
    std::vector<double> s;
    for (int i = 0; i < 500; ++i) s.push_back(std::sin(i * 0.731) * (isFloat ? 1.3 : 1.0));
    s.push_back(-1.0);
    s.push_back(1.0);
    s.push_back(1e-7);
    s.push_back(-0.0);
    TempFile file(".wav");
    std::string error;
    auto writer = createAudioWriter(file.path(), 2, kRate, encoding, error);  // libsndfile's writer
    ASSERT_TRUE(writer) << error;
    ASSERT_TRUE(writer->write(s.data(), static_cast<int64_t>(s.size() / 2)));
    ASSERT_TRUE(writer->close());

    SF_INFO info{};
    SNDFILE* f = sf_open(file.path().c_str(), SFM_READ, &info);
    ASSERT_TRUE(f);
    std::vector<double> viaLibsndfile(s.size());
    EXPECT_EQ(sf_readf_double(f, viaLibsndfile.data(), info.frames), info.frames);
    sf_close(f);

    auto builtIn = openWavReader(file.path(), error);
    auto platform = openAudioReader(file.path(), error);
    ASSERT_TRUE(builtIn && platform) << error;
    std::vector<double> a(s.size()), b(s.size());
    ASSERT_EQ(builtIn->read(a.data(), info.frames), info.frames);
    ASSERT_EQ(platform->read(b.data(), info.frames), info.frames);
    for (size_t i = 0; i < s.size(); ++i) {
      ASSERT_EQ(std::memcmp(&a[i], &viaLibsndfile[i], sizeof(double)), 0)
          << i << ": " << a[i] << " " << viaLibsndfile[i];
      ASSERT_EQ(std::memcmp(&b[i], &viaLibsndfile[i], sizeof(double)), 0) << i;
    }
  }
}
#endif

}  // namespace
