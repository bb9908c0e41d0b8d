// The analyzer's tables, its start-up state, the slew measurement and the history push.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "effect/fablo_effect.h"
#include "effect/graph_look.h"
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
  RecordingLink link;
  TFabloEffect fx;
};

}  // namespace

TEST_F(Analyzer, ResetFillsTheLiteralTablesAndZeroesTheVariables) {
  fx.vars.tempo = 5;
  fx.historyLength = 100;
  fx.peakLeft = 2;
  fx.stringAt(3) = "x";
  fx.reset();
  EXPECT_EQ(fx.vars.tempo, 0);
  EXPECT_EQ(fx.historyLength, 0);
  EXPECT_EQ(fx.peakLeft.load(), 0);
  const std::map<int32_t, std::string> files = {{0, "QUILLMERE_LogoTealGlow.PNG"},
                                                {1, "QUILLMERE_WebLinkText.png"},
                                                {2, "QUILLMERE_LogoTealGlow_Brimtrace.png"},
                                                {3, "50x50square_top_ON.png"}};
  EXPECT_EQ(fx.fileNameTable, files);
  const std::map<int32_t, std::string> texts = {{10000, "Courier New"},
                                                {10001, "v"},
                                                {10002, "Arial"},
                                                {10003, "LEFT channel = White"},
                                                {10004, "RIGHT channel = Red"},
                                                {10005, "Absolute ceiling"},
                                                {10006, "!!! LOGARITHMIC !!!"}};
  EXPECT_EQ(fx.stringTable, texts);
}

TEST_F(Analyzer, InitSetsConstantsAndClearsHistoriesAndPeaksOnly) {
  link.time.tempo = 140;
  fx.previousLeft = 0.3;
  fx.memory.cell(150, 0) = 9;
  fx.memory.cell(200, 0) = 9;
  fx.peakRight = 1;
  fx.frameSampleCount = 12;
  fx.onInit();
  EXPECT_EQ(fx.redrawRate, 30);
  EXPECT_EQ(fx.vars.sampleRate, 44100);
  EXPECT_EQ(fx.vars.tempo, 140);
  EXPECT_EQ(fx.versionNumber, 20260721);
  EXPECT_EQ(fx.logSpan, std::log10(3.4) - std::log10(0.00001));
  EXPECT_EQ(fx.historyRightBase, 100);
  EXPECT_EQ(fx.historyIndex, 100);
  EXPECT_EQ(fx.memory.cell(150, 0), 0);
  EXPECT_EQ(fx.memory.cell(200, 0), 9);  // beyond the histories
  EXPECT_EQ(fx.peakRight.load(), 0);
  EXPECT_EQ(fx.frameSampleCount.load(), 0);
  EXPECT_EQ(fx.previousLeft, 0.3);  // carries over a resume
  // The ceiling line the editor draws at a fixed rise is where its slew falls on the scale.
  const double height = TFabloEffect::kEditorHeight;
  EXPECT_EQ(height - kCeilingRise, std::floor(slewRow(fx, kCeilingSlew, height)));
  EXPECT_EQ(slewRow(fx, 0, height), height);  // below the floor: on it
}

TEST_F(Analyzer, SlewsPeaksAndCounter) {
  fx.onInit();
  EXPECT_EQ(fx.graphWidth.load(), 0);
  frame(0, 0);
  frame(0.5, -0.5);
  EXPECT_EQ(fx.slewLeft, 0.5);
  frame(-0.5, 0.5);
  EXPECT_EQ(fx.slewLeft, 1.0);
  EXPECT_EQ(fx.peakLeft.load(), 1.0);
  EXPECT_EQ(fx.peakRight.load(), 1.0);
  EXPECT_EQ(fx.frameSampleCount.load(), 3);
  EXPECT_EQ(fx.previousLeft, -0.5);
  EXPECT_EQ(fx.graphHeight.load(), 400);
  EXPECT_EQ(fx.channelSample[1], 0.5);  // passes through untouched
  frame(-0.4, 0.5);
  EXPECT_EQ(fx.peakLeft.load(), 1.0);  // a smaller slew leaves the peak

  // A non-finite sample measures 0 and counts as 0 for the next frame.
  frame(std::nan(""), std::numeric_limits<double>::infinity());
  EXPECT_EQ(fx.slewLeft, 0);
  EXPECT_EQ(fx.previousRight, 0);
  frame(-0.125, 0.25);
  EXPECT_EQ(fx.slewLeft, 0.125);
  EXPECT_EQ(fx.slewRight, 0.25);
}

TEST_F(Analyzer, SectionsCopyTheHostSlots) {
  fx.vars.hostSampleRate = 96000;
  fx.onSlider();
  EXPECT_EQ(fx.vars.sampleRate, 96000);
  fx.vars.hostSampleRate = 48000;
  fx.onSample();
  EXPECT_EQ(fx.vars.sampleRate, 48000);
  link.time.tempo = std::numeric_limits<double>::infinity();  // arrives as 0
  fx.vars.tempo = 5;
  fx.onBlock();
  EXPECT_EQ(fx.vars.tempo, 0);
  link.time.tempo = 100;
  fx.onBlock();
  EXPECT_EQ(fx.vars.tempo, 100);
}

TEST_F(Analyzer, PushShiftsBothHistoriesOnlyAfterProcessing) {
  fx.onInit();
  fx.memory.cell(99, 0) = 0.5;
  fx.pushHistory();  // no frames: skipped whole
  EXPECT_EQ(fx.memory.cell(99, 0), 0.5);
  EXPECT_EQ(fx.historyIndex, 100);
  // 101 intervals; interval i has peaks i/1000 (left) and i/100 (right).
  for (int i = 1; i <= 101; ++i) {
    frame(0, 0);
    frame(i / 1000.0, i / 100.0);
    fx.pushHistory();
    EXPECT_EQ(fx.peakLeft.load(), 0);
    EXPECT_EQ(fx.frameSampleCount.load(), 0);
  }
  EXPECT_EQ(fx.memory.cell(0, 0), 2 / 1000.0);  // the first interval has been dropped
  EXPECT_EQ(fx.memory.cell(0, 99), 101 / 1000.0);
  EXPECT_EQ(fx.memory.cell(100, 0), 2 / 100.0);
  EXPECT_EQ(fx.memory.cell(100, 99), 101 / 100.0);
}

TEST_F(Analyzer, PushBeforeInitWritesOnlyTheCellBelowTheBase) {
  // The constants are 0 until onInit: both newest peaks go to cell -1, the right last.
  frame(0.75, 0.5);
  fx.pushHistory();
  EXPECT_EQ(fx.memory.cell(-1, 0), 0.5);
  EXPECT_EQ(fx.memory.cell(0, 0), 0);
}

TEST_F(Analyzer, ChunkHoldsSixtyFourSliders) {
  void* data = nullptr;
  ASSERT_EQ(fx.getChunk(&data), 260u);
  const auto* bytes = static_cast<const uint8_t*>(data);
  EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 4), (std::vector<uint8_t>{0x00, 0x00, 0x7A, 0xC4}));
  EXPECT_EQ(std::vector<uint8_t>(bytes + 4, bytes + 260), std::vector<uint8_t>(256, 0));

  fx.sliderValue[3] = 0.5;
  fx.sliderValue[64] = 2;
  std::vector<float> floats(65);
  fx.getChunk(&data);
  std::memcpy(floats.data(), data, 260);
  floats.push_back(3.0f);  // a longer chunk leaves its extra floats unread

  TFabloEffect other;
  other.zelk = &link;
  other.reset();
  other.memory.cell(5, 0) = 1;
  EXPECT_EQ(other.setChunk(floats.data(), 264), 264);
  EXPECT_EQ(other.sliderValue[3], 0.5);
  EXPECT_EQ(other.sliderValue[64], 2);
  EXPECT_EQ(other.sliderValue[65], 0);
  EXPECT_EQ(other.memory.cell(5, 0), 0);  // the first restore ran onInit
  EXPECT_EQ(other.stateStream().position, 65);
}
