// Sparse memory of effect code: blocks of 65536 doubles, made on first touch.
#include "runtime/script_memory.h"

#include <new>

#include "runtime/script_value.h"

double* ScriptMemory::locate(int32_t index) {
  const int32_t blockNumber = index >> 16;  // arithmetic: negative indices, negative blocks
  const int32_t entry = index & 0xFFFF;
  try {
    MemoryBlock& block = blocks_[blockNumber];
    if (block.size() != static_cast<std::size_t>(kBlockSize)) block.resize(kBlockSize, 0.0);
    return block.data() + entry;
  } catch (const std::bad_alloc&) {
    // Out of memory must not take the host down: drop the half-made block.
    auto it = blocks_.find(blockNumber);
    if (it != blocks_.end() && it->second.size() != static_cast<std::size_t>(kBlockSize))
      blocks_.erase(it);
    return nullptr;
  }
}

double& ScriptMemory::cell(double base, double offset) {
  // Added before conversion, so that an offset can carry the address into another block.
  if (double* found = locate(toInt(base + offset))) return *found;
  // A spare cell that reads 0 and absorbs the write.
  spare_ = 0.0;
  return spare_;
}

double* ScriptMemory::span(double base, int32_t& room) {
  const int32_t index = toInt(base);
  double* found = locate(index);
  room = found != nullptr ? kBlockSize - (index & 0xFFFF) : 0;
  return found;
}
