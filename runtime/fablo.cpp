// The base of every effect: lifecycle operations, repaint pacing, the state chunk and
// the host exchange that the section prologues make.
#include "runtime/fablo.h"

#include <bit>
#include <chrono>
#include <cstring>
#include <utility>
#include <vector>

#include "runtime/platform_files.h"

static_assert(std::endian::native == std::endian::little,
              "the state chunk is the raw little-endian bytes of the float stream");
static_assert(sizeof(float) == 4);

TFablo::TFablo() {
  // Only the base reset can run here: the effect's layer does not exist yet.
  TFablo::reset();
}

int64_t TFablo::steadyMillis() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

double TFablo::systemSeconds() { return runtime_platform::coarseWallSeconds(); }

void TFablo::reset() {
  memory.clear();
  stringTable.clear();
}

void TFablo::resume() {
  onInit();
  onSlider();
}

int32_t TFablo::initOnce() {
  if (initCount == 0) onInit();
  return ++initCount;
}

void TFablo::idle() {
  if (!(redrawRate > 0)) return;
  const int64_t now = millisClock();
  if (static_cast<double>(now - lastRedrawTick) > 1000.0 / redrawRate) {
    if (zelk) zelk->repaintEditor();
    lastRedrawTick = millisClock();
  }
}

int32_t TFablo::setChunk(const void* data, int32_t byteSize) {
  // A null pointer or a negative size from the host copies nothing. The bytes are taken
  // before the stream is reset: a host may hand back the buffer getChunk gave it, which
  // is the stream's own storage.
  std::vector<float> incoming;
  if (data != nullptr && byteSize >= 4) {
    incoming.resize(static_cast<std::size_t>(byteSize) / 4);
    std::memcpy(incoming.data(), data, incoming.size() * 4);
  }
  FileSlot& stream = stateStream();
  stream.resetFor(FileSlot::kReading);
  stream.data = std::move(incoming);
  if (!stream.data.empty()) {
    const float marker = stream.data[0];
    stream.position = 1;
    if (marker == kChunkMarker) {
      initOnce();
      onSerialize();
      onSlider();
    }
  }
  return byteSize;
}

uint32_t TFablo::getChunk(void** data) {
  FileSlot& stream = stateStream();
  stream.resetFor(FileSlot::kWriting);
  stream.data.assign(1, kChunkMarker);
  stream.position = 1;
  onSerialize();
  // Nothing but the marker: the host gets no chunk.
  if (stream.data.size() <= 1) return 0;
  if (data != nullptr) *data = stream.data.data();
  return static_cast<uint32_t>(stream.data.size() * 4);
}

void TFablo::initHostValues() {
  if (zelk != nullptr) {
    storeShared(vars.hostSampleRate, sanitize(static_cast<double>(zelk->storedSampleRate())));
    storeShared(vars.hostChannelCount, sanitize(static_cast<double>(zelk->inputCount())));
    storeShared(vars.hostBlockSize, sanitize(static_cast<double>(zelk->storedBlockSize())));
    HostTime time;
    if (zelk->hostTime(kWantTempo, time)) storeShared(vars.hostTempo, sanitize(time.tempo));
  }
  copyShared(vars.sampleRate, vars.hostSampleRate);
  copyShared(vars.channelCount, vars.hostChannelCount);
  copyShared(vars.blockSize, vars.hostBlockSize);
  copyShared(vars.tempo, vars.hostTempo);
  storeShared(vars.timeSigNumerator, sanitize(loadShared(vars.hostTimeSigNumerator)));
  storeShared(vars.timeSigDenominator, sanitize(loadShared(vars.hostTimeSigDenominator)));
}

void TFablo::blockHostExchange() {
  if (zelk == nullptr) return;

  // Display refresh, at most one check per interval. A wall clock that was set back
  // counts as elapsed, or the requests would stall until it caught up.
  const double now = wallClock();
  const double sinceCheck = now - vars.lastRefreshCheck;
  if (sinceCheck > kRefreshInterval || sinceCheck < 0) {
    if (isTrue(vars.hostRefreshRequest)) {
      vars.hostRefreshRequest = 0;
      zelk->updateDisplay();
    }
    vars.lastRefreshCheck = wallClock();
  }

  // Latency: the host reads it from the effect record; no host call.
  if (!isEqual(vars.latencySamples, vars.lastLatencyReported)) {
    vars.lastLatencyReported = vars.latencySamples;
    zelk->setInitialDelay(toInt(vars.latencySamples));
  }

  HostTime time;
  if (zelk->hostTime(kWantTempo | kWantTimeSignature, time)) {
    storeShared(vars.hostTempo, sanitize(time.tempo));
    storeShared(vars.hostTimeSigNumerator, sanitize(static_cast<double>(time.timeSigNumerator)));
    storeShared(vars.hostTimeSigDenominator, sanitize(static_cast<double>(time.timeSigDenominator)));
  }

  // playState is 0, 1, 4 or 5; a bit the host does not answer for keeps its last state.
  double playing = (vars.playState == 1 || vars.playState == 5) ? 1 : 0;
  double recording = vars.playState >= 4 ? 1 : 0;
  time = HostTime{};
  if (zelk->hostTime(kWantPlaying, time)) playing = time.playing ? 1 : 0;
  time = HostTime{};
  if (zelk->hostTime(kWantRecording, time)) recording = time.recording ? 1 : 0;
  vars.playState = playing + (recording == 1 ? 4 : 0);

  time = HostTime{};
  if (zelk->hostTime(kWantPosition, time)) vars.playPosition = sanitize(time.ppqPos);
}
