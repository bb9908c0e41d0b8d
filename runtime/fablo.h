// The runtime an effect is written against: a chain of layers, each adding one
// group of data and services, ending in TFablo, the base of every effect class.
#pragma once
#include <atomic>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "runtime/mouse_buttons.h"
#include "runtime/plugin_link.h"
#include "runtime/script_drawing.h"
#include "runtime/script_memory.h"
#include "runtime/script_value.h"
#include "runtime/state_stream.h"

// Effect-side system variables; the effect's reset zeroes them all.
struct SystemVariables {
  // Effect-visible copies of the host values, refreshed by the section prologues.
  double sampleRate = 0, channelCount = 0, blockSize = 0, tempo = 0;
  double timeSigNumerator = 0, timeSigDenominator = 0;
  // Host slots, filled from host queries; always finite (their writers sanitize).
  double hostSampleRate = 0, hostChannelCount = 0, hostBlockSize = 0, hostTempo = 0;
  double hostTimeSigNumerator = 0, hostTimeSigDenominator = 0;
  double playState = 0, playPosition = 0;
  double latencySamples = 0, hostRefreshRequest = 0;
  double drawRed = 0, drawGreen = 0, drawBlue = 0, drawAlpha = 0;
  double fontSlot = 0, clearColor = 0, canvasWidth = 0, canvasHeight = 0;
  double mouseX = 0, mouseY = 0, mouseButtons = 0;  // copies made at each drawing pass
  // Kept between blocks by the host exchange.
  double lastRefreshCheck = 0, lastLatencyReported = 0;
};

// Describes one declared slider; the host sees it as a parameter.
struct SliderRecord {
  std::vector<std::string> optionTexts;
  int32_t valueIndex = 0;
  double* boundVariable = nullptr;
  double minimum = 0, maximum = 1, step = 0;
  std::string label, name;
};

struct FontSlot {
  std::string name;
  double size = 0;
  int32_t style = 0;  // ScriptFontStyle bits
};

struct ImageEntry {
  ScriptImage* holder = nullptr;  // owned; null until the number is tried
  double width = 0, height = 0;
};

class CFabloMemory {
public:
  ScriptMemory memory;
};

class CFabloZelk : public CFabloMemory {
public:
  PluginLink* zelk = nullptr;  // not owned; set by the entry point
  SystemVariables vars;        // what the runtime exchanges with the host and the editor
  // The link's drawing, or one that draws and loads nothing.
  ScriptDrawing& drawing() const;
};

class CFabloSliders : public CFabloZelk {
public:
  virtual ~CFabloSliders() = default;
  virtual void onSlider() {}
  double sliderValue[128] = {};
};

class CFabloSamples : public CFabloSliders {
public:
  virtual void onBlock() {}
  virtual void onSample() {}
  double channelSample[64] = {};
};

class CFabloDescription : public CFabloSamples {
public:
  std::vector<SliderRecord> sliders;
  std::string effectName, productName, vendorName, programName;
  int32_t vendorVersion = 0, uniqueId = 0, ioChannels = 0;
};

class CFabloStrings : public CFabloDescription {
public:
  // Find-or-create: a number without an entry yields "" and keeps the new entry.
  std::string& stringAt(int32_t key) { return stringTable[key]; }
  std::string& fileNameAt(int32_t key) { return fileNameTable[key]; }
  std::map<int32_t, std::string> stringTable;
  std::map<int32_t, std::string> fileNameTable;
};

class CFabloFiles : public CFabloStrings {
public:
  CFabloFiles() : files(1) {}
  FileSlot& stateStream() { return files[0]; }
  std::vector<FileSlot> files;  // exactly one slot, which serves as the state stream
};

class CFabloFonts : public CFabloFiles {
public:
  void setFont(double slot, double nameNumber, double height, double styleLetters);
  std::map<int32_t, FontSlot> fontTable;
  double lineHeight = 0;
};

class CFabloGraphics : public CFabloFonts {
public:
  ~CFabloGraphics() override;  // deletes every image holder
  // Drawing operations offered to effect code; they draw only inside a paint.
  void drawString(double stringNumber);
  void drawNumber(double value, double decimals);
  void drawLine(double x1, double y1, double x2, double y2);
  void fillRect(double x, double y, double w, double h);
  void drawImage(double imageNumber, double a, double b, double offsetX, double offsetY);
  ImageEntry& getImage(int32_t number);  // loads on first lookup
  std::map<int32_t, ImageEntry> imageTable;
  double penX = 0, penY = 0, redrawRate = 0;
};

class CFabloMouse : public CFabloGraphics {
public:
  // Runtime slots written by the editor's mouse hooks, without the store rule.
  double mouseButtonsSlot = 0, mouseXSlot = 0, mouseYSlot = 0;
  // Mouse bits for effect code from the toolkit's button state: left 1, right 2,
  // control 4, shift 8, alt 16, middle 64; other bits are dropped.
  static constexpr int32_t mouseBitsFromButtons(int32_t buttons) {
    using namespace Toolkit;
    constexpr int32_t map[][2] = {{kLButton, 1}, {kRButton, 2}, {kControl, 4},
                                  {kShift, 8},   {kAlt, 16},    {kMButton, 64}};
    int32_t bits = 0;
    for (const auto& m : map)
      if (buttons & m[0]) bits |= m[1];
    return bits;
  }
  // Start of every drawing pass: canvas size, mouse copies, optional background fill.
  void drawPrologue();
};

class TFablo : public CFabloMouse {
public:
  TFablo();
  ~TFablo() override = default;

  virtual void reset();  // memory and string table emptied
  virtual void onClose() {}
  virtual void onSuspend() {}
  virtual void resume();  // onInit, then onSlider
  virtual void onInit() {}
  virtual int32_t initOnce();  // onInit the first time only; returns the new count
  virtual void onGraphics() {}
  virtual void idle();  // repaint pacing by redrawRate
  virtual void onSerialize() {}
  virtual int32_t setChunk(const void* data, int32_t byteSize);
  virtual uint32_t getChunk(void** data);

  // --- Section prologues and host exchange (shared by every generated effect) ---
  // The six host-slot copies of onSlider/onBlock/onSample. Inline: onSample runs per
  // frame. The store rule is applied where the host slots are written (initHostValues,
  // blockHostExchange, reset), so the slots only ever hold finite values and the copies
  // need not test them again. Slots and copies are shared between the audio thread
  // (onBlock, onSample) and the dispatcher's onInit and onSlider (resume, state restore),
  // so they are read and written whole, as relaxed atomics: plain moves on the machine.
  void copyHostValues() {
    copyShared(vars.sampleRate, vars.hostSampleRate);
    copyShared(vars.channelCount, vars.hostChannelCount);
    copyShared(vars.blockSize, vars.hostBlockSize);
    copyShared(vars.tempo, vars.hostTempo);
    copyShared(vars.timeSigNumerator, vars.hostTimeSigNumerator);
    copyShared(vars.timeSigDenominator, vars.hostTimeSigDenominator);
  }
  static double loadShared(double& v) { return std::atomic_ref<double>(v).load(std::memory_order_relaxed); }
  static void storeShared(double& v, double x) {
    std::atomic_ref<double>(v).store(x, std::memory_order_relaxed);
  }
  static void copyShared(double& to, double& from) { storeShared(to, loadShared(from)); }
  // Start of onInit: sample rate, channel count, block size and tempo into both slots,
  // time signature copied from its host slots.
  void initHostValues();
  // Start of onBlock, before the copies: refresh request, latency, transport reads.
  // A time-information request the host does not answer leaves its values as they were.
  void blockHostExchange();

  int64_t lastRedrawTick = 0;  // millisClock at the last repaint
  int32_t initCount = 0;

  // Clocks, replaceable by tests. Repaint pacing uses a monotonic millisecond clock;
  // the host refresh check uses wall-clock seconds (the tick-resolution clock, cheap
  // enough to read once per block).
  static int64_t steadyMillis();
  static double systemSeconds();
  int64_t (*millisClock)() = &steadyMillis;
  double (*wallClock)() = &systemSeconds;

  // The editor's size, which the effect's picture is drawn for.
  static constexpr int32_t kEditorWidth = 400, kEditorHeight = 400;
  static constexpr float kChunkMarker = -1000.0f;
  static constexpr double kRefreshInterval = 0.25;  // seconds between refresh checks
};
