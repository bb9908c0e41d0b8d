// MIDI events received from the host, kept for the effect to read: a ring of 1000 events.
// The dispatcher writes, effect sections read; no lock, positions are atomic.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <new>

#include "plugin/vst2/vst2.h"
#include "runtime/zeroed_pages.h"

class MidiEventQueue {
public:
  static constexpr int32_t kCapacity = 1000;

  // Zeroed records from the system: storage that no MIDI event reaches is never made
  // resident, and a new instance spends no time clearing it.
  MidiEventQueue() : events_(static_cast<VstMidiEvent*>(takeZeroedPages(kBytes))) {
    if (!events_) throw std::bad_alloc();
  }

  // A full queue keeps what it holds and drops the new event: overwriting would make the
  // write position meet the read position, and every unread event would be lost.
  // Positions run over twice the capacity, so "full" and "empty" differ without a
  // spare slot.
  bool push(const VstMidiEvent& event) {
    const int32_t w = write_.load(std::memory_order_relaxed);
    const int32_t r = read_.load(std::memory_order_acquire);
    if ((w - r + kSpan) % kSpan == kCapacity) {
      dropped_.fetch_add(1, std::memory_order_relaxed);
      return false;
    }
    events_[w % kCapacity] = event;
    write_.store(w + 1 == kSpan ? 0 : w + 1, std::memory_order_release);
    return true;
  }
  bool pop(VstMidiEvent& event) {
    const int32_t r = read_.load(std::memory_order_relaxed);
    if (r == write_.load(std::memory_order_acquire)) return false;
    event = events_[r % kCapacity];
    read_.store(r + 1 == kSpan ? 0 : r + 1, std::memory_order_release);
    return true;
  }
  int32_t writePosition() const { return write_.load(std::memory_order_relaxed) % kCapacity; }
  int32_t readPosition() const { return read_.load(std::memory_order_relaxed) % kCapacity; }
  uint32_t droppedCount() const { return dropped_.load(std::memory_order_relaxed); }

private:
  static constexpr int32_t kSpan = 2 * kCapacity;
  static constexpr std::size_t kBytes = kCapacity * sizeof(VstMidiEvent);
  struct Free {
    void operator()(VstMidiEvent* p) const { releaseZeroedPages(p, kBytes); }
  };
  std::unique_ptr<VstMidiEvent[], Free> events_;
  std::atomic<int32_t> write_{0}, read_{0};
  std::atomic<uint32_t> dropped_{0};
};
