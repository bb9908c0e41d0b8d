// The effect base: lifecycle order, repaint pacing, the state chunk and the host exchange
// of the section prologues.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "runtime/fablo.h"
#include "tests/support/recording_link.h"

namespace {

using Log = std::vector<std::string>;

// An effect that records which sections ran and saves sliders 1..3 in its chunk.
class ProbeEffect : public TFablo {
public:
  Log log;
  int32_t saved = 3;
  void onInit() override { log.push_back("init"); }
  void onSlider() override { log.push_back("slider"); }
  void onSerialize() override {
    log.push_back("serialize");
    for (int32_t k = 1; k <= saved; ++k) stateStream().transfer(sliderValue[k]);
  }
};

int64_t fakeMillis = 0;
double fakeSeconds = 0;

std::vector<uint8_t> bytesOf(const void* data, uint32_t size) {
  const auto* p = static_cast<const uint8_t*>(data);
  return std::vector<uint8_t>(p, p + size);
}

}  // namespace

TEST(Lifecycle, ResumeRunsInitThenSliderAndInitOnceCountsOnlyItself) {
  ProbeEffect fx;
  fx.resume();
  EXPECT_EQ(fx.log, (Log{"init", "slider"}));
  EXPECT_EQ(fx.initOnce(), 1);  // resume did not count
  EXPECT_EQ(fx.initOnce(), 2);
  EXPECT_EQ(fx.log, (Log{"init", "slider", "init"}));
}

TEST(Mouse, ToolkitButtonsMapBitByBit) {
  EXPECT_EQ(TFablo::mouseBitsFromButtons(2 | 16), 9);  // left with shift
  EXPECT_EQ(TFablo::mouseBitsFromButtons(8 | 32 | 64 | 4), 2 | 4 | 16 | 64);
  EXPECT_EQ(TFablo::mouseBitsFromButtons(1 | 1024), 0);  // double click and others dropped
}

TEST(Idle, RepaintsOnlyWhenMoreThanThePeriodHasPassed) {
  ProbeEffect fx;
  RecordingLink link;
  fx.zelk = &link;
  fx.millisClock = [] { return fakeMillis; };
  fakeMillis = 1000;
  fx.redrawRate = 0;
  fx.idle();
  EXPECT_EQ(link.repaints, 0);

  fx.redrawRate = 30;
  fx.idle();
  EXPECT_EQ(link.repaints, 1);
  fakeMillis = 1033;  // 33 ms is not more than 1000/30
  fx.idle();
  EXPECT_EQ(link.repaints, 1);
  fakeMillis = 1034;
  fx.idle();
  EXPECT_EQ(link.repaints, 2);
  // Clock values beyond 32 bits (weeks of uptime) do not wrap.
  fakeMillis = int64_t(1) << 40;
  fx.idle();
  fakeMillis += 20;
  fx.idle();
  EXPECT_EQ(link.repaints, 3);
}

// The block clock is the cheap tick-resolution one, yet it tells the same time as the
// precise clock, on both platforms.
TEST(Clock, CoarseWallClockTellsTheTime) {
  using namespace std::chrono;
  const double precise = duration<double>(system_clock::now().time_since_epoch()).count();
  EXPECT_NEAR(TFablo::systemSeconds(), precise, 0.1);
}

TEST(Chunk, SavedBytesAreTheMarkerAndTheValues) {
  ProbeEffect fx;
  fx.sliderValue[2] = 0.5;
  fx.sliderValue[3] = -2;
  void* data = nullptr;
  ASSERT_EQ(fx.getChunk(&data), 16u);
  EXPECT_EQ(bytesOf(data, 16), (std::vector<uint8_t>{0x00, 0x00, 0x7A, 0xC4, 0, 0, 0, 0, 0x00, 0x00, 0x00,
                                                     0x3F, 0x00, 0x00, 0x00, 0xC0}));
  // Nothing but the marker: no chunk, and the out pointer is left alone.
  fx.saved = 0;
  void* untouched = &fx;
  EXPECT_EQ(fx.getChunk(&untouched), 0u);
  EXPECT_EQ(untouched, &fx);
}

TEST(Chunk, RestoreRunsInitOnceSerializeAndSlider) {
  ProbeEffect fx;
  fx.sliderValue[1] = 0.1;
  void* data = nullptr;
  const uint32_t size = fx.getChunk(&data);
  const std::vector<uint8_t> saved = bytesOf(data, size);
  fx.sliderValue[1] = 0;
  fx.log.clear();
  EXPECT_EQ(fx.setChunk(saved.data(), int32_t(size)), int32_t(size));
  EXPECT_EQ(fx.log, (Log{"init", "serialize", "slider"}));
  EXPECT_EQ(fx.sliderValue[1], 0.10000000149011612);  // its nearest float
  fx.log.clear();
  fx.setChunk(saved.data(), int32_t(size));
  EXPECT_EQ(fx.log, (Log{"serialize", "slider"}));

  // Marker and two stray bytes: the sections run but there is nothing to read.
  const uint8_t six[6] = {0x00, 0x00, 0x7A, 0xC4, 0x12, 0x34};
  fx.sliderValue[1] = 9;
  EXPECT_EQ(fx.setChunk(six, 6), 6);
  EXPECT_EQ(fx.sliderValue[1], 9);
  // Restored values obey the store rule: non-finite ones arrive as 0, finite ones bit for bit.
  const float inf = std::numeric_limits<float>::infinity();
  const float denormal = std::numeric_limits<float>::denorm_min();
  const float odd[5] = {-1000.0f, inf, std::numeric_limits<float>::quiet_NaN(), -0.0f, denormal};
  fx.saved = 4;
  fx.setChunk(odd, sizeof odd);
  EXPECT_EQ(fx.sliderValue[1], 0.0);
  EXPECT_EQ(fx.sliderValue[2], 0.0);
  EXPECT_TRUE(std::signbit(fx.sliderValue[3]));
  EXPECT_EQ(fx.sliderValue[4], double(denormal));
}

TEST(Chunk, BadInputRunsNoSectionAndAnswersTheGivenSize) {
  ProbeEffect fx;
  const float wrong[2] = {0.0f, 1.0f};
  const float nanMarker[2] = {std::numeric_limits<float>::quiet_NaN(), 1.0f};
  const uint8_t three[3] = {0x00, 0x00, 0x7A};
  EXPECT_EQ(fx.setChunk(three, 3), 3);
  EXPECT_EQ(fx.setChunk(wrong, 8), 8);
  EXPECT_EQ(fx.setChunk(nanMarker, 8), 8);
  EXPECT_EQ(fx.setChunk(nullptr, 260), 260);
  EXPECT_EQ(fx.setChunk(wrong, -4), -4);
  EXPECT_EQ(fx.setChunk(wrong, INT32_MIN), INT32_MIN);
  EXPECT_TRUE(fx.log.empty());
  EXPECT_TRUE(fx.stateStream().data.empty());
}

class HostExchange : public ::testing::Test {
protected:
  void SetUp() override {
    fx.zelk = &link;
    fx.wallClock = [] { return fakeSeconds; };
    fakeSeconds = 1000;
  }
  ProbeEffect fx;
  RecordingLink link;
};

TEST_F(HostExchange, InitReadsStoredValuesAndTempoAlone) {
  link.sampleRate = 48000;
  link.time.tempo = 128;
  fx.vars.hostTimeSigNumerator = 3;
  fx.initHostValues();
  EXPECT_EQ(link.timeFilters, std::vector<int32_t>{kWantTempo});
  EXPECT_EQ(fx.vars.sampleRate, 48000);
  EXPECT_EQ(fx.vars.hostSampleRate, 48000);
  EXPECT_EQ(fx.vars.blockSize, 1024);
  EXPECT_EQ(fx.vars.tempo, 128);
  EXPECT_EQ(fx.vars.timeSigNumerator, 3);
}

TEST_F(HostExchange, BlockMakesFourTimeRequestsInOrderAndFillsTheSlots) {
  link.time = {90, 12.5, 7, 8, true, true};
  fx.blockHostExchange();
  EXPECT_EQ(link.timeFilters, (std::vector<int32_t>{kWantTempo | kWantTimeSignature, kWantPlaying,
                                                    kWantRecording, kWantPosition}));
  EXPECT_EQ(fx.vars.hostTempo, 90);
  EXPECT_EQ(fx.vars.hostTimeSigNumerator, 7);
  EXPECT_EQ(fx.vars.hostTimeSigDenominator, 8);
  EXPECT_EQ(fx.vars.playPosition, 12.5);
  EXPECT_EQ(fx.vars.tempo, 0);  // the visible copies are the prologue's job
  struct Transport {
    bool playing, recording;
    double state;
  };
  for (auto [playing, recording, state] :
       {Transport{true, false, 1}, {false, true, 4}, {false, false, 0}, {true, true, 5}}) {
    link.time.playing = playing;
    link.time.recording = recording;
    fx.blockHostExchange();
    EXPECT_EQ(fx.vars.playState, state) << "playing " << playing << " recording " << recording;
  }
  link.time.tempo = std::numeric_limits<double>::infinity();
  link.time.ppqPos = std::nan("");
  fx.blockHostExchange();
  EXPECT_EQ(fx.vars.hostTempo, 0);
  EXPECT_EQ(fx.vars.playPosition, 0);
}

TEST_F(HostExchange, NoTimeInformationKeepsThePreviousValues) {
  link.time = {120, 4, 3, 4, true, false};
  fx.blockHostExchange();
  fx.initHostValues();
  link.answersTime = false;
  link.timeFilters.clear();
  fx.initHostValues();
  fx.blockHostExchange();
  EXPECT_EQ(link.timeFilters, (std::vector<int32_t>{kWantTempo, kWantTempo | kWantTimeSignature, kWantPlaying,
                                                    kWantRecording, kWantPosition}));
  EXPECT_EQ(fx.vars.tempo, 120);
  EXPECT_EQ(fx.vars.hostTimeSigNumerator, 3);
  EXPECT_EQ(fx.vars.playState, 1);
  EXPECT_EQ(fx.vars.playPosition, 4);
  fx.vars.playState = 4;  // recording alone stays recording alone
  fx.blockHostExchange();
  EXPECT_EQ(fx.vars.playState, 4);
}

TEST_F(HostExchange, RefreshRequestsAreRateLimitedAndCleared) {
  fx.vars.hostRefreshRequest = 1;
  fx.blockHostExchange();
  EXPECT_EQ(link.updateDisplays, 1);
  EXPECT_EQ(fx.vars.hostRefreshRequest, 0);
  EXPECT_EQ(link.calls.front(), "updateDisplay");  // before the time requests
  for (int i = 0; i < 25; ++i) {                   // 10 ms blocks for 0.25 s: no check is due yet
    fakeSeconds += 0.01;
    fx.vars.hostRefreshRequest = 1;
    fx.blockHostExchange();
  }
  EXPECT_EQ(link.updateDisplays, 1);
  fakeSeconds += 0.01;
  fx.blockHostExchange();
  EXPECT_EQ(link.updateDisplays, 2);
  EXPECT_EQ(fx.vars.hostRefreshRequest, 0);
  // A wall clock set back does not stall the requests.
  fakeSeconds -= 3600;
  fx.vars.hostRefreshRequest = 1;
  fx.blockHostExchange();
  EXPECT_EQ(link.updateDisplays, 3);
}

TEST_F(HostExchange, LatencyGoesToTheRecordWhenItChanges) {
  fx.vars.latencySamples = 64;
  fx.blockHostExchange();
  EXPECT_EQ(link.calls[0], "initialDelay:64");
  link.calls.clear();
  fx.vars.latencySamples = 64.00000001;
  fx.blockHostExchange();
  EXPECT_EQ(link.calls.size(), 4u);   // only the time requests
  fx.vars.latencySamples = 12.99995;  // the bias of toInt
  fx.blockHostExchange();
  EXPECT_EQ(link.initialDelay, 13);
}
