// The dispatcher with arbitrary opcodes, indexes, values and options, in arbitrary order,
// mixed with processing, parameter access and editor paints. Each call's pointer argument
// is a buffer with guard bytes around it: text answers must fit the size the VST 2.4
// interface gives for the opcode, and everything else must leave the buffer untouched.
// Opcodes whose pointer must be something particular get that: a pointer slot, a chunk,
// a VstEvents list. effEditOpen needs a real window and is left out; effClose ends the
// sequence.
#include "tests/fuzz/fuzz_support.h"
#include "tests/robust/editor_paint.h"

namespace {

// Bytes an opcode may write at ptr: the text buffer sizes of VST 2.4, or a pointer slot.
std::size_t writableBytes(int32_t opcode) {
  switch (opcode) {
    case effGetProgramName:
    case effGetProgramNameIndexed:
      return kVstMaxProgNameLen;
    case effGetParamLabel:
    case effGetParamDisplay:
    case effGetParamName:
      return kVstMaxParamStrLen;
    case effGetEffectName:
      return kVstMaxEffectNameLen;
    case effGetVendorString:
      return kVstMaxVendorStrLen;
    case effGetProductString:
      return kVstMaxProductStrLen;
    case effEditGetRect:
    case effGetChunk:
    case effGetSpeakerArrangement:
      return sizeof(void*);
    default:
      return 0;
  }
}

bool isTextAnswer(int32_t opcode) {
  const std::size_t n = writableBytes(opcode);
  return n != 0 && opcode != effEditGetRect && opcode != effGetChunk && opcode != effGetSpeakerArrangement;
}

// A VstEvents list of MIDI, SysEx and unknown events from the fuzzer's bytes, each
// event of the size its type has; SysEx dumps point at bytes that exist.
struct EventList {
  explicit EventList(fuzz::Input& in) {
    const int count = in.byte() % 12;
    midi.resize(count);
    sysex.resize(count);
    dumps.resize(count);
    list.resize(sizeof(VstEvents) + count * sizeof(VstEvent*));
    auto* events = reinterpret_cast<VstEvents*>(list.data());
    events->numEvents = count;
    VstEvent** slots = events->events;  // the list goes on past the two declared slots
    for (int i = 0; i < count; ++i) {
      const uint8_t kind = in.byte();
      if (kind % 3 == 1) {
        dumps[i] = in.bytes(in.byte());
        VstMidiSysexEvent& s = sysex[i];
        s = {};
        s.type = kVstSysExType;
        s.byteSize = in.take<int32_t>();
        s.deltaFrames = in.take<int32_t>();
        s.dumpBytes = static_cast<int32_t>(dumps[i].size());
        s.sysexDump = reinterpret_cast<char*>(dumps[i].data());
        slots[i] = reinterpret_cast<VstEvent*>(&s);
      } else {
        VstMidiEvent& m = midi[i];
        const std::vector<uint8_t> raw = in.bytes(sizeof m);
        std::memset(&m, 0, sizeof m);
        if (!raw.empty()) std::memcpy(&m, raw.data(), raw.size());
        if (kind % 3 == 0) m.type = kVstMidiType;  // else whatever type the bytes say
        slots[i] = reinterpret_cast<VstEvent*>(&m);
      }
    }
  }
  VstEvents* get() { return reinterpret_cast<VstEvents*>(list.data()); }

  std::vector<VstMidiEvent> midi;
  std::vector<VstMidiSysexEvent> sysex;
  std::vector<std::vector<uint8_t>> dumps;
  std::vector<uint8_t> list;  // VstEvents with room for its event pointers
};

void dispatchOnce(AEffect* e, fuzz::Input& in, int32_t opcode) {
  using namespace fuzz;
  const int32_t index = in.take<int32_t>();
  intptr_t value = in.take<int64_t>();
  const float opt = in.take<float>();

  if (opcode == effProcessEvents) {
    EventList events(in);
    FUZZ_CHECK(dispatch(e, opcode, index, value, events.get(), opt) == 1, 0);
    return;
  }
  if (opcode == effSetChunk) {
    const std::vector<uint8_t> bytes = in.bytes(in.byte() * 4u);
    GuardedBuffer chunk(bytes.size(), bytes);
    // Never more than the bytes there are; negative sizes as they come.
    if (value > static_cast<intptr_t>(bytes.size()))
      value = static_cast<intptr_t>(value % (bytes.size() + 1));
    dispatch(e, opcode, index, value, chunk.data(), opt);
    FUZZ_CHECK(chunk.unchanged(), value);
    return;
  }
  if (opcode == effGetSpeakerArrangement || opcode == effSetSpeakerArrangement) {
    // Both value and ptr point at arrangement pointers.
    GuardedBuffer valueSlot(sizeof(void*)), ptrSlot(sizeof(void*));
    dispatch(e, opcode, index, reinterpret_cast<intptr_t>(valueSlot.data()), ptrSlot.data(), opt);
    FUZZ_CHECK(valueSlot.guardsIntact() && ptrSlot.guardsIntact(), opcode);
    if (opcode == effSetSpeakerArrangement) FUZZ_CHECK(valueSlot.unchanged() && ptrSlot.unchanged(), opcode);
    return;
  }

  // Everything else: a plain buffer of the fuzzer's bytes, a text ending in a zero (as
  // every text a host passes does), or no pointer at all.
  const uint8_t shape = in.byte();
  std::vector<uint8_t> bytes = in.bytes(shape % 200);
  if (!bytes.empty()) bytes.back() = 0;
  const std::size_t writable = writableBytes(opcode);
  const std::size_t size = writable ? writable : bytes.size();
  GuardedBuffer buffer(size, bytes);
  void* ptr = (shape & 0x80) && !writable ? nullptr : buffer.data();

  const intptr_t answer = dispatch(e, opcode, index, value, ptr, opt);
  FUZZ_CHECK(buffer.guardsIntact(), opcode);
  if (!writable) FUZZ_CHECK(buffer.unchanged(), opcode);
  if (isTextAnswer(opcode) && !buffer.unchanged())
    FUZZ_CHECK(std::memchr(buffer.data(), 0, writable) != nullptr, opcode);  // terminated
  if (opcode == effGetChunk && answer > 0) {
    // The chunk the plug-in hands out is readable for its whole length.
    const uint8_t* chunk;
    std::memcpy(&chunk, buffer.data(), sizeof chunk);
    unsigned sum = 0;
    for (intptr_t i = 0; i < answer; ++i) sum += chunk[i];
    (void)sum;
  }
  if (opcode == effEditGetRect && answer == 1) {
    const ERect* rect;
    std::memcpy(&rect, buffer.data(), sizeof rect);
    FUZZ_CHECK(rect && rect->right - rect->left == 400 && rect->bottom - rect->top == 400, answer);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace fuzz;
  Input in(data, size);
  AEffect* e = createBrimtraceInstance(playingHost);
  FUZZ_CHECK(e != nullptr, 0);
  for (int call = 0; call < 64 && !in.empty(); ++call) {
    const uint8_t kind = in.byte();
    if (kind < 0xF0) {
      // Mostly the opcodes there are, sometimes any number at all.
      const int32_t opcode = kind < 0xE0 ? kind % 82 : in.take<int32_t>();
      if (opcode == effEditOpen) continue;
      if (opcode == effClose) break;
      dispatchOnce(e, in, opcode);
    } else if (kind < 0xF4) {
      processBlock(e, in.take<int32_t>(), kind & 1, kind);
    } else if (kind < 0xF8) {
      e->setParameter(e, in.take<int32_t>(), in.take<float>());
      (void)e->getParameter(e, in.take<int32_t>());
    } else if (kind == 0xF8) {
      // The editor's paint, whatever state the calls left; one picture for all inputs.
      static Toolkit::CBitmap* picture = new Toolkit::CBitmap(400, 400);
      EditorPaint::paintInto(EditorPaint::pluginOf(e), picture);
    } else {
      e->process(e, nullptr, nullptr, in.take<int32_t>());  // the deprecated entry does nothing
    }
  }
  FUZZ_CHECK(dispatch(e, effClose, 0, 0, nullptr, 0) == 1, 0);
  return 0;
}
