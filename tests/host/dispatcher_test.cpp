// Every dispatcher request of the built library and its answer; texts stay inside the
// host's buffers; state goes out and comes back through the chunk requests.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "tests/host/instance_test.h"

namespace {

class Dispatcher : public InstanceTest {
protected:
  intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                    float opt = 0) {
    return fx->dispatch(opcode, index, value, ptr, opt);
  }

  // Asks for a text into a buffer of exactly `size` bytes followed by guard bytes.
  std::string textAnswer(int32_t opcode, std::size_t size, intptr_t* answer = nullptr, int32_t index = 0) {
    std::vector<char> buffer(size + 32, '\x5A');
    const intptr_t a = dispatch(opcode, index, 0, buffer.data());
    if (answer) *answer = a;
    for (std::size_t i = size; i < buffer.size(); ++i) {
      EXPECT_EQ(buffer[i], '\x5A') << "opcode " << opcode << " wrote past its " << size << "-byte buffer";
    }
    const void* zero = std::memchr(buffer.data(), 0, size);
    EXPECT_NE(zero, nullptr) << "opcode " << opcode << " left its text unterminated";
    return zero ? std::string(buffer.data()) : std::string();
  }
};

TEST_F(Dispatcher, FixedAnswers) {
  EXPECT_EQ(dispatch(effGetVendorVersion), 1000);
  EXPECT_EQ(dispatch(effGetVstVersion), 2400);
  EXPECT_EQ(dispatch(effIdentify), 0x4E764566);
  EXPECT_EQ(dispatch(effGetCurrentMidiProgram), -1);
  EXPECT_EQ(dispatch(effCanBeAutomated, 0), 1);
  EXPECT_EQ(dispatch(effCanBeAutomated, 77), 1);
  EXPECT_EQ(dispatch(effGetPlugCategory), 0);
  EXPECT_EQ(dispatch(effGetProgram), 0);
  EXPECT_EQ(dispatch(effSetTotalSampleToProcess, 0, 4096), 4096);
  EXPECT_EQ(dispatch(effSetTotalSampleToProcess, 0, intptr_t{0x1'0000'0010}), 16);  // low 32 bits
  EXPECT_EQ(dispatch(effSetTotalSampleToProcess, 0, intptr_t{0xFFFF'FFFF}), -1);
  EXPECT_EQ(dispatch(effSetBypass, 0, 1), 0);
  EXPECT_EQ(dispatch(effGetTailSize), 0);
  char text[64] = "unchanged";
  EXPECT_EQ(dispatch(effGetProgramNameIndexed, 0, 0, text), 0);
  EXPECT_STREQ(text, "unchanged");
}

TEST_F(Dispatcher, RequestsWithoutAnAnswerAnswerZero) {
  // Everything else, including numbers outside the table, answers 0 and writes nothing.
  const std::vector<int32_t> quiet = {
      9,  16, 17, 18, 20, 21, 27, 28, 30, 31, 32, 33,  34,     36, 37,    38,        39,       40,
      41, 42, 43, 44, 46, 50, 52, 53, 54, 55, 56, 57,  62,     64, 65,    66,        67,       68,
      70, 71, 72, 74, 75, 76, 77, 78, 79, 80, 81, 200, 100000, -1, -1000, INT32_MIN, INT32_MAX};
  for (int32_t opcode : quiet) {
    char buffer[256];
    std::memset(buffer, 0x5A, sizeof buffer);
    EXPECT_EQ(dispatch(opcode, 1, 1, buffer, 1.f), 0) << opcode;
    for (char c : buffer) ASSERT_EQ(c, '\x5A') << "opcode " << opcode << " wrote to ptr";
  }
}

TEST_F(Dispatcher, TextAnswersFitTheInterfaceBuffers) {
  intptr_t answer = 0;
  // The names are longer than the effect-name and program-name buffers: cut, terminated.
  EXPECT_EQ(textAnswer(effGetEffectName, 32, &answer),
            std::string("QUILLMERE - Brimtrace logarithmic - 20260721").substr(0, 31));
  EXPECT_EQ(answer, 1);
  EXPECT_EQ(textAnswer(effGetVendorString, 64, &answer), "QUILLMERE");
  EXPECT_EQ(answer, 1);
  EXPECT_EQ(textAnswer(effGetProductString, 64, &answer), "QUILLMERE - Brimtrace logarithmic - 20260721");
  EXPECT_EQ(answer, 1);
  EXPECT_EQ(textAnswer(effGetProgramName, 24, &answer), "QUILLMERE - Brimtrace l");
  EXPECT_EQ(answer, 0);
  // No parameters: any index gives an empty text inside 8 bytes.
  for (int32_t index : {0, 1, -1, 1000}) {
    EXPECT_EQ(textAnswer(effGetParamName, 8, nullptr, index), "");
    EXPECT_EQ(textAnswer(effGetParamLabel, 8, nullptr, index), "");
    EXPECT_EQ(textAnswer(effGetParamDisplay, 8, nullptr, index), "");
  }
}

TEST_F(Dispatcher, ProgramNameAndProgramNumber) {
  char name[24] = "Live set";
  EXPECT_EQ(dispatch(effSetProgramName, 0, 0, name), 0);
  EXPECT_EQ(textAnswer(effGetProgramName, 24), "Live set");
  // A host text without a terminator is read no further than its 24-byte buffer.
  char unterminated[40];
  std::memset(unterminated, 'x', sizeof unterminated);
  dispatch(effSetProgramName, 0, 0, unterminated);
  EXPECT_EQ(textAnswer(effGetProgramName, 24), std::string(23, 'x'));

  dispatch(effSetProgram, 0, 1);
  EXPECT_EQ(dispatch(effGetProgram), 0);  // only one program
  dispatch(effSetProgram, 0, 0);
  EXPECT_EQ(dispatch(effGetProgram), 0);
  dispatch(effSetProgram, 0, -5);
  EXPECT_EQ(dispatch(effGetProgram), 0);  // no negative program numbers
}

TEST_F(Dispatcher, CapabilityQuestions) {
  EXPECT_EQ(dispatch(effCanDo, 0, 0, const_cast<char*>("receiveVstMidiEvent")), 0x1131);
  EXPECT_EQ(fx->get()->flags, 0x1031);  // the answer does not change the flags
  for (const char* q : {"sendVstEvents", "sendVstMidiEvent", "receiveVstEvents", "receiveVstTimeInfo",
                        "offline", "midiProgramNames", "bypass", "receiveVstMidiEventX",
                        "receiveVstMidiEvent2", "receiveVstMidi", "", "anything"}) {
    EXPECT_EQ(dispatch(effCanDo, 0, 0, const_cast<char*>(q)), -1) << q;
  }
  EXPECT_EQ(dispatch(effCanDo, 0, 0, nullptr), -1);
}

TEST_F(Dispatcher, EditorAndSpeakerRequests) {
  ERect* rect = nullptr;
  EXPECT_EQ(dispatch(effEditGetRect, 0, 0, &rect), 1);
  ASSERT_NE(rect, nullptr);
  EXPECT_EQ(rect->top, 0);
  EXPECT_EQ(rect->left, 0);
  EXPECT_EQ(rect->bottom, 400);
  EXPECT_EQ(rect->right, 400);
  EXPECT_EQ(dispatch(effSetEditKnobMode, 0, 2), 1);
  // Keys reach the editor, which does not take them while it has no focus view.
  EXPECT_EQ(dispatch(effEditKeyDown, 'a', 0, nullptr, 0), 0);
  EXPECT_EQ(dispatch(effEditKeyUp, 'a', 0, nullptr, 0), 0);
  void* input = &host;
  void* output = &host;
  EXPECT_EQ(dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&input), &output), 0);
  EXPECT_EQ(input, nullptr);
  EXPECT_EQ(output, nullptr);
  EXPECT_EQ(dispatch(effGetSpeakerArrangement, 0, 0, nullptr), 0);
}

TEST_F(Dispatcher, NullPointersWhereAnswersAreWrittenAreRefused) {
  for (int32_t opcode :
       {effGetProgramName, effGetParamLabel, effGetParamDisplay, effGetParamName, effEditGetRect, effGetChunk,
        effGetEffectName, effGetVendorString, effGetProductString, effGetProgramNameIndexed,
        effSetProgramName, effProcessEvents, effEditOpen}) {
    EXPECT_EQ(dispatch(opcode, 0, 0, nullptr), 0) << opcode;
  }
  EXPECT_EQ(dispatch(effSetChunk, 0, 260, nullptr), 0);
  EXPECT_EQ(textAnswer(effGetProgramName, 24), "QUILLMERE - Brimtrace l");
}

TEST_F(Dispatcher, ChunkGoesOutAndComesBack) {
  fx->start();
  void* data = nullptr;
  const intptr_t size = dispatch(effGetChunk, 0, 0, &data);
  ASSERT_EQ(size, 260);
  ASSERT_NE(data, nullptr);
  const auto* bytes = static_cast<const unsigned char*>(data);
  EXPECT_EQ(bytes[0], 0x00);
  EXPECT_EQ(bytes[1], 0x00);
  EXPECT_EQ(bytes[2], 0x7A);
  EXPECT_EQ(bytes[3], 0xC4);
  for (int i = 4; i < 260; ++i) ASSERT_EQ(bytes[i], 0) << i;

  // A chunk with slider values restores them: saving again gives the same bytes.
  std::vector<float> chunk(65, 0.f);
  chunk[0] = -1000.f;
  chunk[3] = 0.5f;
  chunk[64] = 0.1f;
  EXPECT_EQ(dispatch(effSetChunk, 0, 260, chunk.data()), 260);
  EXPECT_EQ(dispatch(effSetChunk, 1, 260, chunk.data()), 260);  // as a preset: the same
  data = nullptr;
  ASSERT_EQ(dispatch(effGetChunk, 1, 0, &data), 260);
  EXPECT_EQ(std::memcmp(data, chunk.data(), 260), 0);

  // A wrong marker or a short chunk changes nothing and still answers its size.
  std::vector<float> wrong(65, 0.25f);
  EXPECT_EQ(dispatch(effSetChunk, 0, 260, wrong.data()), 260);
  EXPECT_EQ(dispatch(effSetChunk, 0, 3, wrong.data()), 3);
  EXPECT_EQ(dispatch(effSetChunk, 0, 0, wrong.data()), 0);
  ASSERT_EQ(dispatch(effGetChunk, 0, 0, &data), 260);
  EXPECT_EQ(std::memcmp(data, chunk.data(), 260), 0);

  // The buffer handed out may come straight back, edited in place: the restore reads
  // what it holds at the call.
  ASSERT_EQ(dispatch(effGetChunk, 0, 0, &data), 260);
  static_cast<float*>(data)[3] = 0.75f;
  EXPECT_EQ(dispatch(effSetChunk, 0, 260, data), 260);
  chunk[3] = 0.75f;
  ASSERT_EQ(dispatch(effGetChunk, 0, 0, &data), 260);
  EXPECT_EQ(std::memcmp(data, chunk.data(), 260), 0);

  // Non-finite values in a stored chunk arrive as 0 and are saved so.
  std::vector<float> damaged = chunk;
  damaged[3] = std::numeric_limits<float>::quiet_NaN();
  damaged[64] = -std::numeric_limits<float>::infinity();
  EXPECT_EQ(dispatch(effSetChunk, 0, 260, damaged.data()), 260);
  chunk[3] = chunk[64] = 0.f;
  ASSERT_EQ(dispatch(effGetChunk, 0, 0, &data), 260);
  EXPECT_EQ(std::memcmp(data, chunk.data(), 260), 0);

  // Sizes no chunk can have are refused without reading.
  EXPECT_EQ(dispatch(effSetChunk, 0, -4, wrong.data()), 0);
  EXPECT_EQ(dispatch(effSetChunk, 0, intptr_t{1} << 40, wrong.data()), 0);
}

}  // namespace
