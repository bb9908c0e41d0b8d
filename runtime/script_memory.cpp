// Sparse memory of effect code: blocks of 65536 doubles, made on first touch.
#include "runtime/script_memory.h"

#include <new>

#include "runtime/script_value.h"
#include "runtime/zeroed_pages.h"

MemoryBlock::~MemoryBlock() { releaseZeroedPages(cells_, kBytes); }

double* MemoryBlock::cells() {
  // Fresh pages read as zeros and become resident only when touched; a zero-filled heap
  // block would make all 512 KiB resident at once.
  if (cells_ == nullptr) cells_ = static_cast<double*>(takeZeroedPages(kBytes));
  return cells_;
}

double* ScriptMemory::locate(int32_t index) {
  const int32_t blockNumber = index >> 16;  // arithmetic: negative indices, negative blocks
  const int32_t entry = index & 0xFFFF;
  try {
    auto it = blocks_.try_emplace(blockNumber).first;
    if (double* cells = it->second.cells()) return cells + entry;
    // Out of memory must not take the host down: drop the half-made block.
    blocks_.erase(it);
    return nullptr;
  } catch (const std::bad_alloc&) {
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
