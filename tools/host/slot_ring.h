// Blocks handed from one thread to another, in order, through a fixed ring of slots, each
// slot owned by one side at a time. The counters are atomics, so a side that need not wait
// takes no lock; a side that must wait sleeps on a condition variable, and the other side
// wakes it only when it sleeps. (C++20's atomic wait would do, but the Windows build's
// standard library loses its wake-ups now and then.)
#pragma once
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace host {

template <class T, int64_t N>
class SlotRing {
public:
  // The producer's next slot, once the consumer has released it; null after stop(). A
  // producer that finds every slot full sleeps until half of them are free, so that one
  // wake-up serves several slots.
  T* fillable() {
    if (produced_ - released_ >= N)
      waitUntil(producerSleeps_, freed_, [&] { return stopped_ || produced_ - released_ <= N - kBatch; });
    if (stopped_) return nullptr;
    return &slots_[static_cast<size_t>(produced_ % N)];
  }
  // Hands the slot fillable() gave over to the consumer.
  void fill() {
    filled_ = ++produced_;
    wake(consumerSleeps_, filledMore_);
  }
  // The consumer's next slot, once the producer has filled it.
  T& next() {
    waitUntil(consumerSleeps_, filledMore_, [&] { return filled_ > consumed_; });
    return slots_[static_cast<size_t>(consumed_ % N)];
  }
  // Gives the slot next() gave back to the producer.
  void release() {
    released_ = ++consumed_;
    if (filled_ - consumed_ <= N - kBatch) wake(producerSleeps_, freed_);
  }
  // For a consumer that quits early: the producer's fillable() answers null from now on,
  // also when it is waiting for a slot.
  void stop() {
    stopped_ = true;
    wake(producerSleeps_, freed_);
  }

private:
  // Every atomic here is sequentially consistent: a side that goes to sleep sets its flag
  // and then tests the other side's counter; a side that moves its counter then tests the
  // flag. One of the two sees the other's change, so no wake-up is lost.
  template <class Ready>
  void waitUntil(std::atomic<bool>& sleeps, std::condition_variable& woken, Ready ready) {
    if (ready()) return;
    std::unique_lock<std::mutex> lock(mutex_);
    sleeps = true;
    woken.wait(lock, ready);
    sleeps = false;
  }
  void wake(std::atomic<bool>& sleeps, std::condition_variable& woken) {
    if (!sleeps) return;
    // The sleeper holds the mutex from setting its flag until it is waiting.
    { std::lock_guard<std::mutex> lock(mutex_); }
    woken.notify_one();
  }

  static constexpr int64_t kBatch = N / 2 > 0 ? N / 2 : 1;
  std::array<T, N> slots_;
  std::atomic<int64_t> filled_{0}, released_{0};
  std::atomic<bool> stopped_{false}, producerSleeps_{false}, consumerSleeps_{false};
  std::mutex mutex_;
  std::condition_variable freed_, filledMore_;
  int64_t produced_ = 0;  // the producer's own count
  int64_t consumed_ = 0;  // the consumer's own count
};

}  // namespace host
