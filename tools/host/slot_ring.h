// Blocks handed from one thread to another, in order, through a fixed ring of slots, each
// slot owned by one side at a time. No lock: the side that runs ahead waits on the other
// side's counter, so memory stays bounded and a slow side paces a fast one.
#pragma once
#include <array>
#include <atomic>
#include <cstdint>

namespace host {

template <class T, int64_t N>
class SlotRing {
public:
  // The producer's next slot, once the consumer has released it; null after stop().
  T* fillable() {
    for (int64_t r = released_.load(std::memory_order_acquire); produced_ - r >= N;
         r = released_.load(std::memory_order_acquire))
      released_.wait(r, std::memory_order_acquire);
    if (stopped_.load(std::memory_order_relaxed)) return nullptr;
    return &slots_[static_cast<size_t>(produced_ % N)];
  }
  // Hands the slot fillable() gave over to the consumer.
  void fill() {
    filled_.store(++produced_, std::memory_order_release);
    filled_.notify_one();
  }
  // The consumer's next slot, once the producer has filled it.
  T& next() {
    for (int64_t f = filled_.load(std::memory_order_acquire); f <= consumed_;
         f = filled_.load(std::memory_order_acquire))
      filled_.wait(f, std::memory_order_acquire);
    return slots_[static_cast<size_t>(consumed_ % N)];
  }
  // Gives the slot next() gave back to the producer.
  void release() {
    released_.store(++consumed_, std::memory_order_release);
    released_.notify_one();
  }
  // For a consumer that quits early: the producer's fillable() answers null from now on,
  // also when it is waiting for a slot.
  void stop() {
    stopped_.store(true, std::memory_order_relaxed);
    released_.fetch_add(N, std::memory_order_release);  // ends any wait, and the stop is seen
    released_.notify_one();
  }

private:
  std::array<T, N> slots_;
  std::atomic<int64_t> filled_{0}, released_{0};
  std::atomic<bool> stopped_{false};
  int64_t produced_ = 0;  // the producer's own count
  int64_t consumed_ = 0;  // the consumer's own count
};

}  // namespace host
