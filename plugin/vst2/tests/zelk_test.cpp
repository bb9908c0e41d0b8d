// CZelk driven directly with a test effect that declares sliders: parameters, the audio
// bridge's channel handling, host queries, MIDI in and out, construction and destruction.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "plugin/vst2/instance.h"
#include "plugin/vst2/tests/test_effect.h"
#include "plugin/vst2/zelk_editor.h"
#include "runtime/transforms.h"
#include "tests/support/test_host.h"

namespace {

class ZelkTest : public ::testing::Test {
protected:
  TestHost host;
  TestEffect* fx = nullptr;
  CZelk* z = nullptr;
  void SetUp() override { ASSERT_NE(z = makeTestPlugin(TestHost::callback(), &fx), nullptr); }
  void TearDown() override {
    if (z) z->getAeffect()->dispatcher(z->getAeffect(), effClose, 0, 0, nullptr, 0);
  }
  AEffect* record() { return z->getAeffect(); }
  std::string text(int32_t opcode, int32_t index) {
    char buffer[8 + 16];
    std::memset(buffer, 0x5A, sizeof buffer);
    record()->dispatcher(record(), opcode, index, 0, buffer, 0);
    for (std::size_t i = 8; i < sizeof buffer; ++i) EXPECT_EQ(buffer[i], '\x5A') << "past 8 bytes";
    EXPECT_NE(std::memchr(buffer, 0, 8), nullptr);
    return buffer;
  }
};

TEST_F(ZelkTest, SteppedSliderQuantisesAndRunsOnSliderOnlyOnChange) {
  EXPECT_EQ(record()->numParams, 3);
  record()->setParameter(record(), 0, 0.54f);
  EXPECT_EQ(fx->sliderValue[1], 5.0);
  EXPECT_EQ(fx->boundGain, 5.0);
  EXPECT_EQ(fx->sliderRuns, 1);
  record()->setParameter(record(), 0, 0.56f);
  EXPECT_EQ(fx->sliderValue[1], 6.0);
  EXPECT_EQ(fx->sliderRuns, 2);
  record()->setParameter(record(), 0, 0.56f);
  EXPECT_EQ(fx->sliderRuns, 2);
  EXPECT_FLOAT_EQ(record()->getParameter(record(), 0), 0.6f);
  EXPECT_EQ(text(effGetParamDisplay, 0), "6.00");
  EXPECT_EQ(text(effGetParamLabel, 0), "dB");
  EXPECT_EQ(text(effGetParamName, 0), "Gain in");  // cut to the 8-byte buffer
  // Values from outside 0..1 are not clamped; values that are not numbers are ignored.
  record()->setParameter(record(), 0, 1.5f);
  EXPECT_EQ(fx->sliderValue[1], 15.0);
  EXPECT_FLOAT_EQ(record()->getParameter(record(), 0), 1.5f);
  record()->setParameter(record(), 0, std::numeric_limits<float>::quiet_NaN());
  record()->setParameter(record(), 0, std::numeric_limits<float>::infinity());
  EXPECT_EQ(fx->sliderValue[1], 15.0);
  EXPECT_EQ(text(effGetParamDisplay, 0), "15.00");
}

TEST_F(ZelkTest, OptionSliderDisplaysItsOptionTexts) {
  fx->sliderValue[2] = 0.4;
  EXPECT_EQ(text(effGetParamDisplay, 1), "Off");
  fx->sliderValue[2] = 1;
  EXPECT_EQ(text(effGetParamDisplay, 1), "On");
  fx->sliderValue[2] = 5;
  EXPECT_EQ(text(effGetParamDisplay, 1), "On");
  fx->sliderValue[2] = -3;
  EXPECT_EQ(text(effGetParamDisplay, 1), "Off");
  fx->sliderValue[2] = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(text(effGetParamDisplay, 1), "Off");
  fx->sliderValue[1] = 2.5;
  EXPECT_EQ(text(effGetParamDisplay, 0), "2.50");
  fx->sliderValue[1] = -123456.789;
  EXPECT_EQ(text(effGetParamDisplay, 0), "-123456");  // cut, still terminated
}

TEST_F(ZelkTest, DegenerateSliderAndUndeclaredIndicesAnswerZeroOrNothing) {
  EXPECT_EQ(record()->getParameter(record(), 2), 0.f);
  record()->setParameter(record(), 2, 0.7f);
  EXPECT_EQ(fx->sliderValue[3], 1.0);  // the only value of its range
  EXPECT_EQ(text(effGetParamDisplay, 2), "1.00");
  const int runs = fx->sliderRuns;
  for (int32_t index : {-1, 3, 127, INT32_MIN, INT32_MAX}) {
    SCOPED_TRACE(index);
    EXPECT_EQ(record()->getParameter(record(), index), 0.f);
    record()->setParameter(record(), index, 0.9f);
    EXPECT_EQ(text(effGetParamName, index), "");
    EXPECT_EQ(text(effGetParamLabel, index), "");
    EXPECT_EQ(text(effGetParamDisplay, index), "");
  }
  EXPECT_EQ(fx->sliderRuns, runs);
  for (int i = 4; i < 128; ++i) EXPECT_EQ(fx->sliderValue[i], 0.0) << i;
}

TEST_F(ZelkTest, BridgeRunsOnBlockOncePerCallAndOnSamplePerFrame) {
  float buffer[2][32] = {};
  float* io[2] = {buffer[0], buffer[1]};
  record()->processReplacing(record(), io, io, 32);
  EXPECT_EQ(fx->blockRuns, 1);
  EXPECT_EQ(fx->sampleRuns, 32);
  record()->processReplacing(record(), io, io, 0);
  record()->processReplacing(record(), io, io, -7);
  EXPECT_EQ(fx->blockRuns, 3);
  EXPECT_EQ(fx->sampleRuns, 32);
  fx->offset = 0.25;
  double d[2][4] = {{1, 2, 3, 4}, {-1, -2, -3, -4}};
  double* dio[2] = {d[0], d[1]};
  record()->processDoubleReplacing(record(), dio, dio, 4);
  EXPECT_EQ(d[0][3], 4.25);
  EXPECT_EQ(d[1][0], -0.75);
}

TEST_F(ZelkTest, OtherChannelCountsTakeTheGeneralPathUpTo64) {
  // Four channels: every channel copied in and out.
  record()->numInputs = record()->numOutputs = 4;
  fx->offset = 1;
  float b[4][3] = {{0, 1, 2}, {10, 11, 12}, {20, 21, 22}, {30, 31, 32}};
  float* io[4] = {b[0], b[1], b[2], b[3]};
  record()->processReplacing(record(), io, io, 3);
  EXPECT_EQ(b[3][2], 33.f);
  EXPECT_EQ(b[0][0], 1.f);
  EXPECT_EQ(fx->sampleRuns, 3);
  // The count is read once per instance: a later change to the record is not followed.
  record()->numInputs = record()->numOutputs = 2;
  record()->processReplacing(record(), io, io, 3);
  EXPECT_EQ(b[3][2], 34.f);

  // Another instance with more channels than channelSample holds copies nothing.
  TestEffect* wide = nullptr;
  CZelk* other = makeTestPlugin(TestHost::callback(), &wide);
  ASSERT_NE(other, nullptr);
  wide->zelk = other;
  other->getAeffect()->numInputs = other->getAeffect()->numOutputs = 65;
  std::vector<std::vector<float>> channels(65, std::vector<float>(8, 0.5f));
  std::vector<float*> ptrs;
  for (auto& c : channels) ptrs.push_back(c.data());
  wide->offset = 1;
  other->getAeffect()->processReplacing(other->getAeffect(), ptrs.data(), ptrs.data(), 8);
  EXPECT_EQ(wide->sampleRuns, 8);
  for (auto& c : channels) EXPECT_EQ(c[7], 0.5f);
  // ...and the first instance still works with its own count.
  record()->processReplacing(record(), io, io, 3);
  EXPECT_EQ(b[3][2], 35.f);
  other->getAeffect()->dispatcher(other->getAeffect(), effClose, 0, 0, nullptr, 0);
}

TEST_F(ZelkTest, HostTimeCopiesTheRecordOrReportsItsAbsence) {
  host.timeInfo.tempo = 97.5;
  host.timeInfo.ppqPos = 12.25;
  host.timeInfo.timeSigNumerator = 7;
  host.timeInfo.timeSigDenominator = 8;
  host.timeInfo.flags = kVstTransportPlaying | kVstTransportRecording;
  HostTime t;
  ASSERT_TRUE(z->hostTime(kWantTempo | kWantTimeSignature, t));
  EXPECT_EQ(t.tempo, 97.5);
  EXPECT_EQ(t.ppqPos, 12.25);
  EXPECT_EQ(t.timeSigNumerator, 7);
  EXPECT_EQ(t.timeSigDenominator, 8);
  EXPECT_TRUE(t.playing && t.recording);  // the host's flags 0xA
  EXPECT_EQ(host.calls().back().opcode, audioMasterGetTime);
  EXPECT_EQ(host.calls().back().value, 0x2400);
  EXPECT_EQ(host.calls().back().effect, record());
  // The runtime's other requests reach the host as these filters.
  for (auto [request, filter] :
       {std::pair{kWantTempo, 0x400}, {kWantPlaying, 0x2}, {kWantRecording, 0x8}, {kWantPosition, 0x200}}) {
    z->hostTime(request, t);
    EXPECT_EQ(host.calls().back().value, filter) << "request " << request;
  }
  host.answerNullTime();
  HostTime kept;
  kept.tempo = 55;
  EXPECT_FALSE(z->hostTime(kWantTempo, kept));
  EXPECT_EQ(kept.tempo, 55);

  host.clear();
  z->updateDisplay();
  ASSERT_EQ(host.calls().size(), 1u);
  EXPECT_EQ(host.calls()[0].opcode, audioMasterUpdateDisplay);
  z->setInitialDelay(64);
  EXPECT_EQ(record()->initialDelay, 64);
}

TEST_F(ZelkTest, MidiQueueKeepsUpTo1000EventsInOrder) {
  VstMidiEvent ev{};
  ev.type = kVstMidiType;
  ev.byteSize = sizeof ev;
  VstEvents list{};
  list.numEvents = 1;
  list.events[0] = reinterpret_cast<VstEvent*>(&ev);
  auto send = [&](int delta) {
    ev.deltaFrames = delta;
    ev.midiData[0] = static_cast<char>(0x90);
    ev.midiData[1] = static_cast<char>(delta & 0x7F);
    ev.midiData[2] = static_cast<char>(0xFF);
    EXPECT_EQ(record()->dispatcher(record(), effProcessEvents, 0, 0, &list, 0), 1);
  };
  send(3);
  send(4);
  int32_t delta, d0, d1, d2;
  ASSERT_TRUE(z->midiReceive(delta, d0, d1, d2));
  EXPECT_EQ(delta, 3);
  EXPECT_EQ(d0, -112);  // 0x90 as a signed byte
  EXPECT_EQ(d1, 3);
  EXPECT_EQ(d2, -1);
  ASSERT_TRUE(z->midiReceive(delta, d0, d1, d2));
  EXPECT_EQ(delta, 4);
  EXPECT_FALSE(z->midiReceive(delta, d0, d1, d2));
  EXPECT_EQ(delta | d0 | d1 | d2, 0);

  // Other event types are skipped.
  ev.type = kVstSysExType;
  send(9);
  ev.type = kVstMidiType;
  EXPECT_FALSE(z->midiReceive(delta, d0, d1, d2));

  // A full queue keeps its 1000 unread events in order and drops (and counts) the rest.
  for (int i = 0; i < 1002; ++i) send(i);
  EXPECT_EQ(z->midiQueue().droppedCount(), 2u);
  for (int i = 0; i < 1000; ++i) {
    ASSERT_TRUE(z->midiReceive(delta, d0, d1, d2)) << i;
    ASSERT_EQ(delta, i);
  }
  EXPECT_FALSE(z->midiReceive(delta, d0, d1, d2));
  // Room again once read, across the positions' wrap.
  for (int round = 0; round < 3; ++round) {
    for (int i = 0; i < 700; ++i) send(5000 + i);
    for (int i = 0; i < 700; ++i) {
      ASSERT_TRUE(z->midiReceive(delta, d0, d1, d2));
      ASSERT_EQ(delta, 5000 + i);
    }
  }
  EXPECT_EQ(z->midiQueue().droppedCount(), 2u);
}

TEST_F(ZelkTest, MidiSentToTheHost) {
  EXPECT_TRUE(z->midiSend(12, 0x90, 60, 100));
  const HostCall& call = host.calls().back();
  EXPECT_EQ(call.opcode, audioMasterProcessEvents);
  EXPECT_EQ(call.eventCount, 1);
  VstMidiEvent sent;
  std::memcpy(&sent, call.firstEvent, sizeof sent);
  EXPECT_EQ(sent.type, kVstMidiType);
  EXPECT_EQ(sent.byteSize, 32);
  EXPECT_EQ(sent.deltaFrames, 12);
  EXPECT_EQ(static_cast<unsigned char>(sent.midiData[0]), 0x90);
  EXPECT_EQ(sent.midiData[1], 60);
  EXPECT_EQ(sent.midiData[2], 100);
  EXPECT_EQ(sent.midiData[3] | sent.flags | sent.noteLength | sent.detune, 0);

  const uint8_t dump[] = {0xF0, 0x7E, 0x7F, 0xF7};
  EXPECT_TRUE(z->midiSendSysex(5, dump, 4));
  VstMidiSysexEvent sysex;
  std::memcpy(&sysex, host.calls().back().firstEvent, sizeof sysex);
  EXPECT_EQ(sysex.type, kVstSysExType);
  EXPECT_EQ(sysex.byteSize, 48);
  EXPECT_EQ(sysex.dumpBytes, 4);
  EXPECT_EQ(sysex.deltaFrames, 5);
  EXPECT_EQ(reinterpret_cast<const uint8_t*>(sysex.sysexDump), dump);
  EXPECT_FALSE(z->midiSendSysex(5, nullptr, 4));

  host.answer(audioMasterProcessEvents, 0);
  EXPECT_FALSE(z->midiSend(0, 0x80, 60, 0));
  host.answer(audioMasterProcessEvents, 2);  // only 1 means delivered
  EXPECT_FALSE(z->midiSend(0, 0x80, 60, 0));
}

TEST_F(ZelkTest, MouseHooksMapButtonsAndRaiseTheRedrawRate) {
  const EffectHooks& hooks = z->getHooks();
  fx->redrawRate = 0;
  hooks.mouseDown(z, 10, 20, 0x2 | 0x10);  // left with shift
  EXPECT_EQ(fx->mouseButtonsSlot, 9);
  EXPECT_EQ(fx->mouseXSlot, 10);
  EXPECT_EQ(fx->mouseYSlot, 20);
  EXPECT_EQ(fx->redrawRate, 30);
  hooks.mouseDown(z, 0, 0, 0x8);
  EXPECT_EQ(fx->mouseButtonsSlot, 2);
  hooks.mouseDown(z, 0, 0, 0x4 | 0x20 | 0x40 | 0x100 | 0x200 | 0x400);
  EXPECT_EQ(fx->mouseButtonsSlot, 64 + 4 + 16);
  fx->redrawRate = 60;
  hooks.mouseMoved(z, 5, 6, 0);
  EXPECT_EQ(fx->mouseButtonsSlot, 64 + 4 + 16);
  EXPECT_EQ(fx->redrawRate, 60);
  hooks.mouseUp(z, 7, 8, 0x2);
  EXPECT_EQ(fx->mouseButtonsSlot, 0);
  EXPECT_EQ(fx->mouseXSlot, 7);
  EXPECT_EQ(hooks.keyDown, nullptr);
  EXPECT_EQ(hooks.keyUp, nullptr);
}

TEST(ZelkConstruction, RefusedHostsLeaveNothingBehind) {
  TestHost host;
  const int before = TestEffect::destroyed;
  EXPECT_EQ(makeTestPlugin(nullptr), nullptr);
  host.answer(audioMasterVersion, 0);
  EXPECT_EQ(makeTestPlugin(TestHost::callback()), nullptr);
  EXPECT_EQ(TestEffect::destroyed, before + 2);
}

TEST(ZelkConstruction, WithoutAnEditorEditorRequestsAnswerZero) {
  TestHost host;
  CZelk* z = makeTestPlugin(TestHost::callback());
  ASSERT_NE(z, nullptr);
  AEffect* e = z->getAeffect();
  std::unique_ptr<AEffEditor> detached(z->getEditor());
  z->setEditor(nullptr);
  EXPECT_EQ(e->flags, 0x1030);
  ERect* rect = nullptr;
  EXPECT_EQ(e->dispatcher(e, effEditGetRect, 0, 0, &rect, 0), 0);
  EXPECT_EQ(e->dispatcher(e, effSetEditKnobMode, 0, 1, nullptr, 0), 0);
  EXPECT_EQ(e->dispatcher(e, effEditKeyDown, 'a', 0, nullptr, 0), 0);
  int32_t w, h;
  EXPECT_FALSE(z->editorSize(w, h));
  const int before = TestEffect::destroyed;
  EXPECT_EQ(e->dispatcher(e, effClose, 0, 0, nullptr, 0), 1);
  EXPECT_EQ(TestEffect::destroyed, before + 1);
}

}  // namespace

// The analyzer never uses a transform: making, starting and closing an instance leaves the
// tables unbuilt, so no instance pays for them.
TEST(Instance, LeavesTheTransformTablesUnbuilt) {
  TestHost host;
  AEffect* e = createBrimtraceInstance(TestHost::callback());
  ASSERT_NE(e, nullptr);
  e->dispatcher(e, effOpen, 0, 0, nullptr, 0);
  e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0);
  e->dispatcher(e, effClose, 0, 0, nullptr, 0);
  EXPECT_EQ(transformTableBuildCount(), 0);
  EXPECT_EQ(tablesBuilt.load(), 0);
}
