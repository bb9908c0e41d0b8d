// What the runtime needs from the plug-in object that hosts it: host queries,
// repaint requests and the drawing state of a paint in progress. The plug-in
// adapter implements it; tests use doubles of it.
#pragma once
#include <cstdint>
#include <vector>

namespace VSTGUI {
class CDrawContext;
class CFontDesc;
}  // namespace VSTGUI

// Bits of the transport filter passed to hostTime (the host's time-information flags).
enum TimeInfoBits : int32_t {
  kTimeTransportPlaying = 0x2,
  kTimeTransportRecording = 0x8,
  kTimePpqPosValid = 0x200,
  kTimeTempoValid = 0x400,
  kTimeTimeSigValid = 0x2000,
};

// The fields of the host's time information that the runtime reads.
struct HostTime {
  double tempo = 0;
  double ppqPos = 0;
  int32_t timeSigNumerator = 0;
  int32_t timeSigDenominator = 0;
  int32_t flags = 0;
};

class PluginLink {
public:
  virtual float storedSampleRate() const = 0;  // 44100 until the host sets it
  virtual int32_t storedBlockSize() const = 0;  // 1024 until the host sets it
  virtual int32_t inputCount() const = 0;       // the effect record's input count
  // One time-information request to the host; false when the host gave no record.
  virtual bool hostTime(int32_t filter, HostTime& out) = 0;
  virtual void updateDisplay() = 0;                // ask the host to refresh its display
  virtual void setInitialDelay(int32_t samples) = 0;  // the record's initialDelay
  virtual void repaintEditor() = 0;                // invalidate the editor view, if open

  // Drawing: the context of the paint in progress (null outside a paint),
  // the editor's size (false without an editor) and the font cache.
  virtual VSTGUI::CDrawContext* drawContext() const = 0;
  virtual bool editorSize(int32_t& width, int32_t& height) const = 0;
  virtual std::vector<VSTGUI::CFontDesc*>& fontCache() = 0;

  // MIDI for effect code. Receive: the next event from the host (its deltaFrames and
  // three data bytes as signed bytes); false with all four results 0 when none waits.
  // Send: true when the host took the message. A plug-in without MIDI keeps these defaults.
  virtual bool midiReceive(int32_t& deltaFrames, int32_t& data0, int32_t& data1, int32_t& data2) {
    deltaFrames = data0 = data1 = data2 = 0;
    return false;
  }
  virtual bool midiSend(int32_t /*deltaFrames*/, int32_t /*data0*/, int32_t /*data1*/,
                        int32_t /*data2*/) {
    return false;
  }
  virtual bool midiSendSysex(int32_t /*deltaFrames*/, const uint8_t* /*bytes*/, int32_t /*count*/) {
    return false;
  }

protected:
  ~PluginLink() = default;
};
