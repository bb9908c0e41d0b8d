// What the runtime needs from the plug-in object that hosts it: host queries,
// repaint requests and the drawing of a paint in progress. The plug-in adapter
// implements it; tests use doubles of it.
#pragma once
#include <cstdint>

class ScriptDrawing;

// What a time-information request asks the host for; the plug-in turns it into the
// host's own flags.
enum HostTimeRequest : int32_t {
  kWantTempo = 1,
  kWantTimeSignature = 2,
  kWantPlaying = 4,
  kWantRecording = 8,
  kWantPosition = 16,
};

// The fields of the host's time information that the runtime reads.
struct HostTime {
  double tempo = 0;
  double ppqPos = 0;
  int32_t timeSigNumerator = 0;
  int32_t timeSigDenominator = 0;
  bool playing = false, recording = false;  // the transport's state bits
};

class PluginLink {
public:
  virtual float storedSampleRate() const = 0;   // 44100 until the host sets it
  virtual int32_t storedBlockSize() const = 0;  // 1024 until the host sets it
  virtual int32_t inputCount() const = 0;       // the effect record's input count
  // One time-information request to the host; false when the host gave no record.
  virtual bool hostTime(int32_t request, HostTime& out) = 0;  // HostTimeRequest bits
  virtual void updateDisplay() = 0;                           // ask the host to refresh its display
  virtual void setInitialDelay(int32_t samples) = 0;          // the record's initialDelay
  virtual void repaintEditor() = 0;                           // invalidate the editor view, if open

  // The editor's size (false without an editor), and the drawing the script graphics
  // layers use (null: a link without one; nothing is drawn or loaded).
  virtual bool editorSize(int32_t& width, int32_t& height) const = 0;
  virtual ScriptDrawing* drawing() { return nullptr; }

  // MIDI for effect code. Receive: the next event from the host (its deltaFrames and
  // three data bytes as signed bytes); false with all four results 0 when none waits.
  // Send: true when the host took the message. A plug-in without MIDI keeps these defaults.
  virtual bool midiReceive(int32_t& deltaFrames, int32_t& data0, int32_t& data1, int32_t& data2) {
    deltaFrames = data0 = data1 = data2 = 0;
    return false;
  }
  virtual bool midiSend(int32_t /*deltaFrames*/, int32_t /*data0*/, int32_t /*data1*/, int32_t /*data2*/) {
    return false;
  }
  virtual bool midiSendSysex(int32_t /*deltaFrames*/, const uint8_t* /*bytes*/, int32_t /*count*/) {
    return false;
  }

protected:
  ~PluginLink() = default;
};
