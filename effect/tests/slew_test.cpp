// The analyzer's tables, its start-up state, the slew measurement and the history push.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "effect/fablo_effect.h"
#include "tests/support/recording_link.h"

namespace {

class Analyzer : public ::testing::Test {
protected:
  void SetUp() override {
    fx.zelk = &link;
    fx.reset();
  }
  void frame(double left, double right) {
    fx.channelSample[0] = left;
    fx.channelSample[1] = right;
    fx.onSample();
  }
  double left(int k) { return fx.memory.cell(0, k); }
  double right(int k) { return fx.memory.cell(100, k); }

  RecordingLink link;
  TFabloEffect fx;
};

}  // namespace

TEST_F(Analyzer, ResetFillsTheLiteralTablesAndZeroesTheVariables) {
  fx.vars.tempo = 5;
  fx.slewLeft = 3;
  fx.historyLength = 100;
  fx.peakLeft = 2;
  fx.stringAt(3) = "x";
  fx.memory.cell(4, 0) = 1;
  fx.reset();
  EXPECT_EQ(fx.vars.tempo, 0);
  EXPECT_EQ(fx.slewLeft, 0);
  EXPECT_EQ(fx.historyLength, 0);
  EXPECT_EQ(fx.peakLeft.load(), 0);
  EXPECT_EQ(fx.memory.blockCount(), 0u);
  const std::map<int32_t, std::string> files = {
      {0, "QUILLMERE_LogoTealGlow.PNG"},
      {1, "QUILLMERE_WebLinkText.png"},
      {2, "QUILLMERE_LogoTealGlow_Brimtrace.png"},
      {3, "50x50square_top_ON.png"}};
  EXPECT_EQ(fx.fileNameTable, files);
  const std::map<int32_t, std::string> texts = {
      {10000, "Courier New"},         {10001, "v"},
      {10002, "Arial"},               {10003, "LEFT channel = White"},
      {10004, "RIGHT channel = Red"}, {10005, "Absolute ceiling"},
      {10006, "!!! LOGARITHMIC !!!"}};
  EXPECT_EQ(fx.stringTable, texts);
}

TEST_F(Analyzer, InitSetsConstantsAndClearsHistoriesAndPeaks) {
  link.time.tempo = 140;
  fx.previousLeft = 0.3;
  fx.memory.cell(150, 0) = 9;
  fx.memory.cell(200, 0) = 9;
  fx.peakRight = 1;
  fx.frameSampleCount = 12;
  fx.vars.drawAlpha = 1;
  fx.redrawRate = 0;
  fx.onInit();
  EXPECT_EQ(fx.redrawRate, 30);
  EXPECT_EQ(fx.vars.drawAlpha, 0);
  EXPECT_EQ(fx.vars.sampleRate, 44100);
  EXPECT_EQ(fx.vars.channelCount, 2);
  EXPECT_EQ(fx.vars.blockSize, 1024);
  EXPECT_EQ(fx.vars.tempo, 140);
  EXPECT_EQ(fx.versionNumber, 20260721);
  EXPECT_EQ(fx.slewFloor, 0.00001);
  EXPECT_EQ(fx.logSpan, 5.531478917042255);
  EXPECT_EQ(fx.logSpan, std::log10(3.4) - std::log10(0.00001));
  EXPECT_EQ(fx.historyLength, 100);
  EXPECT_EQ(fx.historyLeftBase, 0);
  EXPECT_EQ(fx.historyRightBase, 100);
  EXPECT_EQ(fx.historyIndex, 100);
  EXPECT_EQ(fx.memory.cell(150, 0), 0);
  EXPECT_EQ(fx.memory.cell(200, 0), 9);  // beyond the histories
  EXPECT_EQ(fx.peakRight.load(), 0);
  EXPECT_EQ(fx.frameSampleCount.load(), 0);
  EXPECT_EQ(fx.previousLeft, 0.3);  // carries over a resume
}

TEST_F(Analyzer, SlewsPeaksAndCounterOverThreeFrames) {
  fx.onInit();
  EXPECT_EQ(fx.graphWidth.load(), 0);
  frame(0, 0);
  EXPECT_EQ(fx.slewLeft, 0);
  frame(0.5, -0.5);
  EXPECT_EQ(fx.slewLeft, 0.5);
  frame(-0.5, 0.5);
  EXPECT_EQ(fx.slewLeft, 1.0);
  EXPECT_EQ(fx.slewRight, 1.0);
  EXPECT_EQ(fx.peakLeft.load(), 1.0);
  EXPECT_EQ(fx.peakRight.load(), 1.0);
  EXPECT_EQ(fx.frameSampleCount.load(), 3);
  EXPECT_EQ(fx.previousLeft, -0.5);
  EXPECT_EQ(fx.graphWidth.load(), 400);
  EXPECT_EQ(fx.graphHeight.load(), 400);
  // The samples pass through untouched.
  EXPECT_EQ(fx.channelSample[0], -0.5);
  EXPECT_EQ(fx.channelSample[1], 0.5);
  // A smaller slew leaves the peak.
  frame(-0.4, 0.5);
  EXPECT_EQ(fx.peakLeft.load(), 1.0);
}

TEST_F(Analyzer, FirstFrameAfterResetMeasuresAgainstZero) {
  frame(0.25, 0);
  EXPECT_EQ(fx.slewLeft, 0.25);
}

TEST_F(Analyzer, NonFiniteSamplesGiveZeroSlewAndZeroPrevious) {
  fx.onInit();
  frame(0.5, 0.5);
  frame(std::nan(""), std::numeric_limits<double>::infinity());
  EXPECT_EQ(fx.slewLeft, 0);
  EXPECT_EQ(fx.slewRight, 0);
  EXPECT_EQ(fx.previousLeft, 0);
  EXPECT_EQ(fx.previousRight, 0);
  frame(-0.125, 0.25);
  EXPECT_EQ(fx.slewLeft, 0.125);
  EXPECT_EQ(fx.slewRight, 0.25);
  EXPECT_EQ(fx.peakLeft.load(), 0.5);
}

TEST_F(Analyzer, PrologueCopiesHostSlotsInEverySection) {
  fx.vars.hostSampleRate = 96000;
  fx.onSlider();
  EXPECT_EQ(fx.vars.sampleRate, 96000);
  fx.vars.hostSampleRate = std::numeric_limits<double>::infinity();
  fx.onSample();
  EXPECT_EQ(fx.vars.sampleRate, 0);
  link.time.tempo = 100;
  fx.onBlock();
  EXPECT_EQ(fx.vars.tempo, 100);
  EXPECT_EQ(link.timeFilters.size(), 4u);
}

TEST_F(Analyzer, PushWithoutFramesChangesNothing) {
  fx.onInit();
  fx.memory.cell(99, 0) = 0.5;
  fx.pushHistory();
  EXPECT_EQ(left(99), 0.5);
  EXPECT_EQ(fx.historyIndex, 100);  // the push was skipped whole
}

TEST_F(Analyzer, PushShiftsBothHistoriesAndResetsThePeaks) {
  fx.onInit();
  // 101 intervals; interval i has peaks i/1000 (left) and i/100 (right).
  for (int i = 1; i <= 101; ++i) {
    frame(0, 0);
    frame(i / 1000.0, i / 100.0);
    fx.pushHistory();
    EXPECT_EQ(fx.peakLeft.load(), 0);
    EXPECT_EQ(fx.frameSampleCount.load(), 0);
    if (i == 100) {
      EXPECT_EQ(left(0), 1 / 1000.0);
      EXPECT_EQ(left(99), 100 / 1000.0);
    }
  }
  // The first interval has been dropped.
  EXPECT_EQ(left(0), 2 / 1000.0);
  EXPECT_EQ(left(99), 101 / 1000.0);
  EXPECT_EQ(right(0), 2 / 100.0);
  EXPECT_EQ(right(99), 101 / 100.0);
  EXPECT_EQ(fx.historyIndex, 99);
}

TEST_F(Analyzer, PushBeforeInitWritesOnlyTheEntryBelowTheBase) {
  // Until onInit the constants are 0: no shifting, and both newest peaks go to cell -1,
  // the right one last.
  frame(0.75, 0.5);
  fx.pushHistory();
  EXPECT_EQ(fx.memory.cell(-1, 0), 0.5);
  EXPECT_EQ(fx.memory.cell(0, 0), 0);
  EXPECT_EQ(fx.historyIndex, 0);
}

TEST_F(Analyzer, ChunkHoldsSixtyFourSliders) {
  fx.sliderValue[3] = 0.5;
  fx.sliderValue[64] = 2;
  fx.sliderValue[65] = 7;  // beyond the chunk
  void* data = nullptr;
  ASSERT_EQ(fx.getChunk(&data), 260u);
  std::vector<float> floats(65);
  std::memcpy(floats.data(), data, 260);
  EXPECT_EQ(floats[0], -1000.0f);
  EXPECT_EQ(floats[3], 0.5f);
  EXPECT_EQ(floats[64], 2.0f);
  EXPECT_EQ(floats[1], 0.0f);

  // Restoring into a fresh instance runs onInit the first time (which clears the
  // histories) and restores the sliders.
  TFabloEffect other;
  other.zelk = &link;
  other.reset();
  other.memory.cell(5, 0) = 1;
  EXPECT_EQ(other.setChunk(floats.data(), 260), 260);
  EXPECT_EQ(other.sliderValue[3], 0.5);
  EXPECT_EQ(other.sliderValue[64], 2);
  EXPECT_EQ(other.sliderValue[65], 0);
  EXPECT_EQ(other.memory.cell(5, 0), 0);
  EXPECT_EQ(other.initCount, 1);
  EXPECT_EQ(other.sliderIndex, 65);

  // A longer chunk leaves its extra floats unread.
  floats.push_back(3.0f);
  other.setChunk(floats.data(), int32_t(floats.size() * 4));
  EXPECT_EQ(other.stateStream().position, 65);
}

TEST(AnalyzerFresh, FreshInstanceGivesTheDocumentedChunkBytes) {
  TFabloEffect fx;
  fx.reset();
  void* data = nullptr;
  ASSERT_EQ(fx.getChunk(&data), 260u);
  const auto* bytes = static_cast<const uint8_t*>(data);
  EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 4), (std::vector<uint8_t>{0x00, 0x00, 0x7A, 0xC4}));
  EXPECT_EQ(std::vector<uint8_t>(bytes + 4, bytes + 260), std::vector<uint8_t>(256, 0));
}
