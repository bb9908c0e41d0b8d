// The effect base: lifecycle order, repaint pacing, the state chunk and the host exchange
// of the section prologues.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "runtime/fablo.h"
#include "tests/support/recording_link.h"

namespace {

// An effect that records which sections ran and saves sliders 1..3 in its chunk.
class ProbeEffect : public TFablo {
public:
  std::vector<std::string> log;
  int32_t saved = 3;
  void onInit() override { log.push_back("init"); }
  void onSlider() override { log.push_back("slider"); }
  void onSerialize() override {
    log.push_back("serialize");
    for (int32_t k = 1; k <= saved; ++k) stateStream().transfer(sliderValue[k]);
  }
};

int64_t fakeMillis = 0;
int64_t readFakeMillis() { return fakeMillis; }
double fakeSeconds = 0;
double readFakeSeconds() { return fakeSeconds; }

std::vector<uint8_t> bytesOf(const void* data, uint32_t size) {
  const auto* p = static_cast<const uint8_t*>(data);
  return std::vector<uint8_t>(p, p + size);
}

}  // namespace

TEST(Lifecycle, ConstructionRunsTheBaseResetAndResumeRunsInitThenSlider) {
  ProbeEffect fx;
  EXPECT_TRUE(fx.log.empty());
  EXPECT_EQ(fx.memory.blockCount(), 0u);
  fx.stringAt(5);
  EXPECT_EQ(fx.stringTable.size(), 1u);
  fx.memory.cell(0, 0) = 1;
  fx.reset();
  EXPECT_TRUE(fx.stringTable.empty());
  EXPECT_EQ(fx.memory.blockCount(), 0u);

  fx.resume();
  EXPECT_EQ(fx.log, (std::vector<std::string>{"init", "slider"}));
  EXPECT_EQ(fx.initCount, 0);  // resume does not count
}

TEST(Lifecycle, InitOnceRunsInitOnlyTheFirstTime) {
  ProbeEffect fx;
  EXPECT_EQ(fx.initOnce(), 1);
  EXPECT_EQ(fx.initOnce(), 2);
  EXPECT_EQ(fx.log, std::vector<std::string>{"init"});
}

TEST(Idle, RepaintsOnlyWhenMoreThanThePeriodHasPassed) {
  ProbeEffect fx;
  RecordingLink link;
  fx.zelk = &link;
  fx.millisClock = &readFakeMillis;
  fakeMillis = 1000;

  fx.redrawRate = 0;
  fx.idle();
  EXPECT_EQ(link.repaints, 0);
  fx.redrawRate = -5;
  fx.idle();
  EXPECT_EQ(link.repaints, 0);

  fx.redrawRate = 30;
  fx.idle();  // 1000 ms since tick 0
  EXPECT_EQ(link.repaints, 1);
  EXPECT_EQ(fx.lastRedrawTick, 1000);
  fakeMillis = 1033;  // 33 < 33.3
  fx.idle();
  EXPECT_EQ(link.repaints, 1);
  fakeMillis = 1034;
  fx.idle();
  EXPECT_EQ(link.repaints, 2);
  EXPECT_EQ(fx.lastRedrawTick, 1034);

  // Large clock values (days of uptime) do not wrap.
  fakeMillis = int64_t(1) << 40;
  fx.idle();
  EXPECT_EQ(link.repaints, 3);
  fakeMillis += 20;
  fx.idle();
  EXPECT_EQ(link.repaints, 3);
}

TEST(Idle, WithoutALinkNothingHappensButTheTickMoves) {
  ProbeEffect fx;
  fx.millisClock = &readFakeMillis;
  fakeMillis = 5000;
  fx.redrawRate = 30;
  fx.idle();
  EXPECT_EQ(fx.lastRedrawTick, 5000);
}

TEST(Idle, DefaultClockIsMonotonicMilliseconds) {
  ProbeEffect fx;
  const int64_t a = fx.millisClock();
  const int64_t b = fx.millisClock();
  EXPECT_LE(a, b);
  EXPECT_GT(fx.wallClock(), 1.6e9);  // seconds since 1970, after 2020
}

TEST(Chunk, FreshChunkIsTheMarkerAndTheSavedValues) {
  ProbeEffect fx;
  fx.sliderValue[2] = 0.5;
  fx.sliderValue[3] = -2;
  void* data = nullptr;
  ASSERT_EQ(fx.getChunk(&data), 16u);
  const std::vector<uint8_t> expected = {0x00, 0x00, 0x7A, 0xC4, 0, 0, 0, 0,
                                         0x00, 0x00, 0x00, 0x3F, 0x00, 0x00, 0x00, 0xC0};
  EXPECT_EQ(bytesOf(data, 16), expected);
  EXPECT_EQ(fx.stateStream().mode, FileSlot::kWriting);
}

TEST(Chunk, NothingButTheMarkerGivesNoChunk) {
  ProbeEffect fx;
  fx.saved = 0;
  void* data = &fx;  // must stay untouched
  EXPECT_EQ(fx.getChunk(&data), 0u);
  EXPECT_EQ(data, &fx);
  EXPECT_EQ(fx.getChunk(nullptr), 0u);
}

TEST(Chunk, RestoreRunsInitOnceSerializeAndSlider) {
  ProbeEffect fx;
  fx.sliderValue[1] = 0.1;
  fx.sliderValue[3] = 0.5;
  void* data = nullptr;
  const uint32_t size = fx.getChunk(&data);
  const std::vector<uint8_t> saved = bytesOf(data, size);
  fx.sliderValue[1] = fx.sliderValue[3] = 0;
  fx.log.clear();

  EXPECT_EQ(fx.setChunk(saved.data(), int32_t(size)), int32_t(size));
  EXPECT_EQ(fx.log, (std::vector<std::string>{"init", "serialize", "slider"}));
  EXPECT_EQ(fx.sliderValue[1], 0.10000000149011612);  // its nearest float
  EXPECT_EQ(fx.sliderValue[3], 0.5);
  EXPECT_EQ(fx.stateStream().mode, FileSlot::kReading);

  // Later restores do not run init again.
  fx.log.clear();
  fx.setChunk(saved.data(), int32_t(size));
  EXPECT_EQ(fx.log, (std::vector<std::string>{"serialize", "slider"}));
}

TEST(Chunk, ShortAndOddSizedChunks) {
  ProbeEffect fx;
  fx.sliderValue[1] = 9;
  // Marker plus two stray bytes: sections run, nothing to read.
  uint8_t six[6] = {0x00, 0x00, 0x7A, 0xC4, 0x12, 0x34};
  EXPECT_EQ(fx.setChunk(six, 6), 6);
  EXPECT_EQ(fx.log, (std::vector<std::string>{"init", "serialize", "slider"}));
  EXPECT_EQ(fx.sliderValue[1], 9);
  EXPECT_EQ(fx.stateStream().data.size(), 1u);

  // Marker and one value: only slider 1 changes.
  fx.log.clear();
  float two[2] = {-1000.0f, 0.25f};
  fx.sliderValue[2] = 7;
  EXPECT_EQ(fx.setChunk(two, 8), 8);
  EXPECT_EQ(fx.sliderValue[1], 0.25);
  EXPECT_EQ(fx.sliderValue[2], 7);
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

TEST(Chunk, RestoredValuesBypassTheStoreRule) {
  ProbeEffect fx;
  const float values[2] = {-1000.0f, std::numeric_limits<float>::infinity()};
  fx.setChunk(values, 8);
  EXPECT_TRUE(std::isinf(fx.sliderValue[1]));
}

class HostExchange : public ::testing::Test {
protected:
  void SetUp() override {
    fx.zelk = &link;
    fx.wallClock = &readFakeSeconds;
    fakeSeconds = 1000;
  }
  ProbeEffect fx;
  RecordingLink link;
};

TEST_F(HostExchange, InitReadsStoredValuesAndTempoAlone) {
  link.sampleRate = 48000;
  link.blockSize = 512;
  link.time.tempo = 128;
  fx.vars.hostTimeSigNumerator = 3;
  fx.initHostValues();
  EXPECT_EQ(link.timeFilters, std::vector<int32_t>{0x400});
  EXPECT_EQ(fx.vars.sampleRate, 48000);
  EXPECT_EQ(fx.vars.hostSampleRate, 48000);
  EXPECT_EQ(fx.vars.channelCount, 2);
  EXPECT_EQ(fx.vars.blockSize, 512);
  EXPECT_EQ(fx.vars.tempo, 128);
  EXPECT_EQ(fx.vars.hostTempo, 128);
  EXPECT_EQ(fx.vars.timeSigNumerator, 3);
}

TEST_F(HostExchange, BlockMakesFourTimeRequestsInOrderAndFillsTheSlots) {
  link.time.tempo = 90;
  link.time.timeSigNumerator = 7;
  link.time.timeSigDenominator = 8;
  link.time.ppqPos = 12.5;
  link.time.flags = 0x2 | 0x8;
  fx.blockHostExchange();
  EXPECT_EQ(link.timeFilters, (std::vector<int32_t>{0x2400, 0x2, 0x8, 0x200}));
  EXPECT_EQ(fx.vars.hostTempo, 90);
  EXPECT_EQ(fx.vars.hostTimeSigNumerator, 7);
  EXPECT_EQ(fx.vars.hostTimeSigDenominator, 8);
  EXPECT_EQ(fx.vars.playState, 5);
  EXPECT_EQ(fx.vars.playPosition, 12.5);
  // The effect-visible copies come from the prologue copy, not the exchange.
  EXPECT_EQ(fx.vars.tempo, 0);
  fx.copyHostValues();
  EXPECT_EQ(fx.vars.tempo, 90);
  EXPECT_EQ(fx.vars.timeSigDenominator, 8);
}

TEST_F(HostExchange, PlayStateFromTheTwoFlagBits) {
  const std::pair<int32_t, double> cases[] = {{0x2, 1}, {0x8, 4}, {0, 0}, {0xA, 5}};
  for (auto [flags, state] : cases) {
    link.time.flags = flags;
    fx.blockHostExchange();
    EXPECT_EQ(fx.vars.playState, state) << "flags " << flags;
  }
}

TEST_F(HostExchange, NonFiniteHostValuesArriveAsZero) {
  link.time.tempo = std::numeric_limits<double>::infinity();
  link.time.ppqPos = std::nan("");
  fx.vars.hostTempo = 120;
  fx.vars.playPosition = 3;
  fx.blockHostExchange();
  EXPECT_EQ(fx.vars.hostTempo, 0);
  EXPECT_EQ(fx.vars.playPosition, 0);
}

TEST_F(HostExchange, NoTimeInformationKeepsThePreviousValues) {
  link.time = {120, 4, 3, 4, 0x2};
  fx.blockHostExchange();
  fx.initHostValues();
  link.answersTime = false;
  link.timeFilters.clear();
  fx.initHostValues();
  fx.blockHostExchange();
  EXPECT_EQ(link.timeFilters, (std::vector<int32_t>{0x400, 0x2400, 0x2, 0x8, 0x200}));
  EXPECT_EQ(fx.vars.hostTempo, 120);
  EXPECT_EQ(fx.vars.tempo, 120);
  EXPECT_EQ(fx.vars.hostTimeSigNumerator, 3);
  EXPECT_EQ(fx.vars.hostTimeSigDenominator, 4);
  EXPECT_EQ(fx.vars.playState, 1);
  EXPECT_EQ(fx.vars.playPosition, 4);

  fx.vars.playState = 4;  // recording alone stays recording alone
  fx.blockHostExchange();
  EXPECT_EQ(fx.vars.playState, 4);
}

TEST_F(HostExchange, RefreshRequestsAreRateLimitedAndCleared) {
  fx.vars.hostRefreshRequest = 1;
  fx.blockHostExchange();  // first block: 1000 s since the last check at 0
  EXPECT_EQ(link.updateDisplays, 1);
  EXPECT_EQ(fx.vars.hostRefreshRequest, 0);
  EXPECT_EQ(fx.vars.lastRefreshCheck, 1000);
  EXPECT_EQ(link.calls.front(), "updateDisplay");  // before the time requests

  for (int i = 0; i < 25; ++i) {  // 10 ms blocks for 0.25 s: no check is due yet
    fakeSeconds += 0.01;
    fx.vars.hostRefreshRequest = 1;
    fx.blockHostExchange();
  }
  EXPECT_EQ(link.updateDisplays, 1);
  EXPECT_EQ(fx.vars.hostRefreshRequest, 1);
  fakeSeconds += 0.01;
  fx.blockHostExchange();
  EXPECT_EQ(link.updateDisplays, 2);
  EXPECT_EQ(fx.vars.hostRefreshRequest, 0);

  // A check without a request sends nothing but still restarts the interval.
  fakeSeconds += 1;
  fx.vars.hostRefreshRequest = 0.000001;
  fx.blockHostExchange();
  EXPECT_EQ(link.updateDisplays, 2);
  EXPECT_EQ(fx.vars.lastRefreshCheck, fakeSeconds);

  // A wall clock set back does not stall the requests.
  fakeSeconds -= 3600;
  fx.vars.hostRefreshRequest = 1;
  fx.blockHostExchange();
  EXPECT_EQ(link.updateDisplays, 3);
}

TEST_F(HostExchange, LatencyGoesToTheRecordWhenItChanges) {
  fx.vars.latencySamples = 64;
  fx.blockHostExchange();
  EXPECT_EQ(link.initialDelay, 64);
  EXPECT_EQ(link.calls[0], "initialDelay:64");
  fx.vars.latencySamples = 64.00000001;
  link.calls.clear();
  fx.blockHostExchange();
  EXPECT_EQ(link.calls.size(), 4u);  // only the time requests
  fx.vars.latencySamples = 12.99995;  // the bias of toInt
  fx.blockHostExchange();
  EXPECT_EQ(link.initialDelay, 13);
  fx.vars.latencySamples = 0;
  fx.blockHostExchange();
  EXPECT_EQ(link.initialDelay, 0);
}

TEST_F(HostExchange, NothingHappensWithoutALink) {
  fx.zelk = nullptr;
  fx.vars.hostRefreshRequest = 1;
  fx.blockHostExchange();
  fx.initHostValues();
  EXPECT_EQ(fx.vars.hostRefreshRequest, 1);
  EXPECT_EQ(fx.vars.sampleRate, 0);
}
